#pragma once
// The settings store file: parsing, writing and the locked, atomic update.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/settings_store.h"

namespace kestrow::platform::settings_file {

// The registry's limit on a key name, its whole path. Every part of a path is
// a key of its own, so without it one long line of short parts would add
// thousands of keys, each holding a copy of most of the line.
inline constexpr std::size_t kMaxKeyPath = 255;

struct Value {
    std::string name;
    SettingType type = SettingType::Text;
    std::string text;
    std::uint32_t dword = 0;
};

// One line below a key line: a value, or a line the store cannot read, kept
// as it was so that a rewrite never drops it.
struct Entry {
    Value value;
    std::optional<std::string> kept_line;
};

// A key line and the lines below it. A block that is no key (the lines before
// the first key line, or a damaged key line with the lines under it) has an
// empty path and is written back as it came.
struct Key {
    std::string path;
    std::optional<std::string> kept_head;  // the damaged key line, as it was
    std::vector<Entry> entries;
    std::unordered_map<std::string, std::size_t> by_name;  // folded name → entry
};

struct Content {
    std::vector<Key> keys;
    std::unordered_map<std::string, std::size_t> by_path;  // folded path → key

    Key* FindKey(std::string_view path);
    const Key* FindKey(std::string_view path) const;
    // The key and every key above it, added when missing.
    Key& EnsureKey(std::string_view path);
    // A block that belongs to no key, appended.
    Key& AddLooseBlock(std::optional<std::string> head);
};

const Value* FindValue(const Key& key, std::string_view name);
void SetValue(Key& key, Value value);
void KeepLine(Key& key, std::string_view line);

bool NamesEqual(std::string_view a, std::string_view b);  // A to Z without case

std::string EncodeField(std::string_view field);
bool DecodeField(std::string_view field, std::string& out);

// nullopt when the text is not a settings store (its first line is not the
// store's, a byte-order mark and blanks aside). Lines that do not parse are
// kept in place for the rewrite.
std::optional<Content> Parse(std::string_view text);
std::string Serialize(const Content& content);

// Lines parsed by this process so far; tests count work with it.
std::uint64_t ParsedLineCount();

// Receives the line about a file moved aside; set by SetSettingsWarningSink.
void Warn(std::string_view message) noexcept;

// The file's content, parsed again only when the file changed since the last
// call (for any file of this process); empty when it does not exist. A file
// that is not a store is moved aside as "<file>.damaged-<date>-<time>" with a
// warning, and reads as empty.
std::shared_ptr<const Content> Load(const std::string& file);
// Under the lock file: load, change, write the new file atomically.
void Update(const std::string& file, const std::function<void(Content&)>& change);

}  // namespace kestrow::platform::settings_file
