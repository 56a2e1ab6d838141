#pragma once
// Compresses many files on a pool of threads, largest files first.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/publish/lzma_encoder.h"

namespace kestrow::publish {

// An earlier publish's archive of the same name and size.
struct ReuseCandidate {
    std::filesystem::path archive;
    std::uint32_t crc = 0;  // the earlier catalogue's
};

struct CompressJob {
    std::filesystem::path source;
    std::filesystem::path archive;
    std::uint64_t size = 0;  // expected, for the ordering
    EncodedFile result;      // filled in
    std::optional<ReuseCandidate> reuse{};
    // Filled in: the earlier archive was taken; or it was there but its
    // header did not fit the entry.
    bool reused = false;
    bool reuse_refused = false;
};

struct CompressCounters {
    std::atomic<std::uint64_t> bytes_done{0};
    std::atomic<std::uint32_t> files_done{0};
};

// Runs all jobs on `threads` threads (at least 1). A job with a reuse
// candidate whose header fits and whose source has the earlier CRC takes the
// earlier archive; every other job is compressed. The first failure stops the
// hand-out of further jobs and is rethrown after every thread has ended.
void CompressAll(std::vector<CompressJob>& jobs, unsigned threads, const EncoderSettings& settings,
                 CompressCounters& counters);

}  // namespace kestrow::publish
