#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/error.h"
#include "platform/file_stream.h"

namespace kestrow::platform {
namespace {

int OpenFlags(OpenMode mode) {
    switch (mode) {
        case OpenMode::Read:
            return O_RDONLY;
        case OpenMode::ReadWrite:
            return O_RDWR;
        case OpenMode::OpenOrCreate:
            return O_RDWR | O_CREAT;
        case OpenMode::Create:
            return O_RDWR | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}

}  // namespace

FileStream::FileStream(const std::string& path, OpenMode mode, ShareMode /*share: none on POSIX*/)
    : path_(path) {
    do {
        fd_ = ::open(path.c_str(), OpenFlags(mode) | O_CLOEXEC, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        const std::string reason = SystemErrorMessage(errno);
        if (mode == OpenMode::Create) {
            throw EFCreateError("Cannot create file \"" + path + "\". " + reason);
        }
        throw EFOpenError("Cannot open file \"" + path + "\". " + reason);
    }
    // A directory opens read-only on POSIX; it is not a file stream.
    struct stat st {};
    if (fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        const std::string reason = SystemErrorMessage(EISDIR);
        if (mode == OpenMode::Create) {
            throw EFCreateError("Cannot create file \"" + path + "\". " + reason);
        }
        throw EFOpenError("Cannot open file \"" + path + "\". " + reason);
    }
}

FileStream::~FileStream() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::int64_t FileStream::Read(void* buffer, std::int64_t count) {
    return RawRead(buffer, count);
}

std::int64_t FileStream::Write(const void* buffer, std::int64_t count) {
    return RawWrite(buffer, count);
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    return RawSeek(offset, origin);
}

void FileStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError("Stream read error");
}

std::int64_t FileStream::RawRead(void* buffer, std::int64_t count) {
    auto* out = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd_, out + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EReadError("Stream read error: " + SystemErrorMessage(errno));
        }
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

std::int64_t FileStream::RawWrite(const void* buffer, std::int64_t count) {
    auto* in = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        ssize_t n = ::write(fd_, in + done, static_cast<size_t>(count - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EWriteError("Stream write error: " + SystemErrorMessage(errno));
        }
        // A regular file that takes nothing without an error would loop for ever.
        if (n == 0)
            throw EWriteError("Stream write error: the file system took no bytes");
        done += n;
    }
    return done;
}

std::int64_t FileStream::RawSeek(std::int64_t offset, SeekOrigin origin) {
    int whence = origin == SeekOrigin::Begin     ? SEEK_SET
                 : origin == SeekOrigin::Current ? SEEK_CUR
                                                 : SEEK_END;
    off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (pos < 0)
        throw EStreamError("Seek error: " + SystemErrorMessage(errno));
    return static_cast<std::int64_t>(pos);
}

std::int64_t FileStream::Size() const {
    struct stat st {};
    if (fstat(fd_, &st) != 0)
        throw EStreamError("Stream size error: " + SystemErrorMessage(errno));
    return static_cast<std::int64_t>(st.st_size);
}

void FileStream::Advise(AccessHint hint) {
    (void)posix_fadvise(fd_, 0, 0,
                        hint == AccessHint::Sequential ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_NORMAL);
}

}  // namespace kestrow::platform
