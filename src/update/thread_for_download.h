#pragma once
// One update run of the client directory. This part holds the run's lists and
// its catalogue client, loads the catalogues and compares the local files
// (CheckAllFiles); the update phase builds on the lists it leaves.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "net/http_client.h"
#include "update/item_fields.h"
#include "update/scan_summary.h"

namespace kestrow::update {

enum class LogLevel { Info, Warn, Error };

class ThreadForDownLoad {
  public:
    // game_directory: the client directory every catalogue name is relative
    // to; empty means the working directory.
    explicit ThreadForDownLoad(std::string game_directory = {});
    virtual ~ThreadForDownLoad();
    ThreadForDownLoad(const ThreadForDownLoad&) = delete;
    ThreadForDownLoad& operator=(const ThreadForDownLoad&) = delete;

    // Creates the catalogue client with the shared settings and the catalogue
    // progress handlers. Run thread.
    void ApplyHttpTuning();

    // Catalogue stage and local comparison. False when the catalogues failed
    // (or #044): the update phase must not start. Run thread. A checksum that
    // cannot be read raises out of here.
    bool CheckAllFiles();

    // The comparison loop over ListFiles alone (CheckAllFiles from the
    // progress step size on), filling ListWithUpdate and the scan figures.
    void ScanListFiles(ScanSummary& summary);

    // Stop request: the flag the run and its workers look at between steps.
    // Any thread.
    void Terminate() { stop_requested_.store(true); }
    bool Terminated() const { return stop_requested_.load(); }
    // The window's cancel: the stop request, then the catalogue client's
    // transfer (if any) is cut. Any thread.
    void RequestStop();

    // Figures of the last CheckAllFiles.
    const ScanSummary& LastScan() const { return last_scan_; }
    const std::string& GameDirectory() const { return game_directory_; }

    // Calls made on the window (through core::Window()).
    void ShowRunStatus();
    void ShowFileProgress();
    void StepTotalProgress();

    // The run's fields.
    std::unique_ptr<net::HttpClient> http;
    TextList ListFiles;
    TextList ForbiddenListFiles;
    TextList ListWithUpdate;
    TextList LocListFiles;       // never filled
    TextList LocListWithUpdate;  // never filled
    TextList CritFiles;
    double fileprogressV = 0;
    double fileprogressM = 0;
    double totalprogressV = 0;
    std::string status;
    std::atomic<bool> IsDownloadPhase{false};
    std::atomic<std::int32_t> DownloadTotalFiles{0};
    std::atomic<std::int32_t> ParallelDownloadCompletedCount{0};

  protected:
    // Every log line of the run goes through here.
    virtual void WriteLog(LogLevel level, std::string_view text);

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

    std::string game_directory_;  // with trailing separator
    std::atomic<bool> stop_requested_{false};
    std::mutex http_mutex_;  // guards replacing http against RequestStop
    ScanSummary last_scan_;
};

}  // namespace kestrow::update
