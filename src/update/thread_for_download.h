#pragma once
// One update run of the client directory: the catalogue client and the run's
// lists, the catalogue stage and the local comparison (CheckAllFiles), and the
// update phase (RunUpdatePipeline) with its two download workers and its
// extract worker. Execute is the whole run on the calling thread.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "net/http_client.h"
#include "update/item_fields.h"
#include "update/scan_summary.h"

namespace kestrow::update {

enum class LogLevel { Info, Warn, Error };

class TDownloadWorker;
class TExtractWorker;

// The idle marker of a download worker's status slot; never shown.
inline constexpr std::string_view kWorkerIdle = "ожидание";

class ThreadForDownLoad {
  public:
    // game_directory: the client directory every catalogue name is relative
    // to; empty means the working directory.
    explicit ThreadForDownLoad(std::string game_directory = {});
    virtual ~ThreadForDownLoad();
    ThreadForDownLoad(const ThreadForDownLoad&) = delete;
    ThreadForDownLoad& operator=(const ThreadForDownLoad&) = delete;

    // The thread body: locks the window, runs the catalogue stage, the scan
    // and the update phase, then the guarded closing steps. An error that
    // escapes the scan or the update phase leaves here (the caller's
    // termination handler still unlocks the window).
    void Execute();

    // The update phase on the lists CheckAllFiles left. Run thread.
    void RunUpdatePipeline();

    // Unpacks one archive of the client directory into its target and checks
    // the size (expected -1: no check). Extract worker's thread; raises on
    // failure after logging it.
    void ExtractArchive(const std::string& OldFileName, const std::string& NewFileName,
                        std::int64_t ExpectedUnpackedSize);

    // Starts the threads of the workers. Left empty they are started from the
    // calling thread; the run handle passes one that starts them at normal
    // priority while the run thread itself runs at the lowest.
    using ThreadStarter = std::function<std::jthread(std::function<void()>)>;
    void SetThreadStarter(ThreadStarter starter) { thread_starter_ = std::move(starter); }

    // Creates the catalogue client with the shared settings and the catalogue
    // progress handlers. Run thread.
    void ApplyHttpTuning();

    // Catalogue stage and local comparison. False when the catalogues failed
    // (or #044): the update phase must not start. Run thread. A checksum that
    // cannot be read raises out of here.
    bool CheckAllFiles();

    // The comparison loop over ListFiles alone (CheckAllFiles from the
    // progress step size on), filling ListWithUpdate, its reasons and the scan
    // figures.
    void ScanListFiles(ScanSummary& summary);

    // The catalogue stage and the comparison alone, on the calling thread,
    // changing nothing on disk: the read-only rule of "system\" queues its
    // file but leaves the attribute alone. The result of CheckAllFiles;
    // ListWithUpdate and ListWithUpdateReasons then hold what an update would
    // download and why. The window is neither locked nor given a final status.
    bool CompareFiles();

    // How many threads unpack the downloaded archives (1 to
    // kMaxExtractThreads; the launcher keeps 1). Set before the run starts.
    void SetExtractWorkerCount(int count);

    // Stop request: the flag the run and its workers look at between steps.
    // Any thread.
    void Terminate() { stop_requested_.store(true); }
    bool Terminated() const { return stop_requested_.load(); }
    // The window's cancel: the stop request, then the catalogue client's
    // transfer (if any) is cut. Any thread.
    void RequestStop();
    // The program is ending: the stop request, every transfer of the run cut
    // at once (partial archives go with them) and the unpacking in progress
    // stopped, its target left as it was. Any thread.
    void Abort();
    // Set by Abort; the unpacking in progress watches it.
    const std::atomic<bool>& AbortFlag() const { return aborted_; }

    // Which client of the run a set of HTTP settings is for.
    enum class HttpClientRole { Catalogue, DownloadWorker };
    // Changes the settings every client of the run is made with (tests use
    // it for short limits). Set before the run starts.
    using HttpAdjuster = std::function<void(HttpClientRole, net::HttpSettings&)>;
    void SetHttpAdjuster(HttpAdjuster adjuster) { http_adjuster_ = std::move(adjuster); }
    net::HttpSettings HttpSettingsFor(HttpClientRole role) const;
    // A download worker's client, cut by Abort while registered. Any thread.
    void RegisterWorkerClient(net::HttpClient* client);
    void UnregisterWorkerClient(net::HttpClient* client);

    // Figures of the last CheckAllFiles.
    const ScanSummary& LastScan() const { return last_scan_; }
    const std::string& GameDirectory() const { return game_directory_; }

