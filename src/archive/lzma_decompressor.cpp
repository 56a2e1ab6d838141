#include "archive/lzma_decompressor.h"

#include <lzma.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "archive/buffered_fs.h"
#include "platform/error.h"
#include "platform/files.h"

namespace kestrow::archive {
namespace {

constexpr std::int64_t kInputChunk = 1 << 17;
// Whole chunks bypass the stream's buffer.
constexpr std::size_t kOutputChunk = 1 << 21;
constexpr std::uint32_t kMinWindow = 4096;

[[noreturn]] void Fail(const char* message) {
    throw platform::Error(message);
}
[[noreturn]] void OutOfMemory() {
    throw platform::EOutOfMemory("Out of memory");
}

using Header = LzmaHeader;

class Decoder {
  public:
    Decoder() = default;
    ~Decoder() { lzma_end(&stream_); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    lzma_stream* operator->() { return &stream_; }
    lzma_stream* get() { return &stream_; }

  private:
    lzma_stream stream_ = LZMA_STREAM_INIT;
};

Header ReadHeader(TBufferedFS& in) {
    unsigned char props[kLzmaPropertiesSize];
    if (in.Read(props, kLzmaPropertiesSize) < static_cast<std::int64_t>(kLzmaPropertiesSize))
        Fail("input .lzma file is too short");
    Header h;
    if (!ParseLzmaProperties(props, h))
        Fail("Incorrect stream properties");
    unsigned char size[kLzmaHeaderSize - kLzmaPropertiesSize];
    for (unsigned char& b : size) {
        if (in.Read(&b, 1) != 1)
            Fail("Can't read stream size");
    }
    h.size = ParseLzmaSize(size);
    return h;
}

// Output never reaches back further than what was produced, so a known size
// bounds the window no matter what dictionary the header declares.
std::uint32_t WindowSize(const Header& h) {
    std::uint64_t window = h.dictionary;
    if (h.size)
        window = std::min(window, *h.size);
    window = std::max<std::uint64_t>(window, kMinWindow);
    if (window > kMaxLZMAWindow)
        OutOfMemory();
    return static_cast<std::uint32_t>(window);
}

void InitDecoder(Decoder& decoder, const Header& h) {
    // liblzma cannot decode lc + lp above 4, which the header format allows:
    // such data count as undecodable.
    if (h.lc + h.lp > LZMA_LCLP_MAX)
        Fail("Error in data stream");
    lzma_options_lzma options{};
    options.dict_size = WindowSize(h);
    options.lc = h.lc;
    options.lp = h.lp;
    options.pb = h.pb;
    // Plain LZMA1 decodes as if the size were unknown: an end marker anywhere
    // ends the data with success, and the declared size is enforced below by
    // never asking for more output than that.
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    const lzma_ret ret = lzma_raw_decoder(decoder.get(), filters);
    if (ret == LZMA_MEM_ERROR)
        OutOfMemory();
    if (ret != LZMA_OK)
        Fail("Error in data stream");
}

// Fails before anything is written when the header already breaks the cap.
void CheckDeclaredSize(const Header& h, std::int64_t max_output) {
    if (max_output >= 0 && h.size && *h.size > static_cast<std::uint64_t>(max_output)) {
        throw platform::Error("Unpacked size exceeds the expected size: declared=" +
                              std::to_string(*h.size) + ", expected=" + std::to_string(max_output));
    }
}

// The old target stays until the new file is complete, so the whole output
// needs room beside it.
void CheckDiskSpace(const Header& h, std::int64_t max_output, const std::string& part,
                    const std::string& target) {
    const std::int64_t need = h.size ? static_cast<std::int64_t>(*h.size) : max_output;
    if (need <= 0)
        return;
    const std::int64_t free = platform::FreeDiskSpace(part);
    if (free >= 0 && need > free) {
        throw platform::Error("Not enough disk space: need=" + std::to_string(need) +
                              " bytes, free=" + std::to_string(free) + " bytes, target=\"" +
                              target + "\"");
    }
}

void Decode(TBufferedFS& in, TBufferedFS& out, const Header& h, std::int64_t max_output,
            const std::atomic<bool>* cancel) {
    Decoder decoder;
    InitDecoder(decoder, h);
    // Without a known size, a cap lets the decoder produce one byte more than
    // allowed: that byte is how passing the cap shows.
    const bool capped = !h.size && max_output >= 0;
    std::uint64_t remaining = h.size   ? *h.size
                              : capped ? static_cast<std::uint64_t>(max_output) + 1
                                       : UINT64_MAX;
    // Small archives (most of a client) get small buffers.
    const auto in_size =
        static_cast<std::size_t>(std::clamp<std::int64_t>(in.Size(), 1, kInputChunk));
    const auto out_size =
        static_cast<std::size_t>(std::clamp<std::uint64_t>(remaining, 1, kOutputChunk));
    std::unique_ptr<std::uint8_t[]> in_buf, out_buf;
    try {
        in_buf = std::make_unique_for_overwrite<std::uint8_t[]>(in_size);
        out_buf = std::make_unique_for_overwrite<std::uint8_t[]>(out_size);
    } catch (const std::bad_alloc&) {
        OutOfMemory();
    }

    bool input_done = false;
    auto reset_output = [&] {
        decoder->next_out = out_buf.get();
        decoder->avail_out =
            static_cast<std::size_t>(std::min<std::uint64_t>(kOutputChunk, remaining));
    };
    auto write_output = [&] {
        const auto produced = static_cast<std::int64_t>(decoder->next_out - out_buf.get());
        remaining -= static_cast<std::uint64_t>(produced);
        if (capped && remaining == 0) {
            throw platform::Error("Unpacked data exceed the expected size: expected=" +
                                  std::to_string(max_output));
        }
        if (produced > 0)
            out.Write(out_buf.get(), produced);
    };
    reset_output();
    while (remaining > 0) {
        if (cancel && cancel->load(std::memory_order_relaxed))
            throw platform::Error("Unpacking cancelled");
        if (decoder->avail_in == 0 && !input_done) {
            const std::int64_t got = in.Read(in_buf.get(), static_cast<std::int64_t>(in_size));
            input_done = got == 0;
            decoder->next_in = in_buf.get();
            decoder->avail_in = static_cast<std::size_t>(got);
        }
        const lzma_ret ret = lzma_code(decoder.get(), input_done ? LZMA_FINISH : LZMA_RUN);
        if (ret == LZMA_STREAM_END) {
            write_output();
            return;
        }
        if (ret == LZMA_MEM_ERROR)
            OutOfMemory();
        if (ret != LZMA_OK)
            Fail("Error in data stream");
        if (decoder->avail_out == 0) {
            write_output();
            reset_output();
        } else if (input_done && decoder->avail_in == 0) {
            // The data end before the declared size or the end marker.
            Fail("Error in data stream");
        }
    }
}

}  // namespace

bool ParseLzmaProperties(const unsigned char* bytes, LzmaHeader& header) {
    const unsigned d = bytes[0];
    header.dictionary =
        static_cast<std::uint32_t>(bytes[1]) | static_cast<std::uint32_t>(bytes[2]) << 8 |
        static_cast<std::uint32_t>(bytes[3]) << 16 | static_cast<std::uint32_t>(bytes[4]) << 24;
    if (d > 224 || header.dictionary >= 0x80000000u)
        return false;
    header.lc = d % 9;
    header.lp = (d / 9) % 5;
    header.pb = d / 45;
    return true;
}

std::optional<std::uint64_t> ParseLzmaSize(const unsigned char* bytes) {
    std::uint64_t size = 0;
    for (int i = 0; i < 8; ++i)
        size |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    if (static_cast<std::int64_t>(size) < 0)
        return std::nullopt;
    return size;
}

void DecompressLZMAFile(const std::string& InFile, const std::string& OutFile,
                        std::int64_t MaxOutputSize, const std::atomic<bool>* Cancel) {
    auto in = std::make_unique<TBufferedFS>(InFile, platform::OpenMode::Read,
                                            platform::ShareMode::DenyNone);
    // Refused like a failed create would be: the input closes again and
    // nothing is deleted.
    platform::CheckReplaceable(OutFile);
    const std::string part = OutFile + kUnpackTempSuffix;
    (void)platform::DeleteFile(part);  // left by a process that died while unpacking
    auto out = std::make_unique<TBufferedFS>(part, platform::OpenMode::Create,
                                             platform::ShareMode::Exclusive);
    try {
        in->Advise(platform::AccessHint::Sequential);
        const Header header = ReadHeader(*in);
        CheckDeclaredSize(header, MaxOutputSize);
        CheckDiskSpace(header, MaxOutputSize, part, OutFile);
        Decode(*in, *out, header, MaxOutputSize, Cancel);
        out->Flush();
        out.reset();
        platform::ReplaceFile(part, OutFile);
    } catch (...) {
        out.reset();
        (void)platform::DeleteFile(part);
        in.reset();
        (void)platform::DeleteFile(InFile);
        throw;
    }
    in.reset();
    (void)platform::DeleteFile(InFile);
}

}  // namespace kestrow::archive
