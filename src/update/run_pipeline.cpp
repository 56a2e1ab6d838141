// The thread body and the update phase of a run.
#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "archive/lzma_decompressor.h"
#include "core/launcher_state.h"
#include "core/status_texts.h"
#include "core/window_port.h"
#include "log/logging_switch.h"
#include "platform/files.h"
#include "update/download_worker.h"
#include "update/extract_worker.h"
#include "update/list_prep.h"
#include "update/run_texts.h"
#include "update/thread_for_download.h"

namespace kestrow::update {

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

const char* TrueFalse(bool value) {
    return value ? "True" : "False";
}

}  // namespace

void ThreadForDownLoad::Execute() {
    WriteLog(LogLevel::Info, "Download thread started");
    WriteLog(LogLevel::Info, std::string("Build: version=") + KESTROW_BUILD_VERSION +
                                 ", build_type=" + KESTROW_BUILD_TYPE +
                                 ", logging_enabled=" + TrueFalse(log::LoggingEnabled));
    WriteLog(LogLevel::Info, std::string("Build: compiler=") + KESTROW_BUILD_COMPILER +
                                 ", cxx_standard=20, platform=posix");
    try {
        core::Window().LockUpdateControls();
        ApplyHttpTuning();
        if (CheckAllFiles()) {
            RunUpdatePipeline();
        }
    } catch (...) {
        // Whatever failed, the run ends with a final status and an unlocked
        // window, never half-way.
        WriteException("Update run failed", std::current_exception());
        core::setStatus(6);
        try {
            ShowFinalMessage();
        } catch (...) {
            WriteException("Update run failed: final message", std::current_exception());
        }
    }
    try {
        core::Window().UnlockUpdateControls();
        FillBothBars();
        ListFiles = {};
        ForbiddenListFiles = {};
        ListWithUpdate = {};
        ListWithUpdateReasons = {};
        LocListFiles = {};
        LocListWithUpdate = {};
        CritFiles = {};
        {
            const std::lock_guard lock(http_mutex_);
            http.reset();
        }
    } catch (...) {
        WriteException("Closing steps failed", std::current_exception());
        if (auto text = ClosingFailedText(core::getLanguage())) {
            const std::lock_guard lock(DownloadStateCS);
            status = std::move(*text);
        }
        ShowRunStatus();
        FillBothBars();
    }
    WriteLog(LogLevel::Info, "Download thread finished");
}

