#pragma once
// Catalogue and update lines: text fields joined by U+0006, and the readers
// that take them apart.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrow::update {

using TextList = std::vector<std::string>;

inline constexpr char kItemSeparator = '\x06';

// Piece n of a line, cut the way SeparateLine cuts it: cutting stops at the
// first empty field and the rest of the line is the last piece. nullopt when
// the line has fewer pieces.
std::optional<std::string_view> ItemField(std::string_view line, std::size_t n);

// A signed 64-bit decimal number, or -1 when the text is not one.
std::int64_t ParseSizeText(std::string_view text);

// CatalogueEntry: file name, CRC text, kind, size text.
std::string CatalogueEntry(std::string_view file_name, std::string_view crc, std::string_view kind,
                           std::string_view size);
// UpdateItem: file name, kind, size text.
std::string UpdateItem(std::string_view file_name, std::string_view kind, std::string_view size);

// Field 2 of an UpdateItem as a number; -1 when missing or not a number.
std::int64_t ItemExpectedSize(std::string_view line);
// Field 1 of an UpdateItem; empty when missing.
std::string ItemKind(std::string_view line);
// Field 0 with '/' turned into '\', lower-cased in full; empty for an empty line.
std::string ItemNameKey(std::string_view line);
// A patch line replaces a kept client line of the same name.
bool PatchOverridesClient(std::string_view candidate, std::string_view kept);

}  // namespace kestrow::update
