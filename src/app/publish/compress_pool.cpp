#include "app/publish/compress_pool.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <numeric>
#include <thread>

#include "app/publish/reuse.h"
#include "archive/crc32.h"
#include "platform/error.h"

namespace kestrow::publish {
namespace {

// The header first, since it costs one read; then the source's CRC.
bool TryReuse(CompressJob& job) {
    if (!ArchiveHeaderMatches(job.reuse->archive, job.size)) {
        job.reuse_refused = true;
        return false;
    }
    try {
        if (archive::FileCRC32(job.source.string()) != archive::CrcText(job.reuse->crc))
            return false;
    } catch (const platform::Error&) {
        return false;  // compressing it reports why it cannot be read
    }
    LinkOrCopyArchive(job.reuse->archive, job.archive);
    std::error_code ec;
    const std::uintmax_t archive_size = std::filesystem::file_size(job.archive, ec);
    job.result = {job.reuse->crc, job.size, ec ? 0 : static_cast<std::uint64_t>(archive_size)};
    job.reused = true;
    return true;
}

}  // namespace

void CompressAll(std::vector<CompressJob>& jobs, unsigned threads, const EncoderSettings& settings,
                 CompressCounters& counters) {
    std::vector<std::size_t> order(jobs.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return jobs[a].size > jobs[b].size; });

    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex error_mutex;
    std::exception_ptr first_error;

    auto work = [&] {
        for (;;) {
            if (failed.load()) {
                return;
            }
            const std::size_t k = next.fetch_add(1);
            if (k >= order.size()) {
                return;
            }
            CompressJob& job = jobs[order[k]];
            try {
                if (job.reuse && TryReuse(job)) {
                    counters.bytes_done += job.size;
                    ++counters.files_done;
                    continue;
                }
                job.result = EncodeFileToLzma(job.source, job.archive, settings,
                                              [&](std::uint64_t n) { counters.bytes_done += n; });
                ++counters.files_done;
            } catch (...) {
                std::lock_guard lock(error_mutex);
                if (!first_error) {
                    first_error = std::current_exception();
                }
                failed = true;
                return;
            }
        }
    };

    const unsigned count =
        std::max(1u, std::min<unsigned>(threads, std::max<std::size_t>(1, jobs.size())));
    {
        std::vector<std::jthread> pool;
        pool.reserve(count);
        for (unsigned i = 0; i < count; ++i) {
            pool.emplace_back(work);
        }
    }  // joined here
    if (first_error) {
        std::rethrow_exception(first_error);
    }
}

}  // namespace kestrow::publish
