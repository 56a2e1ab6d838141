#pragma once
// A file stream with a 64 KiB buffer inside the object. It turns the decoder's
// many small reads and writes into 64 KiB file operations; blocks of 64 KiB
// and more pass straight through.
//
// A stream is meant to be used in one direction; switching still keeps the
// logical position (unread buffered bytes are given back to the file).

#include <array>
#include <cstdint>
#include <string>

#include "platform/file_stream.h"

namespace kestrow::archive {

enum class TBFSMode { BFMRead, BFMWrite };

class TBufferedFS : public platform::FileStream {
  public:
    static constexpr std::int32_t kBufferSize = 65536;

    // Raises the platform's open or create error.
    TBufferedFS(const std::string& FileName, platform::OpenMode mode, platform::ShareMode share);
    // Writes out pending bytes as far as it can: a destructor cannot report a
    // failure, so a writer that needs its bytes on disk calls Flush first.
    ~TBufferedFS() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Takes all count bytes or raises EWriteError.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, platform::SeekOrigin origin) override;

    // Writes out pending bytes; raises EWriteError when the file system does
    // not take them all.
    void Flush();

  protected:
    // Writes pending bytes and empties the buffer. The buffer is emptied even
    // when the write raises, so nothing is written twice.
    void FlushBuffer();

    std::array<unsigned char, kBufferSize> membuffer;
    // Reading: unread bytes left. Writing: bytes waiting (same as bufferpos).
    std::int32_t bytesinbuffer = 0;
    // Reading: bytes already handed out. Writing: bytes waiting.
    std::int32_t bufferpos = 0;
    bool bufferdirty = false;
    TBFSMode Mode = TBFSMode::BFMWrite;
};

}  // namespace kestrow::archive
