#include "archive/buffered_fs.h"

#include <algorithm>
#include <cstring>


namespace kestrow::archive {

TBufferedFS::TBufferedFS(const std::string& FileName, platform::OpenMode mode,
                         platform::ShareMode share)
    : FileStream(FileName, mode, share) {}

TBufferedFS::~TBufferedFS() {
    try {
        Flush();
    } catch (...) {
        // Best effort only: callers that care have flushed already.
    }
}

void TBufferedFS::Flush() {
    if (Mode == TBFSMode::BFMWrite)
        FlushBuffer();
}

void TBufferedFS::FlushBuffer() {
    const bool dirty = bufferdirty;
    const std::int32_t pending = bufferpos;
    bufferdirty = false;
    bufferpos = 0;
    bytesinbuffer = 0;
    if (dirty)
        RawWrite(membuffer.data(), pending);
}

std::int64_t TBufferedFS::Read(void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    if (Mode == TBFSMode::BFMWrite) {
        FlushBuffer();
        Mode = TBFSMode::BFMRead;
    }
    auto* out = static_cast<unsigned char*>(buffer);
    if (bytesinbuffer >= count) {
        std::memcpy(out, membuffer.data() + bufferpos, static_cast<std::size_t>(count));
        bufferpos += static_cast<std::int32_t>(count);
        bytesinbuffer -= static_cast<std::int32_t>(count);
        return count;
    }
    const std::int64_t copied = bytesinbuffer;
    if (copied > 0) {
        std::memcpy(out, membuffer.data() + bufferpos, static_cast<std::size_t>(copied));
    }
    bufferpos = 0;
    bytesinbuffer = 0;
    const std::int64_t wanted = count - copied;
    if (wanted >= kBufferSize)
        return copied + RawRead(out + copied, wanted);

    bytesinbuffer = static_cast<std::int32_t>(RawRead(membuffer.data(), kBufferSize));
    const std::int32_t take = std::min(static_cast<std::int32_t>(wanted), bytesinbuffer);
    if (take > 0)
        std::memcpy(out + copied, membuffer.data(), static_cast<std::size_t>(take));
    bufferpos = take;
    bytesinbuffer -= take;
    return copied + take;
}

std::int64_t TBufferedFS::Write(const void* buffer, std::int64_t count) {
    if (Mode == TBFSMode::BFMRead) {
        // Hand unread bytes back to the file so that writing starts at the
        // logical position.
        if (bytesinbuffer > 0)
            RawSeek(-static_cast<std::int64_t>(bytesinbuffer), platform::SeekOrigin::Current);
        bufferpos = 0;
        bytesinbuffer = 0;
        Mode = TBFSMode::BFMWrite;
    }
    if (count <= 0)
        return 0;
    const auto* in = static_cast<const unsigned char*>(buffer);
    if (count <= kBufferSize - bufferpos) {
        std::memcpy(membuffer.data() + bufferpos, in, static_cast<std::size_t>(count));
        bufferpos += static_cast<std::int32_t>(count);
        bytesinbuffer = bufferpos;
        bufferdirty = true;
        return count;
    }
    std::int64_t taken = 0;
    if (bufferpos > 0) {
        const std::int32_t top = kBufferSize - bufferpos;
        std::memcpy(membuffer.data() + bufferpos, in, static_cast<std::size_t>(top));
        bufferpos = kBufferSize;
        bytesinbuffer = bufferpos;
        bufferdirty = true;
        taken = top;
    }
    FlushBuffer();
    const std::int64_t rest = count - taken;
    if (rest >= kBufferSize) {
        RawWrite(in + taken, rest);
        return count;
    }
    std::memcpy(membuffer.data(), in + taken, static_cast<std::size_t>(rest));
    bufferpos = static_cast<std::int32_t>(rest);
    bytesinbuffer = bufferpos;
    bufferdirty = rest > 0;
    return taken + rest;
}

std::int64_t TBufferedFS::Seek(std::int64_t offset, platform::SeekOrigin origin) {
    const bool reading = Mode == TBFSMode::BFMRead;
    if (origin == platform::SeekOrigin::Current && offset == 0) {
        const std::int64_t file_pos = RawSeek(0, platform::SeekOrigin::Current);
        // The file is ahead of the reader by the unread bytes, behind the
        // writer by the waiting ones.
        return reading ? file_pos - bytesinbuffer : file_pos + bufferpos;
    }
    if (reading) {
        if (origin == platform::SeekOrigin::Current)
            offset -= bytesinbuffer;
        bufferpos = 0;
        bytesinbuffer = 0;
    } else {
        FlushBuffer();
    }
    return RawSeek(offset, origin);
}

}  // namespace kestrow::archive