void ThreadForDownLoad::RunUpdatePipeline() {
    DownloadFileIndex = 0;
    IsDownloadPhase = false;

    ListWithUpdateReasons.clear();  // no longer line for line once reordered
    const std::size_t before = ListWithUpdate.size();
    const std::int32_t removed = RemoveDuplicateItems(ListWithUpdate);
    WriteLog(LogLevel::Info, "Full-client duplicate cleanup: before=" + std::to_string(before) +
                                 ", removed=" + std::to_string(removed) +
                                 ", after=" + std::to_string(ListWithUpdate.size()) +
                                 ", rule=patch_overrides_client_same_filename");
    DownloadTotalFiles =
        static_cast<std::int32_t>(ListWithUpdate.size() + LocListWithUpdate.size());

    TotalDownloadBytes = 0;
    TotalDownloadMs = 0;
    TotalExtractMs = 0;
    PipelineQueuedCount = 0;
    PipelineDequeuedCount = 0;
    PipelineCompletedCount = 0;
    PipelineMaxPendingCount = 0;
    DownloadQueueNextIndex = 0;
    ParallelDownloadCompletedCount = 0;
    DownloadWorkerStatus1 = kWorkerIdle;
    DownloadWorkerStatus2 = kWorkerIdle;
    DownloadWorkerProgress1 = DownloadWorkerProgress2 = 0;
    DownloadWorkerProgressMax1 = DownloadWorkerProgressMax2 = 0;
    PreviousFileFinishedAt.reset();
    UpdateCycleStartedAt = Clock::now();
    ExtractWorker = nullptr;

    WriteLog(LogLevel::Info,
             "Update list prepared: remote_files=" + std::to_string(ListWithUpdate.size()) +
                 ", local_files=" + std::to_string(LocListWithUpdate.size()) +
                 ", total_items=" + std::to_string(DownloadTotalFiles.load()));
    if (!LocListWithUpdate.empty()) {
        WriteLog(LogLevel::Warn,
                 "Local update queue is not handled by parallel download workers: local_files=" +
                     std::to_string(LocListWithUpdate.size()));
    }

    SortBySizeDesc(ListWithUpdate);
    const std::int64_t largest =
        ListWithUpdate.empty() ? -1 : ItemExpectedSize(ListWithUpdate.front());
    const std::int64_t smallest =
        ListWithUpdate.empty() ? -1 : ItemExpectedSize(ListWithUpdate.back());
    WriteLog(LogLevel::Info,
             "Download strategy: parallel_2_workers_keep_alive_large_file_priority_pipeline_"
             "summary_cleanup, queue_sorted_by=expected_unpacked_size_desc, queue_largest_size=" +
                 std::to_string(largest) + ", queue_smallest_size=" + std::to_string(smallest));

    if (ListWithUpdate.empty() && LocListWithUpdate.empty()) {
        core::setStatus(Terminated() ? 6 : 7);
    } else {
        std::unique_ptr<TExtractWorker> extract;
        std::unique_ptr<TDownloadWorker> worker1, worker2;
        // Any way out of the phase stops and joins its threads: the workers
        // first (they feed the extractor), then the extractor. An error also
        // cuts their transfers, so nothing waits for a file to finish.
        struct PhaseGuard {
            ThreadForDownLoad& run;
            std::unique_ptr<TExtractWorker>& extract;
            std::unique_ptr<TDownloadWorker>& worker1;
            std::unique_ptr<TDownloadWorker>& worker2;
            const int exceptions = std::uncaught_exceptions();
            ~PhaseGuard() {
                if (std::uncaught_exceptions() > exceptions) {
                    run.Abort();
                }
                worker1.reset();
                worker2.reset();
                run.ExtractWorker = nullptr;
                extract.reset();
            }
        } guard{*this, extract, worker1, worker2};
        PipelineStart(extract);
        IsDownloadPhase = true;
        {
            const std::lock_guard lock(DownloadStateCS);
            last_file_pixels_ = -1;
        }
        core::Window().ClearTotalProgressBar();
        WriteLog(LogLevel::Info,
                 "Parallel download enabled: workers=2, visible_worker_status=compact, "
                 "combined_file_progress=True");
        {
            worker1 = std::make_unique<TDownloadWorker>(*this, 1);
            worker2 = std::make_unique<TDownloadWorker>(*this, 2);
            worker1->Start();
            worker2->Start();
            worker1->WaitFor();
            worker2->WaitFor();
            std::string error_text;
            if (worker1->HasError) {
                error_text += "[worker1] " + worker1->ErrorMessage + " ";
            }
            if (worker2->HasError) {
                error_text += "[worker2] " + worker2->ErrorMessage + " ";
            }
            const bool failed = worker1->HasError || worker2->HasError;
            WriteLog(LogLevel::Info,
                     "Parallel download summary: workers=2, combined_file_progress=True, "
                     "compact_visible_status=True, completed=" +
                         std::to_string(ParallelDownloadCompletedCount.load()) +
                         ", total_items=" + std::to_string(DownloadTotalFiles.load()) +
                         ", worker_error=" + TrueFalse(failed) +
                         ", worker_error_message=" + Quoted(error_text));
            if (failed) {
                WriteLog(LogLevel::Error, "Parallel download failed: " + error_text);
                Terminate();
            }
            worker1.reset();
            worker2.reset();
        }
        bool extract_failed = false;
        PipelineEnd(extract, extract_failed);
        core::setStatus(extract_failed || Terminated() ? 6 : 4);
    }
    LogCycleSummary();
    ShowRunStatus();
    ShowFinalMessage();
}

void ThreadForDownLoad::PipelineStart(std::unique_ptr<TExtractWorker>& extract) {
    extract = std::make_unique<TExtractWorker>(*this, extract_worker_count_);
    ExtractWorker = extract.get();
    extract->Start();
    WriteLog(LogLevel::Info,
             "Download/extract pipeline enabled: download_ui_two_workers=True, "
             "download_worker_count=2, extract_worker_count=" +
                 std::to_string(extract->ThreadCount()) + ", visible_worker_status=compact");
}

