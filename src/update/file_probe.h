#pragma once
// The read-only half of the comparison, run ahead of the scan loop on helper
// threads: does the file exist, what is its size, and (when the size leaves
// the question open) its CRC text. The scan loop takes the results in list
// order and makes every decision and change itself, so reading and
// checksumming of the next files overlap with the loop.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrow::update {

struct ProbeJob {
    std::string host_path;
    std::int64_t expected_size = -1;  // -1: no size, the CRC decides
};

struct ProbeResult {
    bool exists = false;
    std::int64_t local_size = -1;  // read only when expected_size >= 0
    bool crc_computed = false;
    std::string crc;
    std::int64_t crc_ms = 0;   // duration of the CRC computation
    std::exception_ptr error;  // a failed CRC, raised again by the scan
};

class FileProbe {
  public:
    // Starts the helper threads. Jobs are not started once stop is set.
    FileProbe(std::vector<ProbeJob> jobs, const std::atomic<bool>& stop, int threads);
    // Stops handing out jobs and joins the helpers (a CRC in progress ends first).
    ~FileProbe();
    FileProbe(const FileProbe&) = delete;
    FileProbe& operator=(const FileProbe&) = delete;

    // The result of job i; waits until it is there (and does it itself when
    // the helpers stopped before taking it). One caller thread.
    const ProbeResult& Wait(std::size_t i);

  private:
    void Work(std::stop_token token);

    std::vector<ProbeJob> jobs_;
    std::vector<ProbeResult> results_;
    std::vector<char> ready_;  // guarded by mutex_
    int active_ = 0;           // helpers still taking jobs; guarded by mutex_
    const std::atomic<bool>& stop_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable ready_cv_;
    std::vector<std::jthread> threads_;  // last: joined before the rest goes
};

}  // namespace kestrow::update
