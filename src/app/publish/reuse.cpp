#include "app/publish/reuse.h"

#include <charconv>
#include <optional>
#include <pugixml.hpp>

#include "app/publish/command_line.h"
#include "app/publish/source_tree.h"
#include "archive/lzma_decompressor.h"
#include "platform/error.h"
#include "platform/file_stream.h"

namespace kestrow::publish {
namespace fs = std::filesystem;
namespace {

template <typename T>
std::optional<T> ParseNumber(const char* text, int base) {
    const char* end = text + std::char_traits<char>::length(text);
    T value{};
    const auto [ptr, ec] = std::from_chars(text, end, value, base);
    if (text == end || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::unordered_map<std::string, PreviousEntry> ReadPreviousCatalogue(const fs::path& catalogue) {
    std::unordered_map<std::string, PreviousEntry> entries;
    std::error_code ec;
    if (!fs::exists(catalogue, ec)) {
        return entries;
    }
    pugi::xml_document doc;
    if (!doc.load_file(catalogue.c_str())) {
        throw UsageError("--reuse: \"" + catalogue.string() + "\" is not a catalogue");
    }
    for (const pugi::xml_node node : doc.child("list").children("archive")) {
        const auto crc = ParseNumber<std::uint32_t>(node.attribute("original").value(), 16);
        const auto size = ParseNumber<std::uint64_t>(node.attribute("size").value(), 10);
        if (crc && size) {
            entries[node.attribute("filename").value()] = {*crc, *size};
        }
    }
    return entries;
}

bool ArchiveHeaderMatches(const fs::path& archive, std::uint64_t size) {
    try {
        platform::FileStream in(archive.string(), platform::OpenMode::Read,
                                platform::ShareMode::DenyNone);
        // The header, then the five bytes the range coder starts with: any
        // content needs them.
        unsigned char bytes[archive::kLzmaHeaderSize + 5];
        const std::int64_t got = in.Read(bytes, sizeof bytes);
        archive::LzmaHeader header;
        if (got < static_cast<std::int64_t>(archive::kLzmaHeaderSize) ||
            !archive::ParseLzmaProperties(bytes, header) ||
            archive::ParseLzmaSize(bytes + archive::kLzmaPropertiesSize) != size) {
            return false;
        }
        return size == 0 || got == static_cast<std::int64_t>(sizeof bytes);
    } catch (const platform::Error&) {
        return false;
    }
}

void LinkOrCopyArchive(const fs::path& previous, const fs::path& archive) {
    const fs::path part = archive.string() + ".part";
    std::error_code ec;
    fs::remove(part, ec);
    fs::create_hard_link(previous, part, ec);
    if (ec) {
        // Another file system, or one without links.
        fs::copy_file(previous, part, fs::copy_options::overwrite_existing, ec);
    }
    if (!ec) {
        fs::rename(part, archive, ec);
    }
    std::error_code ignored;
    // rename() leaves both names when they already were links of one file.
    fs::remove(part, ignored);
    if (ec) {
        throw PublishError("cannot take over \"" + previous.string() + "\" as \"" +
                           archive.string() + "\": " + ec.message());
    }
}

}  // namespace kestrow::publish
