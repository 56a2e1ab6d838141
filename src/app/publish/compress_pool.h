#pragma once
// Compresses many files on a pool of threads, largest files first.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "app/publish/lzma_encoder.h"

namespace kestrow::publish {

struct CompressJob {
    std::filesystem::path source;
    std::filesystem::path archive;
    std::uint64_t size = 0;  // expected, for the ordering
    EncodedFile result;      // filled in
};

struct CompressCounters {
    std::atomic<std::uint64_t> bytes_done{0};
    std::atomic<std::uint32_t> files_done{0};
};

// Runs all jobs on `threads` threads (at least 1). The first failure stops the
// hand-out of further jobs and is rethrown after every thread has ended.
void CompressAll(std::vector<CompressJob>& jobs, unsigned threads, const EncoderSettings& settings,
                 CompressCounters& counters);

}  // namespace kestrow::publish
