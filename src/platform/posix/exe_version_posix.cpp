#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/exe_version.h"
#include "platform/exe_version_reader.h"

namespace kestrow::platform {
namespace {

class FdSource : public ByteSource {
  public:
    explicit FdSource(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat st {};
        if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISREG(st.st_mode)) {
            size_ = static_cast<std::uint64_t>(st.st_size);
        }
    }
    ~FdSource() override {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    FdSource(const FdSource&) = delete;
    FdSource& operator=(const FdSource&) = delete;

    bool Ok() const { return fd_ >= 0 && size_ > 0; }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
        if (offset > size_ || n > size_ - offset) {
            return false;
        }
        auto* out = static_cast<char*>(buffer);
        while (n > 0) {
            const ssize_t got = ::pread(fd_, out, n, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            out += got;
            offset += static_cast<std::uint64_t>(got);
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }

  private:
    int fd_;
    std::uint64_t size_ = 0;
};

}  // namespace

bool GetFileVersion(const std::string& FileName, VsFixedFileInfo& info) {
    info = VsFixedFileInfo{};
    FdSource source(FileName);
    if (!source.Ok()) {
        return false;
    }
    VsFixedFileInfo found{};
    if (ReadPeFixedFileInfo(source, found) || ReadElfFixedFileInfo(source, found)) {
        info = found;
        return true;
    }
    return false;
}

}  // namespace kestrow::platform