    // Calls made on the window (through core::Window()). ShowRunStatus and
    // ShowFileProgress read status and the file progress under DownloadStateCS.
    void ShowRunStatus();
    void ShowFileProgress();
    void StepTotalProgress();
    void ShowFinalMessage();
    void FillBothBars();

    // The run's fields.
    std::unique_ptr<net::HttpClient> http;
    TextList ListFiles;
    TextList ForbiddenListFiles;
    TextList ListWithUpdate;
    // Why the scan queued each line of ListWithUpdate, in the scan's order;
    // the update phase reorders the list and empties this.
    std::vector<QueueReason> ListWithUpdateReasons;
    TextList LocListFiles;       // never filled
    TextList LocListWithUpdate;  // never filled
    TextList CritFiles;
    double fileprogressV = 0;
    double fileprogressM = 0;
    double totalprogressV = 0;
    std::string status;
    std::int32_t DownloadFileIndex = 0;
    std::atomic<std::int32_t> DownloadTotalFiles{0};

    // The update phase's shared figures. Under DownloadStateCS while the
    // workers run; the run thread reads them after it has waited for them.
    std::int64_t TotalDownloadBytes = 0;
    std::int64_t TotalDownloadMs = 0;
    std::int32_t PipelineQueuedCount = 0;
    std::int32_t PipelineMaxPendingCount = 0;
    std::int32_t DownloadQueueNextIndex = 0;  // under DownloadQueueCS
    std::atomic<std::int32_t> ParallelDownloadCompletedCount{0};
    // Written by the extract worker only; read by the run while it works.
    std::atomic<std::int64_t> TotalExtractMs{0};
    std::atomic<std::int32_t> PipelineDequeuedCount{0};
    std::atomic<std::int32_t> PipelineCompletedCount{0};
    std::atomic<bool> IsDownloadPhase{false};
    std::string DownloadWorkerStatus1{kWorkerIdle}, DownloadWorkerStatus2{kWorkerIdle};
    std::int64_t DownloadWorkerProgress1 = 0, DownloadWorkerProgress2 = 0;
    std::int64_t DownloadWorkerProgressMax1 = 0, DownloadWorkerProgressMax2 = 0;
    std::optional<std::chrono::steady_clock::time_point> PreviousFileFinishedAt;
    std::chrono::steady_clock::time_point UpdateCycleStartedAt;

    // The phase's locks; only nesting: DownloadStateCS, then the extract
    // queue's own lock.
    std::mutex DownloadQueueCS;
    std::mutex DownloadStateCS;
    // Exists only during the update phase; set before the workers start.
    TExtractWorker* ExtractWorker = nullptr;

    // Every log line of the run and its workers goes through here.
    virtual void WriteLog(LogLevel level, std::string_view text);
    // An ERROR line for a caught exception: context + ": " + class + ": " +
    // message.
    virtual void WriteException(std::string_view context, std::exception_ptr error);

    // Starts a worker's thread with the starter in place.
    std::jthread StartWorkerThread(std::function<void()> body);

  protected:
    // Reading one catalogue element; an exception thrown here counts as a
    // failure to read that element.
    enum class CatalogueElement { CritFile, PatchArchive };
    virtual void ReadCatalogueElement(CatalogueElement /*kind*/, std::size_t /*index*/) {}

  private:
    void CatalogueWorkBegin(std::int64_t max);
    void CatalogueWork(std::int64_t count);
    void CatalogueWorkEnd();
    // Catalogue stage; false when CheckAllFiles must return false.
    bool LoadCatalogues(ScanSummary& summary);
    void AddCatalogueEntry(std::string_view file_name, std::string_view crc, std::string_view kind,
                           std::string_view size, ScanSummary& summary);

    void PipelineStart(std::unique_ptr<TExtractWorker>& extract);
    void PipelineEnd(std::unique_ptr<TExtractWorker>& extract, bool& extract_failed);
    void LogCycleSummary();
    // The status of the update phase's end, in the window's language.
    void SetPhaseStatus(std::optional<std::string> text);

    std::string game_directory_;  // with trailing separator
    ThreadStarter thread_starter_;
    long last_file_pixels_ = -1;  // under DownloadStateCS
    std::atomic<bool> stop_requested_{false};
    bool compare_only_ = false;
    int extract_worker_count_ = 1;
    std::atomic<bool> aborted_{false};
    HttpAdjuster http_adjuster_;
    std::mutex http_mutex_;  // guards http and worker_clients_ against RequestStop and Abort
    std::vector<net::HttpClient*> worker_clients_;
    ScanSummary last_scan_;
};

}  // namespace kestrow::update
