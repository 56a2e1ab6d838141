#pragma once
// The run's extract workers: one first-in, first-out queue of archives that
// the download workers have finished, unpacked on threads of their own (one
// by default), so that unpacking overlaps the downloads.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrow::update {

class ThreadForDownLoad;

// The most threads one queue is unpacked with.
inline constexpr int kMaxExtractThreads = 16;

class TExtractWorker {
  public:
    // AThreadCount threads (1 to kMaxExtractThreads) take jobs from the queue,
    // each with its own decoder.
    explicit TExtractWorker(ThreadForDownLoad& AOwner, int AThreadCount = 1);
    ~TExtractWorker();  // waits for the threads
    TExtractWorker(const TExtractWorker&) = delete;
    TExtractWorker& operator=(const TExtractWorker&) = delete;

    void Start();
    void WaitFor();
    // Stop request: the jobs being unpacked are finished, queued ones are left.
    void Terminate();

    // Download workers: one job for a finished archive.
    void Enqueue(const std::string& OldFileName, const std::string& NewFileName,
                 std::int64_t ExpectedUnpackedSize);
    // The run, once, after the downloads: no more jobs will come.
    void Finish();
    std::int32_t PendingCount();
    int ThreadCount() const { return thread_count_; }

    // The first failed extraction of any thread. Readable once the threads
    // have ended (WaitFor).
    bool HasError = false;
    std::string ErrorMessage;

  private:
    void Execute();
    bool Failed();

    ThreadForDownLoad& FOwner;
    const int thread_count_;
    std::mutex FCriticalSection;  // guards FQueue, FFinished, the event and the error
    std::condition_variable event_cv_;
    bool FEvent = false;  // manual-reset event: set by Enqueue and Finish
    bool FFinished = false;
    std::deque<std::string> FQueue;  // ExtractJob lines, oldest first
    std::atomic<bool> terminated_{false};
    std::vector<std::jthread> threads_;
};

}  // namespace kestrow::update
