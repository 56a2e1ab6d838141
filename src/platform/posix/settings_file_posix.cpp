#include "platform/posix/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <utility>

#include "platform/ascii_case.h"
#include "platform/env.h"
#include "platform/files.h"

namespace kestrow::platform::settings_file {
namespace {

constexpr std::string_view kHeader = "kestrow-settings 1";

bool MustEscape(unsigned char c) {
    return c <= 0x20 || c == 0x7F || c == '%';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Backslash-separated names, none of them empty.
bool IsKeyPath(std::string_view path) {
    return !path.empty() && path.front() != '\\' && path.back() != '\\' &&
           path.find("\\\\") == std::string_view::npos;
}

[[noreturn]] void Fail(const std::string& what, const std::string& file, int error) {
    throw ESettingsError(what + " \"" + file + "\": " + SystemErrorMessage(error));
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t sp = line.find(' ', start);
        fields.push_back(line.substr(start, sp == std::string_view::npos ? sp : sp - start));
        if (sp == std::string_view::npos)
            return fields;
        start = sp + 1;
    }
}

// Closes a descriptor when it goes out of scope.
class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

  private:
    int fd_;
};

void WriteAll(int fd, std::string_view bytes, const std::string& file) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            Fail("Cannot write the settings store", file, errno);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void WriteAtomically(const std::string& file, const std::string& bytes) {
    std::string temp = file + ".XXXXXX";
    Fd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (fd.get() < 0)
        Fail("Cannot create", temp, errno);
    try {
        if (::fchmod(fd.get(), 0600) != 0)
            Fail("Cannot set the mode of", temp, errno);
        WriteAll(fd.get(), bytes, temp);
        if (::fsync(fd.get()) != 0)
            Fail("Cannot flush", temp, errno);
        if (::close(fd.release()) != 0)
            Fail("Cannot close", temp, errno);
        if (::rename(temp.c_str(), file.c_str()) != 0)
            Fail("Cannot replace", file, errno);
    } catch (...) {
        ::unlink(temp.c_str());
        throw;
    }
    // The rename itself must survive a crash too.
    Fd dir(::open(ParentDirectory(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        (void)::fsync(dir.get());
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
    return EqualsIgnoringAsciiCase(a, b);
}

Key* Content::FindKey(std::string_view path) {
    for (Key& key : keys) {
        if (NamesEqual(key.path, path))
            return &key;
    }
    return nullptr;
}

Key& Content::EnsureKey(std::string_view path) {
    Key* found = nullptr;
    for (std::size_t pos = 0;; ++pos) {
        pos = path.find('\\', pos);
        std::string_view prefix = path.substr(0, pos);
        found = FindKey(prefix);
        if (!found) {
            keys.push_back(Key{std::string(prefix), {}});
            found = &keys.back();
        }
        if (pos == std::string_view::npos)
            return *found;
    }
}

const Value* FindValue(const Key& key, std::string_view name) {
    for (const Value& value : key.values) {
        if (NamesEqual(value.name, name))
            return &value;
    }
    return nullptr;
}

void SetValue(Key& key, Value value) {
    for (Value& existing : key.values) {
        if (NamesEqual(existing.name, value.name)) {
            // Windows keeps the name as first written.
            value.name = std::move(existing.name);
            existing = std::move(value);
            return;
        }
    }
    key.values.push_back(std::move(value));
}

std::string EncodeField(std::string_view field) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(field.size());
    for (char ch : field) {
        auto c = static_cast<unsigned char>(ch);
        if (MustEscape(c)) {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

bool DecodeField(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '%') {
            out.push_back(field[i]);
            continue;
        }
        if (i + 2 >= field.size())
            return false;
        int hi = HexDigit(field[i + 1]), lo = HexDigit(field[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return true;
}

Content Parse(std::string_view text) {
    Content content;
    if (text.empty())
        return content;
    std::size_t eol = text.find('\n');
    std::string_view header = text.substr(0, eol);
    if (!header.empty() && header.back() == '\r')
        header.remove_suffix(1);
    if (header != kHeader)
        throw ESettingsError("Not a settings store (unknown first line)");

    Key* current = nullptr;
    while (eol != std::string_view::npos) {
        std::size_t start = eol + 1;
        eol = text.find('\n', start);
        std::string_view line =
            text.substr(start, eol == std::string_view::npos ? eol : eol - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::vector<std::string_view> f = SplitFields(line);
        std::string a, b;
        if (f[0] == "key") {
            // Keys above it that lost their own line still exist, as they do
            // in the registry. The values under a damaged key line belong to
            // no key rather than to the one before it.
            current = f.size() == 2 && DecodeField(f[1], a) && IsKeyPath(a) ? &content.EnsureKey(a)
                                                                            : nullptr;
        } else if (current && f[0] == "sz" && (f.size() == 3 || f.size() == 2) &&
                   DecodeField(f[1], a) && (f.size() == 2 || DecodeField(f[2], b))) {
            // A trailing empty text may have lost its separator to an editor.
            SetValue(*current, Value{std::move(a), SettingType::Text, std::move(b), 0});
        } else if (current && f[0] == "dword" && f.size() == 3 && DecodeField(f[1], a)) {
            std::uint32_t number = 0;
            auto [end, ec] = std::from_chars(f[2].data(), f[2].data() + f[2].size(), number);
            if (ec == std::errc() && end == f[2].data() + f[2].size() && !f[2].empty()) {
                SetValue(*current, Value{std::move(a), SettingType::DWord, {}, number});
            }
        }
        // Anything else (blank lines, a damaged line) is skipped.
    }
    return content;
}

std::string Serialize(const Content& content) {
    std::string out(kHeader);
    out.push_back('\n');
    for (const Key& key : content.keys) {
        out += "key " + EncodeField(key.path) + "\n";
        for (const Value& value : key.values) {
            if (value.type == SettingType::Text) {
                out += "sz " + EncodeField(value.name) + " " + EncodeField(value.text) + "\n";
            } else {
                out +=
                    "dword " + EncodeField(value.name) + " " + std::to_string(value.dword) + "\n";
            }
        }
    }
    return out;
}

Content Load(const std::string& file) {
    Fd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return {};
        Fail("Cannot open the settings store", file, errno);
    }
    std::string text;
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail("Cannot read the settings store", file, errno);
        if (n == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return Parse(text);
}

void Update(const std::string& file, const std::function<void(Content&)>& change) {
    const std::string dir = ParentDirectory(file);
    if (!CreateDirectoryChain(dir))
        Fail("Cannot create the folder", dir, errno);
    const std::string lock_path = file + ".lock";
    Fd lock(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0)
        Fail("Cannot open", lock_path, errno);
    int rc;
    while ((rc = ::flock(lock.get(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0)
        Fail("Cannot lock", lock_path, errno);
    // Read again under the lock, so another process's values are kept.
    Content content = Load(file);
    change(content);
    WriteAtomically(file, Serialize(content));
    // Closing the lock descriptor releases the lock.
}

}  // namespace kestrow::platform::settings_file
