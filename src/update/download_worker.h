#pragma once
// One of the run's two download workers: claims items of ListWithUpdate in
// list order, downloads each file's archive beside its target over its own
// kept-alive connection and queues it for unpacking. Ends when the queue is
// empty, on a stop request (between files) or after its first failed file.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "net/http_client.h"

namespace kestrow::update {

class ThreadForDownLoad;

class TDownloadWorker {
  public:
    TDownloadWorker(ThreadForDownLoad& AOwner, std::int32_t AWorkerId);
    ~TDownloadWorker();  // waits for the thread
    TDownloadWorker(const TDownloadWorker&) = delete;
    TDownloadWorker& operator=(const TDownloadWorker&) = delete;

    void Start();
    void WaitFor();
    void Terminate() { terminated_.store(true); }

    // Readable once the thread has ended (WaitFor).
    bool HasError = false;
    std::string ErrorMessage;

  private:
    void Execute();
    void CreateWorkerHttp();
    bool TakeNextItem(std::string& item, std::int32_t& index);
    void DownloadItem(const std::string& item, std::int32_t index);
    void SetWorkerStatus(const std::string& text);
    void SetWorkerProgress(std::int64_t max, std::int64_t position);
    void WorkerWorkBegin(std::int64_t max);
    void WorkerWork(std::int64_t count);
    void WorkerWorkEnd();

    ThreadForDownLoad& FOwner;
    const std::int32_t FWorkerId;
    std::unique_ptr<net::HttpClient> FHTTP;
    std::atomic<bool> terminated_{false};
    std::jthread thread_;
};

// Every '\' becomes '/' and every space "%20"; nothing else is escaped.
std::string EncodeUrl(std::string text);

// The file part of a name after its last separator ('/' counts as '\').
std::string BareFileName(const std::string& name);

// The status line from both workers' slots (a file name or the idle
// marker); nullopt for an unknown language where a single name or none is
// busy, so the line keeps its text.
std::optional<std::string> ComposeWorkerStatus(const std::string& s1, const std::string& s2,
                                               int language);

// MiB per second with two decimals and the regional decimal separator.
std::string FormatSpeedMbs(std::int64_t bytes, std::int64_t elapsed_ms);

}  // namespace kestrow::update
