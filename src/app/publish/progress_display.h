#pragma once
// A one-line progress display on stderr while archives are compressed:
// files done of total, megabytes read, throughput.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "app/publish/compress_pool.h"

namespace kestrow::publish {

class ProgressDisplay {
  public:
    // Draws only when enabled (the caller checks that stderr is a terminal).
    ProgressDisplay(const CompressCounters& counters, std::uint32_t total_files,
                    std::uint64_t total_bytes, bool enabled);
    ~ProgressDisplay();  // stops the ticker and ends the line
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  private:
    void Draw(bool final_line);

    const CompressCounters& counters_;
    std::uint32_t total_files_;
    std::uint64_t total_bytes_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::jthread ticker_;
};

}  // namespace kestrow::publish
