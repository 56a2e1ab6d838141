#include "update/file_probe.h"

#include <algorithm>
#include <chrono>

#include "archive/crc32.h"
#include "platform/files.h"

namespace kestrow::update {

FileProbe::FileProbe(std::vector<ProbeJob> jobs, const std::atomic<bool>& stop, int threads)
    : jobs_(std::move(jobs)), results_(jobs_.size()), ready_(jobs_.size(), 0), stop_(stop) {
    const int count = jobs_.empty() ? 0 : std::max(1, threads);
    active_ = count;
    for (int i = 0; i < count; ++i) {
        threads_.emplace_back([this](std::stop_token token) { Work(token); });
    }
}

FileProbe::~FileProbe() {
    for (auto& thread : threads_) {
        thread.request_stop();
    }
    threads_.clear();  // joins
}

namespace {

ProbeResult Probe(const ProbeJob& job) {
    ProbeResult result;
    result.exists = platform::FileExists(job.host_path);
    if (!result.exists) {
        return result;
    }
    if (job.expected_size >= 0) {
        result.local_size = platform::FileSize(job.host_path);
    }
    if (job.expected_size < 0 || result.local_size == job.expected_size) {
        const auto start = std::chrono::steady_clock::now();
        result.crc_computed = true;
        try {
            result.crc = archive::FileCRC32(job.host_path);
        } catch (...) {
            result.error = std::current_exception();
        }
        result.crc_ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
    }
    return result;
}

}  // namespace

void FileProbe::Work(std::stop_token token) {
    for (;;) {
        const std::size_t i =
            token.stop_requested() || stop_.load() ? jobs_.size() : next_.fetch_add(1);
        if (i >= jobs_.size()) {
            {
                const std::lock_guard lock(mutex_);
                --active_;
            }
            ready_cv_.notify_all();
            return;
        }
        ProbeResult result = Probe(jobs_[i]);
        {
            const std::lock_guard lock(mutex_);
            results_[i] = std::move(result);
            ready_[i] = 1;
        }
        ready_cv_.notify_all();
    }
}

const ProbeResult& FileProbe::Wait(std::size_t i) {
    {
        std::unique_lock lock(mutex_);
        ready_cv_.wait(lock, [&] { return ready_[i] != 0 || active_ == 0; });
        if (ready_[i] != 0) {
            return results_[i];
        }
    }
    // The helpers have stopped before taking this job: it is done here.
    ProbeResult result = Probe(jobs_[i]);
    const std::lock_guard lock(mutex_);
    results_[i] = std::move(result);
    ready_[i] = 1;
    return results_[i];
}

}  // namespace kestrow::update