void ThreadForDownLoad::PipelineEnd(std::unique_ptr<TExtractWorker>& extract,
                                    bool& extract_failed) {
    if (Terminated()) {
        WriteLog(LogLevel::Warn,
                 "Pipeline cancellation requested; terminating extract worker. pending=" +
                     std::to_string(extract->PendingCount()));
        extract->Terminate();
    }
    extract->Finish();
    if (!Terminated()) {
        if (auto text = ApplyingUpdateText(core::getLanguage())) {
            const std::lock_guard lock(DownloadStateCS);
            status = std::move(*text);
        }
        ShowRunStatus();
    }
    WriteLog(LogLevel::Info,
             "Waiting for extract worker: pending=" + std::to_string(extract->PendingCount()) +
                 ", queued=" + std::to_string(PipelineQueuedCount) +
                 ", dequeued=" + std::to_string(PipelineDequeuedCount.load()) +
                 ", completed=" + std::to_string(PipelineCompletedCount.load()));
    extract->WaitFor();
    WriteLog(LogLevel::Info, "Pipeline summary: queued=" + std::to_string(PipelineQueuedCount) +
                                 ", dequeued=" + std::to_string(PipelineDequeuedCount.load()) +
                                 ", completed=" + std::to_string(PipelineCompletedCount.load()) +
                                 ", max_pending=" + std::to_string(PipelineMaxPendingCount) +
                                 ", worker_error=" + TrueFalse(extract->HasError) +
                                 ", worker_error_message=" + Quoted(extract->ErrorMessage));
    extract_failed = extract->HasError;
    if (extract_failed) {
        WriteLog(LogLevel::Error, "Extract worker reported error: " + extract->ErrorMessage);
    }
}

void ThreadForDownLoad::LogCycleSummary() {
    const std::int64_t wall = MsSince(UpdateCycleStartedAt);
    const std::string wall_ms = std::to_string(wall);
    WriteLog(LogLevel::Info,
             "Update cycle summary: processed_files=" +
                 std::to_string(ParallelDownloadCompletedCount.load()) +
                 ", total_items=" + std::to_string(DownloadTotalFiles.load()) +
                 ", total_download_bytes=" + std::to_string(TotalDownloadBytes) +
                 ", download_wall_ms=" + wall_ms +
                 ", download_wall_speed_mbs=" + FormatSpeedMbs(TotalDownloadBytes, wall) +
                 ", download_workers_sum_ms=" + std::to_string(TotalDownloadMs) +
                 ", download_workers_sum_speed_mbs=" +
                 FormatSpeedMbs(TotalDownloadBytes, TotalDownloadMs) + ", total_extract_ms=" +
                 std::to_string(TotalExtractMs.load()) + ", parallel_download_completed=" +
                 std::to_string(ParallelDownloadCompletedCount.load()) +
                 ", pipeline_queued=" + std::to_string(PipelineQueuedCount) +
                 ", pipeline_completed=" + std::to_string(PipelineCompletedCount.load()) +
                 ", pipeline_max_pending=" + std::to_string(PipelineMaxPendingCount) +
                 ", total_cycle_ms=" + wall_ms);
}

void ThreadForDownLoad::ExtractArchive(const std::string& OldFileName,
                                       const std::string& NewFileName,
                                       std::int64_t ExpectedUnpackedSize) {
    const std::string target_path = game_directory_ + platform::GameToHostPath(NewFileName);
    const std::string archive_path = game_directory_ + platform::GameToHostPath(OldFileName);
    const std::string expected = std::to_string(ExpectedUnpackedSize);
    WriteLog(LogLevel::Info, "Extract start: file=" + Quoted(OldFileName) + ", target=" +
                                 Quoted(NewFileName) + ", expected_unpacked_size=" + expected);
    const auto start = Clock::now();
    try {
        archive::DecompressLZMAFile(archive_path, target_path, ExpectedUnpackedSize, &AbortFlag());
        const std::int64_t elapsed = MsSince(start);
        const std::int64_t output_size =
            platform::FileExists(target_path) ? platform::FileSize(target_path) : -1;
        const bool match = ExpectedUnpackedSize < 0 || output_size == ExpectedUnpackedSize;
        TotalExtractMs += elapsed;
        WriteLog(LogLevel::Info,
                 "Extract done: file=" + Quoted(OldFileName) + ", target=" + Quoted(NewFileName) +
                     ", output_size=" + std::to_string(output_size) + ", expected_unpacked_size=" +
                     expected + ", output_size_match=" + TrueFalse(match) +
                     ", elapsed_ms=" + std::to_string(elapsed));
        if (!match) {
            WriteLog(LogLevel::Warn, "Extract output size mismatch: target=" + Quoted(NewFileName) +
                                         ", output_size=" + std::to_string(output_size) +
                                         ", expected_unpacked_size=" + expected);
        }
    } catch (...) {
        WriteException(
            "Extract failed: file=" + Quoted(OldFileName) + ", target=" + Quoted(NewFileName),
            std::current_exception());
        throw;
    }
}

}  // namespace kestrow::update
