#include "app/publish/lzma_encoder.h"

#include <fcntl.h>
#include <lzma.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "app/publish/source_tree.h"
#include "archive/crc32.h"
#include "platform/error.h"

namespace kestrow::publish {
namespace {

constexpr std::size_t kChunk = 1 << 20;

class Fd {
  public:
    Fd(const std::filesystem::path& path, int flags) : path_(path) {
        fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            throw PublishError("cannot open \"" + path.string() +
                               "\": " + platform::SystemErrorMessage(errno));
        }
    }
    ~Fd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    std::size_t Read(unsigned char* buffer, std::size_t n) {
        std::size_t done = 0;
        while (done < n) {
            const ssize_t got = ::read(fd_, buffer + done, n - done);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                throw PublishError("cannot read \"" + path_.string() +
                                   "\": " + platform::SystemErrorMessage(errno));
            }
            if (got == 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

    void Write(const unsigned char* buffer, std::size_t n) {
        while (n > 0) {
            const ssize_t put = ::write(fd_, buffer, n);
            if (put < 0 && errno == EINTR) {
                continue;
            }
            if (put <= 0) {
                throw PublishError("cannot write \"" + path_.string() +
                                   "\": " + platform::SystemErrorMessage(errno));
            }
            buffer += put;
            n -= static_cast<std::size_t>(put);
        }
    }

    void Close() {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            throw PublishError("cannot write \"" + path_.string() +
                               "\": " + platform::SystemErrorMessage(errno));
        }
    }

    std::uint64_t Size() const {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) {
            throw PublishError("cannot query \"" + path_.string() +
                               "\": " + platform::SystemErrorMessage(errno));
        }
        return static_cast<std::uint64_t>(st.st_size);
    }

  private:
    std::filesystem::path path_;
    int fd_ = -1;
};

struct LzmaStream {
    lzma_stream strm = LZMA_STREAM_INIT;
    ~LzmaStream() { lzma_end(&strm); }
};

// Removes the partial archive unless the encoding got through.
struct PartFile {
    std::filesystem::path path;
    bool keep = false;
    ~PartFile() {
        if (!keep) {
            std::error_code ec;
            std::filesystem::remove(path, ec);
        }
    }
};

}  // namespace

EncodedFile EncodeFileToLzma(const std::filesystem::path& source,
                             const std::filesystem::path& archive, const EncoderSettings& settings,
                             const std::function<void(std::uint64_t)>& on_bytes) {
    Fd in(source, O_RDONLY);
    const std::uint64_t size = in.Size();

    lzma_options_lzma opt{};
    if (lzma_lzma_preset(&opt, settings.preset | (settings.extreme ? LZMA_PRESET_EXTREME : 0))) {
        throw PublishError("unsupported LZMA preset " + std::to_string(settings.preset));
    }
    // Without the end marker the header's size is what ends the data, the
    // classic layout every .lzma reader accepts.
    opt.ext_flags = 0;
    lzma_set_ext_size(opt, size);
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1EXT, &opt}, {LZMA_VLI_UNKNOWN, nullptr}};
    LzmaStream stream;
    if (lzma_raw_encoder(&stream.strm, filters) != LZMA_OK) {
        throw PublishError("cannot start the LZMA encoder (out of memory?)");
    }

    PartFile part{archive.string() + ".part"};
    Fd out(part.path, O_WRONLY | O_CREAT | O_TRUNC);
    unsigned char header[13];
    header[0] = static_cast<unsigned char>((opt.pb * 5 + opt.lp) * 9 + opt.lc);
    for (int i = 0; i < 4; ++i) {
        header[1 + i] = static_cast<unsigned char>(opt.dict_size >> (8 * i));
    }
    for (int i = 0; i < 8; ++i) {
        header[5 + i] = static_cast<unsigned char>(size >> (8 * i));
    }
    out.Write(header, sizeof(header));

    std::vector<unsigned char> in_buf(kChunk);
    std::vector<unsigned char> out_buf(kChunk);
    std::uint32_t reg = 0xFFFFFFFFu;
    std::uint64_t consumed = 0;
    std::uint64_t written = sizeof(header);
    lzma_action action = LZMA_RUN;
    stream.strm.next_out = out_buf.data();
    stream.strm.avail_out = out_buf.size();
    for (;;) {
        if (stream.strm.avail_in == 0 && action == LZMA_RUN) {
            const std::size_t got = in.Read(in_buf.data(), in_buf.size());
            reg = archive::UpdateCRC32(reg, in_buf.data(), got);
            consumed += got;
            if (consumed > size) {
                throw PublishError("\"" + source.string() + "\" grew while it was read");
            }
            stream.strm.next_in = in_buf.data();
            stream.strm.avail_in = got;
            if (got < in_buf.size()) {
                action = LZMA_FINISH;
            }
            if (on_bytes && got > 0) {
                on_bytes(got);
            }
        }
        if (action == LZMA_FINISH && consumed != size) {
            throw PublishError("\"" + source.string() + "\" shrank while it was read");
        }
        const lzma_ret ret = lzma_code(&stream.strm, action);
        if (stream.strm.avail_out == 0 || ret == LZMA_STREAM_END) {
            const std::size_t n = out_buf.size() - stream.strm.avail_out;
            out.Write(out_buf.data(), n);
            written += n;
            stream.strm.next_out = out_buf.data();
            stream.strm.avail_out = out_buf.size();
        }
        if (ret == LZMA_STREAM_END) {
            break;
        }
        if (ret != LZMA_OK) {
            throw PublishError("LZMA encoder failed on \"" + source.string() + "\" (code " +
                               std::to_string(static_cast<int>(ret)) + ")");
        }
    }
    out.Close();
    std::error_code ec;
    std::filesystem::rename(part.path, archive, ec);
    if (ec) {
        throw PublishError("cannot write \"" + archive.string() + "\": " + ec.message());
    }
    part.keep = true;
    return {reg ^ 0xFFFFFFFFu, size, written};
}

}  // namespace kestrow::publish
