#pragma once
// A file stream over an OS handle, the base of the buffered stream.
//
// Share modes are part of the interface because the Windows side passes them
// to CreateFileW. POSIX has no share modes: the flags are accepted and
// ignored there, so another process can always open the same file.

#include <cstdint>
#include <string>

namespace kestrow::platform {

enum class OpenMode {
    Read,          // existing file, read only
    ReadWrite,     // existing file, read and write
    OpenOrCreate,  // read and write; created when missing, never truncated
    Create,        // created anew or truncated; read and write
};

enum class ShareMode {
    Exclusive,  // fmShareExclusive
    DenyWrite,  // fmShareDenyWrite: others may read
    DenyNone,   // fmShareDenyNone: others may read and write
};

enum class SeekOrigin { Begin, Current, End };

enum class AccessHint { Normal, Sequential };

class FileStream {
  public:
    // Throws EFOpenError (open modes) or EFCreateError (Create) with the system's text.
    FileStream(const std::string& path, OpenMode mode, ShareMode share);
    virtual ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Read moves up to count bytes, fewer only at the end of the file; other
    // errors raise EReadError. Write moves all count bytes or raises
    // EWriteError with the system's text (a full disk, a file size limit):
    // a short write never passes for a complete one.
    virtual std::int64_t Read(void* buffer, std::int64_t count);
    virtual std::int64_t Write(const void* buffer, std::int64_t count);
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin);

    // Reads exactly count bytes or raises EReadError ("Stream read error").
    void ReadBuffer(void* buffer, std::int64_t count);

    std::int64_t Size() const;
    const std::string& Path() const { return path_; }
    void Advise(AccessHint hint);
    int NativeHandle() const { return fd_; }

  protected:
    std::int64_t RawRead(void* buffer, std::int64_t count);
    // All count bytes, or EWriteError.
    std::int64_t RawWrite(const void* buffer, std::int64_t count);
    std::int64_t RawSeek(std::int64_t offset, SeekOrigin origin);

  private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace kestrow::platform
