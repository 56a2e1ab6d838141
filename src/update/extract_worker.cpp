#include "update/extract_worker.h"

#include <algorithm>
#include <exception>
#include <optional>

#include "platform/error.h"
#include "update/item_fields.h"
#include "update/thread_for_download.h"

namespace kestrow::update {

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

TExtractWorker::TExtractWorker(ThreadForDownLoad& AOwner, int AThreadCount)
    : FOwner(AOwner), thread_count_(std::clamp(AThreadCount, 1, kMaxExtractThreads)) {}

TExtractWorker::~TExtractWorker() {
    // An update phase left by an error never calls Finish: without these the
    // threads would wait for their event for ever.
    Terminate();
    Finish();
    WaitFor();
}

void TExtractWorker::Start() {
    threads_.reserve(static_cast<std::size_t>(thread_count_));
    for (int i = 0; i < thread_count_; ++i) {
        threads_.push_back(FOwner.StartWorkerThread([this] { Execute(); }));
    }
}

void TExtractWorker::WaitFor() {
    for (std::jthread& thread : threads_) {
        if (thread.joinable()) {
            thread.join();
        }
    }
}

void TExtractWorker::Terminate() {
    terminated_.store(true);
}

void TExtractWorker::Enqueue(const std::string& OldFileName, const std::string& NewFileName,
                             std::int64_t ExpectedUnpackedSize) {
    std::string line = OldFileName;
    line += kItemSeparator;
    line += NewFileName;
    line += kItemSeparator;
    line += std::to_string(ExpectedUnpackedSize);
    {
        const std::lock_guard lock(FCriticalSection);
        FQueue.push_back(std::move(line));
        FEvent = true;
    }
    event_cv_.notify_all();
}

void TExtractWorker::Finish() {
    {
        const std::lock_guard lock(FCriticalSection);
        FFinished = true;
        FEvent = true;
    }
    event_cv_.notify_all();
}

std::int32_t TExtractWorker::PendingCount() {
    const std::lock_guard lock(FCriticalSection);
    return static_cast<std::int32_t>(FQueue.size());
}

bool TExtractWorker::Failed() {
    const std::lock_guard lock(FCriticalSection);
    return HasError;
}

void TExtractWorker::Execute() {
    FOwner.WriteLog(LogLevel::Info, "Extract worker started");
    bool failed_here = false;
    while (!terminated_.load()) {
        {
            std::unique_lock lock(FCriticalSection);
            // A thread that finds the queue empty resets the event before
            // the others wake up; the finish and a failure stay visible.
            event_cv_.wait(lock, [this] { return FEvent || FFinished || HasError; });
        }
        // Once any thread failed, the others take no further job.
        while (!terminated_.load() && !Failed()) {
            std::optional<std::string> line;
            {
                const std::lock_guard lock(FCriticalSection);
                if (FQueue.empty()) {
                    FEvent = false;  // reset only here, with the queue seen empty
                } else {
                    line = std::move(FQueue.front());
                    FQueue.pop_front();
                }
            }
            if (!line) {
                break;
            }
            try {
                // Fields are taken whole: a name never holds the separator.
                const std::size_t first = line->find(kItemSeparator);
                const std::size_t second = first == std::string::npos
                                               ? std::string::npos
                                               : line->find(kItemSeparator, first + 1);
                const std::string archive = line->substr(0, first);
                const std::string target = first == std::string::npos
                                               ? std::string()
                                               : line->substr(first + 1, second - first - 1);
                const std::int64_t expected =
                    second == std::string::npos ? -1 : ParseSizeText(line->substr(second + 1));
                const std::int32_t dequeued = ++FOwner.PipelineDequeuedCount;
                FOwner.WriteLog(LogLevel::Info,
                                "Extract dequeue: file=" + Quoted(archive) +
                                    ", target=" + Quoted(target) +
                                    ", pending_after_dequeue=" + std::to_string(PendingCount()) +
                                    ", dequeued_count=" + std::to_string(dequeued));
                FOwner.ExtractArchive(archive, target, expected);
                ++FOwner.PipelineCompletedCount;
            } catch (...) {
                const std::exception_ptr error = std::current_exception();
                failed_here = true;
                {
                    const std::lock_guard lock(FCriticalSection);
                    if (!HasError) {
                        HasError = true;
                        ErrorMessage = platform::ExceptionText(error);
                    }
                }
                event_cv_.notify_all();
                FOwner.WriteException("Extract worker failed", error);
                break;
            }
        }
        bool done = false;
        {
            const std::lock_guard lock(FCriticalSection);
            done = (FFinished && FQueue.empty()) || HasError;
        }
        if (done) {
            break;
        }
    }
    FOwner.WriteLog(LogLevel::Info, std::string("Extract worker finished: has_error=") +
                                        (failed_here ? "True" : "False") +
                                        ", pending=" + std::to_string(PendingCount()));
}

}  // namespace kestrow::update
