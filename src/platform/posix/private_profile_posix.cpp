#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/code_page.h"
#include "platform/posix/unique_fd.h"
#include "platform/private_profile.h"

namespace kestrow::platform {
namespace {

std::optional<std::string> ReadAll(int fd) {
    std::string bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

// The bytes of a regular file; nullopt when it is missing, no regular file or
// unreadable.
std::optional<std::string> ReadRegularFile(const std::string& path, int extra_flags) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | extra_flags));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return ReadAll(fd.get());
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// A temporary file beside the target, renamed over it: readers never see half
// a file, and the file holds passwords, so it is the owner's alone. Not
// flushed to disk: it is rewritten on every keystroke and never read back.
bool ReplaceAtomically(const std::string& path, std::string_view bytes) {
    std::string temp = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return false;
    const bool written = ::fchmod(fd.get(), 0600) == 0 && WriteAll(fd.get(), bytes) &&
                         ::close(fd.release()) == 0 && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!written)
        ::unlink(temp.c_str());
    return written;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Lines with their terminators, so that an edit leaves the others as they were.
std::vector<std::string_view> RawLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        lines.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return lines;
}

// The name of a section line ("[name]"), nullopt for any other line. A
// missing "]" leaves the rest of the line as the name.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    line.remove_prefix(1);
    return Trim(line.substr(0, line.find(']')));
}

struct KeyLine {
    std::string_view name, value;
};

KeyLine SplitKeyLine(std::string_view line) {
    line = Trim(line);
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return {line, {}};
    return {Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// At most kProfileValueMax UTF-16 code units of valid UTF-8 text.
std::string CutToBuffer(std::string_view text) {
    std::size_t units = 0, at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::size_t char_units = length == 4 ? 2 : 1;
        if (units + char_units > kProfileValueMax)
            break;
        units += char_units;
        at += length;
    }
    return std::string(text.substr(0, at));
}

// The file's bytes with key set to value in section: see the header.
std::string SetProfileValue(std::string_view content, std::string_view section,
                            std::string_view key, std::string_view value) {
    const std::vector<std::string_view> lines = RawLines(content);
    std::optional<std::size_t> header;
    std::size_t insert_after = 0;  // the section's last non-blank line
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::optional<std::string_view> name = SectionName(lines[i]);
        if (header) {
            if (name)
                break;
            const KeyLine line = SplitKeyLine(lines[i]);
            if (!Trim(lines[i]).empty())
                insert_after = i;
            if (EqualsIgnoringAsciiCase(line.name, key)) {
                const std::string_view raw = lines[i];
                const std::string_view ending = raw.ends_with("\r\n") ? "\r\n"
                                                : raw.ends_with('\n') ? "\n"
                                                                      : "";
                std::string out(content.substr(0, raw.data() - content.data()));
                out.append(line.name).append("=").append(value).append(ending);
                out.append(content.substr(raw.data() + raw.size() - content.data()));
                return out;
            }
        } else if (name && EqualsIgnoringAsciiCase(*name, section)) {
            header = insert_after = i;
        }
    }
    std::string out;
    if (header) {
        const std::string_view last = lines[insert_after];
        const std::size_t split = last.data() + last.size() - content.data();
        out.assign(content.substr(0, split));
        if (!out.ends_with('\n'))
            out += "\r\n";
        out.append(key).append("=").append(value).append("\r\n");
        out.append(content.substr(split));
        return out;
    }
    out.assign(content);
    if (!out.empty() && !out.ends_with('\n'))
        out += "\r\n";
    if (!lines.empty() && !Trim(lines.back()).empty())
        out += "\r\n";  // a blank line between sections
    out.append("[").append(section).append("]\r\n");
    out.append(key).append("=").append(value).append("\r\n");
    return out;
}

}  // namespace

std::string ReadProfileString(std::string_view section, std::string_view key,
                              std::string_view default_value, const std::string& path) {
    const std::optional<std::string> bytes = ReadRegularFile(path, 0);
    if (!bytes)
        return CutToBuffer(default_value);
    const std::string text = TextFileToUtf8(*bytes);
    bool inside = false;
    for (std::string_view line : RawLines(text)) {
        if (const std::optional<std::string_view> name = SectionName(line)) {
            if (inside)
                break;  // only the first section of the name counts
            inside = EqualsIgnoringAsciiCase(*name, section);
            continue;
        }
        if (!inside)
            continue;
        const KeyLine entry = SplitKeyLine(line);
        if (!Trim(line).empty() && EqualsIgnoringAsciiCase(entry.name, key))
            return CutToBuffer(Unquote(entry.value));
    }
    return CutToBuffer(default_value);
}

bool WriteProfileStringAnsi(std::string_view section, std::string_view key, std::string_view value,
                            const std::string& path) {
    std::string content;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        std::optional<std::string> bytes = ReadRegularFile(path, O_NOFOLLOW);
        if (!bytes)
            return false;  // never replace what could not be read
        content = std::move(*bytes);
    } else if (errno != ENOENT) {
        return false;
    }
    return ReplaceAtomically(
        path, SetProfileValue(content, Utf8ToAnsi(section), Utf8ToAnsi(key), Utf8ToAnsi(value)));
}

}  // namespace kestrow::platform
