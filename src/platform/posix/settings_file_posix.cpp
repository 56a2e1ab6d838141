#include "platform/posix/settings_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/ascii_case.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "platform/posix/unique_fd.h"

namespace kestrow::platform {
namespace {

std::atomic<SettingsWarningSink> g_warning_sink{nullptr};

}  // namespace

void SetSettingsWarningSink(SettingsWarningSink sink) noexcept {
    g_warning_sink.store(sink);
}

}  // namespace kestrow::platform

namespace kestrow::platform::settings_file {
namespace {

constexpr std::string_view kHeader = "kestrow-settings 1";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kBlanks = " \t";

std::atomic<std::uint64_t> g_parsed_lines{0};

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

std::string_view Trimmed(std::string_view line) {
    const std::size_t first = line.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return line.substr(first, line.find_last_not_of(kBlanks) - first + 1);
}

// Backslash-separated names, none of them empty, not too long.
bool IsKeyPath(std::string_view path) {
    return !path.empty() && path.size() <= kMaxKeyPath && path.front() != '\\' &&
           path.back() != '\\' && path.find("\\\\") == std::string_view::npos;
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

bool ParseValueLine(std::string_view line, Value& out) {
    const std::vector<std::string_view> f = SplitFields(line);
    std::string name, text;
    if (f[0] == "sz" && (f.size() == 3 || f.size() == 2) && DecodeField(f[1], name) &&
        (f.size() == 2 || DecodeField(f[2], text))) {
        // A trailing empty text may have lost its separator to an editor.
        out = Value{std::move(name), SettingType::Text, std::move(text), 0};
        return true;
    }
    if (f[0] == "dword" && f.size() == 3 && DecodeField(f[1], name)) {
        std::uint32_t number = 0;
        auto [end, ec] = std::from_chars(f[2].data(), f[2].data() + f[2].size(), number);
        if (ec == std::errc() && end == f[2].data() + f[2].size() && !f[2].empty()) {
            out = Value{std::move(name), SettingType::DWord, {}, number};
            return true;
        }
    }
    return false;
}

bool ParseKeyLine(std::string_view line, std::string& path) {
    const std::vector<std::string_view> f = SplitFields(line);
    return f.size() == 2 && f[0] == "key" && DecodeField(f[1], path) && IsKeyPath(path);
}

// Tried as written first: blanks can be fields of their own ("sz  " is the
// empty default value); then without the blanks an editor added around it.
template <typename T>
bool ParseLenient(std::string_view line, T& out, bool (*parse)(std::string_view, T&)) {
    if (parse(line, out))
        return true;
    const std::string_view trimmed = Trimmed(line);
    return trimmed.size() != line.size() && parse(trimmed, out);
}

// A kept line is written so that it reads back as it was: one that ends in CR
// (it came with CR CR LF) gets a CR LF end, else the next read would take its
// CR for the line end and a line of a lone CR would vanish as blank.
void AppendKeptLine(std::string& out, std::string_view line) {
    out.append(line);
    if (line.ends_with('\r'))
        out.push_back('\r');
    out.push_back('\n');
}

bool LooksLikeKeyLine(std::string_view line) {
    const std::string_view t = Trimmed(line);
    return t == "key" || t.starts_with("key ");
}

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

std::string ReadAll(int fd, const std::string& file) {
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Fail("Cannot read the settings store", file, errno);
        if (n == 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

void WriteAtomically(const std::string& file, const std::string& bytes) {
    std::string temp = file + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
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
    UniqueFd dir(::open(ParentDirectory(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        (void)::fsync(dir.get());
}

// The exclusive lock of every writer; held while the returned descriptor lives.
UniqueFd LockStore(const std::string& file) {
    const std::string dir = ParentDirectory(file);
    if (!CreateDirectoryChain(dir))
        Fail("Cannot create the folder", dir, errno);
    const std::string lock_path = file + ".lock";
    UniqueFd lock(::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0)
        Fail("Cannot open", lock_path, errno);
    int rc;
    while ((rc = ::flock(lock.get(), LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (rc != 0)
        Fail("Cannot lock", lock_path, errno);
    return lock;
}

// What tells a changed file from the one parsed last. The file is replaced,
// not rewritten, so its inode number tells most; size and times catch an edit
// in place.
struct FileIdentity {
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    timespec mtime{};
    timespec ctime{};

    explicit FileIdentity(const struct stat& st)
        : dev(st.st_dev), ino(st.st_ino), size(st.st_size), mtime(st.st_mtim), ctime(st.st_ctim) {}
    bool operator==(const FileIdentity& o) const {
        return dev == o.dev && ino == o.ino && size == o.size && mtime.tv_sec == o.mtime.tv_sec &&
               mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
               ctime.tv_nsec == o.ctime.tv_nsec;
    }
};

// The last file parsed. Its descriptor stays open so that the inode, and with
// it the inode number, cannot be reused by a later file while it is cached.
struct Parsed {
    std::string file;
    std::optional<FileIdentity> identity;
    std::shared_ptr<UniqueFd> pin;
    std::shared_ptr<const Content> content;
};

std::mutex g_parsed_mutex;
Parsed g_parsed;  // guarded by g_parsed_mutex

std::shared_ptr<const Content> ParsedFor(const std::string& file, const FileIdentity& identity) {
    std::lock_guard lock(g_parsed_mutex);
    if (g_parsed.file == file && g_parsed.identity == identity)
        return g_parsed.content;
    return nullptr;
}

// Identity of an open file; nullopt when it cannot be had (then nothing is kept).
std::optional<FileIdentity> IdentityOf(const UniqueFd& fd) {
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0)
        return std::nullopt;
    return FileIdentity(st);
}

void Remember(const std::string& file, UniqueFd fd, const std::optional<FileIdentity>& identity,
              std::shared_ptr<const Content> content) {
    if (!identity)
        return;
    Parsed parsed{file, identity, std::make_shared<UniqueFd>(std::move(fd)), std::move(content)};
    std::lock_guard lock(g_parsed_mutex);
    std::swap(g_parsed, parsed);
    // The previous entry closes once the lock is released.
}

void Forget(const std::string& file) {
    Parsed old;
    std::lock_guard lock(g_parsed_mutex);
    if (g_parsed.file == file)
        std::swap(g_parsed, old);
}

std::shared_ptr<const Content> EmptyContent() {
    static const auto empty = std::make_shared<const Content>();
    return empty;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

// Moves a file that is not a store out of the way, under the writers' lock;
// the warning line to log.
std::string MoveAside(const std::string& file) {
    const LocalDateTime t = LocalNow();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    const std::string base = file + ".damaged-" + stamp;
    std::string target = base;
    for (int n = 2; Exists(target); ++n)
        target = base + "-" + std::to_string(n);
    if (::rename(file.c_str(), target.c_str()) != 0)
        Fail("Cannot move aside the damaged settings store", file, errno);
    Forget(file);
    return "Settings store not readable, moved aside: file=\"" + file + "\", moved_to=\"" + target +
           "\"";
}

// The file's content. A file that is not a store gives null without the lock
// (the caller takes it and asks again); with the lock it is moved aside and
// warning receives the line to log once the lock is released.
std::shared_ptr<const Content> LoadFile(const std::string& file, bool locked,
                                        std::string& warning) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        if (errno == ENOENT)
            return EmptyContent();
        Fail("Cannot open the settings store", file, errno);
    }
    if (std::shared_ptr<const Content> known = ParsedFor(file, FileIdentity(st)))
        return known;

    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return EmptyContent();
        Fail("Cannot open the settings store", file, errno);
    }
    // Taken before the read: a change made during it shows at the next call.
    const std::optional<FileIdentity> identity = IdentityOf(fd);
    const std::string text = ReadAll(fd.get(), file);
    std::optional<Content> parsed = Parse(text);
    if (!parsed) {
        if (!locked)
            return nullptr;
        warning = MoveAside(file);
        return EmptyContent();
    }
    auto content = std::make_shared<const Content>(std::move(*parsed));
    Remember(file, std::move(fd), identity, content);
    return content;
}

// Sends a warning once every lock of the store is released.
struct PendingWarning {
    std::string text;
    ~PendingWarning() {
        if (!text.empty())
            Warn(text);
    }
};

}  // namespace

void Warn(std::string_view message) noexcept {
    if (SettingsWarningSink sink = g_warning_sink.load())
        sink(message);
}

std::uint64_t ParsedLineCount() {
    return g_parsed_lines.load();
}

bool NamesEqual(std::string_view a, std::string_view b) {
    return EqualsIgnoringAsciiCase(a, b);
}

Key* Content::FindKey(std::string_view path) {
    auto it = by_path.find(LowerAsciiText(path));
    return it == by_path.end() ? nullptr : &keys[it->second];
}

const Key* Content::FindKey(std::string_view path) const {
    auto it = by_path.find(LowerAsciiText(path));
    return it == by_path.end() ? nullptr : &keys[it->second];
}

Key& Content::EnsureKey(std::string_view path) {
    std::size_t index = 0;
    for (std::size_t pos = 0;; ++pos) {
        pos = path.find('\\', pos);
        const std::string_view prefix = path.substr(0, pos);
        auto [it, added] = by_path.try_emplace(LowerAsciiText(prefix), keys.size());
        if (added)
            keys.push_back(Key{std::string(prefix), std::nullopt, {}, {}});
        index = it->second;
        if (pos == std::string_view::npos)
            return keys[index];
    }
}

Key& Content::AddLooseBlock(std::optional<std::string> head) {
    keys.push_back(Key{{}, std::move(head), {}, {}});
    return keys.back();
}

const Value* FindValue(const Key& key, std::string_view name) {
    auto it = key.by_name.find(LowerAsciiText(name));
    return it == key.by_name.end() ? nullptr : &key.entries[it->second].value;
}

void SetValue(Key& key, Value value) {
    auto [it, added] = key.by_name.try_emplace(LowerAsciiText(value.name), key.entries.size());
    if (added) {
        key.entries.push_back(Entry{std::move(value), std::nullopt});
        return;
    }
    Value& existing = key.entries[it->second].value;
    // Windows keeps the name as first written.
    value.name = std::move(existing.name);
    existing = std::move(value);
}

void KeepLine(Key& key, std::string_view line) {
    key.entries.push_back(Entry{{}, std::string(line)});
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

std::optional<Content> Parse(std::string_view text) {
    Content content;
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return content;  // an empty file is an empty store

    std::uint64_t lines = 0;
    bool header = false;
    std::optional<std::size_t> block;  // where the lines below go; none before the first key
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t eol = text.find('\n', start);
        if (eol == std::string_view::npos)
            eol = text.size();
        std::string_view line = text.substr(start, eol - start);
        start = eol + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        ++lines;
        if (Trimmed(line).empty())
            continue;  // blank lines carry nothing
        if (!header) {
            if (Trimmed(line) != kHeader)
                return std::nullopt;
            header = true;
            continue;
        }

        std::string path;
        Value value;
        if (ParseLenient(line, path, &ParseKeyLine)) {
            // Keys above it that lost their own line still exist, as they do
            // in the registry.
            Key& key = content.EnsureKey(path);
            block = static_cast<std::size_t>(&key - content.keys.data());
        } else if (LooksLikeKeyLine(line)) {
            // The values under a damaged key line belong to no key rather than
            // to the one before it; all of them are written back as they are.
            content.AddLooseBlock(std::string(line));
            block = content.keys.size() - 1;
        } else {
            if (!block) {
                content.AddLooseBlock(std::nullopt);
                block = content.keys.size() - 1;
            }
            Key& key = content.keys[*block];
            if (!key.path.empty() && ParseLenient(line, value, &ParseValueLine)) {
                SetValue(key, std::move(value));
            } else {
                KeepLine(key, line);
            }
        }
    }
    g_parsed_lines.fetch_add(lines);
    return content;
}

std::string Serialize(const Content& content) {
    std::string out(kHeader);
    out.push_back('\n');
    for (const Key& key : content.keys) {
        if (!key.path.empty()) {
            out.append("key ").append(EncodeField(key.path)).push_back('\n');
        } else if (key.kept_head) {
            AppendKeptLine(out, *key.kept_head);
        }
        for (const Entry& entry : key.entries) {
            if (entry.kept_line) {
                AppendKeptLine(out, *entry.kept_line);
                continue;
            }
            if (entry.value.type == SettingType::Text) {
                out.append("sz ")
                    .append(EncodeField(entry.value.name))
                    .append(" ")
                    .append(EncodeField(entry.value.text));
            } else {
                out.append("dword ")
                    .append(EncodeField(entry.value.name))
                    .append(" ")
                    .append(std::to_string(entry.value.dword));
            }
            out.push_back('\n');
        }
    }
    return out;
}

std::shared_ptr<const Content> Load(const std::string& file) {
    std::string warning;
    if (std::shared_ptr<const Content> content = LoadFile(file, false, warning))
        return content;
    // Not a store: moved aside under the writers' lock, unless another
    // process has done so meanwhile.
    PendingWarning pending;
    UniqueFd lock = LockStore(file);
    return LoadFile(file, true, pending.text);
}

void Update(const std::string& file, const std::function<void(Content&)>& change) {
    PendingWarning pending;
    UniqueFd lock = LockStore(file);
    // Read again under the lock, so another process's values are kept.
    Content content = *LoadFile(file, true, pending.text);
    change(content);
    WriteAtomically(file, Serialize(content));
    // Under the lock the new file is ours: what it holds is known without
    // parsing it again.
    UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    const std::optional<FileIdentity> identity = IdentityOf(fd);
    Remember(file, std::move(fd), identity, std::make_shared<const Content>(std::move(content)));
    // Closing the lock descriptor releases the lock; the warning goes after.
}

}  // namespace kestrow::platform::settings_file
