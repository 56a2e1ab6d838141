#pragma once
// The run's one extract worker: a first-in, first-out queue of archives that
// the download workers have finished, unpacked one at a time on a thread of
// its own, so that unpacking overlaps the downloads.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace kestrow::update {

class ThreadForDownLoad;

class TExtractWorker {
  public:
    explicit TExtractWorker(ThreadForDownLoad& AOwner);
    ~TExtractWorker();  // waits for the thread
    TExtractWorker(const TExtractWorker&) = delete;
    TExtractWorker& operator=(const TExtractWorker&) = delete;

    void Start();
    void WaitFor();
    // Stop request: the job being unpacked is finished, queued ones are left.
    void Terminate();

    // Download workers: one job for a finished archive.
    void Enqueue(const std::string& OldFileName, const std::string& NewFileName,
                 std::int64_t ExpectedUnpackedSize);
    // The run, once, after the downloads: no more jobs will come.
    void Finish();
    std::int32_t PendingCount();

    // Readable once the thread has ended (WaitFor).
    bool HasError = false;
    std::string ErrorMessage;

  private:
    void Execute();

    ThreadForDownLoad& FOwner;
    std::mutex FCriticalSection;  // guards FQueue, FFinished and the event
    std::condition_variable event_cv_;
    bool FEvent = false;  // manual-reset event: set by Enqueue and Finish
    bool FFinished = false;
    std::deque<std::string> FQueue;  // ExtractJob lines, oldest first
    std::atomic<bool> terminated_{false};
    std::jthread thread_;
};

}  // namespace kestrow::update
