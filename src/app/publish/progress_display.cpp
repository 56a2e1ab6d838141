#include "app/publish/progress_display.h"

#include <cstdio>

namespace kestrow::publish {

ProgressDisplay::ProgressDisplay(const CompressCounters& counters, std::uint32_t total_files,
                                 std::uint64_t total_bytes, bool enabled)
    : counters_(counters),
      total_files_(total_files),
      total_bytes_(total_bytes),
      start_(std::chrono::steady_clock::now()) {
    if (!enabled) {
        return;
    }
    ticker_ = std::jthread([this](std::stop_token stop) {
        std::unique_lock lock(mutex_);
        while (!stop.stop_requested()) {
            wake_.wait_for(lock, stop, std::chrono::milliseconds(250), [] { return false; });
            Draw(stop.stop_requested());
        }
    });
}

ProgressDisplay::~ProgressDisplay() {
    if (ticker_.joinable()) {
        ticker_.request_stop();
        ticker_.join();
        std::fputc('\n', stderr);
    }
}

void ProgressDisplay::Draw(bool final_line) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    const double mb = static_cast<double>(counters_.bytes_done.load()) / 1e6;
    const double total_mb = static_cast<double>(total_bytes_) / 1e6;
    const double rate = seconds > 0 ? mb / seconds : 0.0;
    std::fprintf(stderr, "\r%u/%u files, %.1f/%.1f MB, %.1f MB/s%s", counters_.files_done.load(),
                 total_files_, mb, total_mb, rate, final_line ? "" : "   ");
    std::fflush(stderr);
}

}  // namespace kestrow::publish
