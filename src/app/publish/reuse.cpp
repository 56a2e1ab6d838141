#include "app/publish/reuse.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <pugixml.hpp>
#include <vector>

#include "app/publish/command_line.h"
#include "app/publish/source_tree.h"
#include "archive/crc32.h"

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

// An open descriptor, closed when it goes.
struct Fd {
    int fd;
    explicit Fd(const fs::path& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~Fd() {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
};

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
    Fd in(archive);
    unsigned char header[13];
    if (in.fd < 0 || ::pread(in.fd, header, sizeof header, 0) != sizeof header) {
        return false;
    }
    // lc + lp * 9 + pb * 45 with lc <= 8, lp <= 4, pb <= 4.
    if (header[0] >= 9 * 5 * 5) {
        return false;
    }
    std::uint64_t declared = 0;
    for (int i = 7; i >= 0; --i) {
        declared = declared << 8 | header[5 + i];
    }
    if (declared != size) {
        return false;
    }
    // The range coder starts with five bytes, so any content needs them.
    unsigned char body[5];
    return size == 0 || ::pread(in.fd, body, sizeof body, sizeof header) == sizeof body;
}

std::optional<std::uint32_t> FileCrc(const fs::path& path) {
    Fd in(path);
    if (in.fd < 0) {
        return std::nullopt;
    }
    ::posix_fadvise(in.fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    std::vector<unsigned char> buffer(1 << 20);
    std::uint32_t reg = 0xFFFFFFFFu;
    for (;;) {
        const ssize_t got = ::read(in.fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return std::nullopt;
        }
        if (got == 0) {
            return reg ^ 0xFFFFFFFFu;
        }
        reg = archive::UpdateCRC32(reg, buffer.data(), static_cast<std::size_t>(got));
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
