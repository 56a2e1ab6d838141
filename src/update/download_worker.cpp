#include "update/download_worker.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <utility>

#include "core/launcher_state.h"
#include "core/status_texts.h"
#include "platform/env.h"
#include "platform/error.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "update/extract_worker.h"
#include "update/http_tuning.h"
#include "update/item_fields.h"
#include "update/run_texts.h"
#include "update/thread_for_download.h"

namespace kestrow::update {

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t MsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(to - from).count();
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

std::optional<std::string> ComposeWorkerStatus(const std::string& s1, const std::string& s2,
                                               int language) {
    const bool busy1 = s1 != kWorkerIdle;
    const bool busy2 = s2 != kWorkerIdle;
    if (busy1 && busy2) {
        return s1 + " ... / " + s2 + " ...";
    }
    if (busy1 || busy2) {
        auto prefix = DownloadingPrefixText(language);
        if (!prefix) {
            return std::nullopt;
        }
        return *prefix + (busy1 ? s1 : s2) + " ...";
    }
    return WaitingForDownloadText(language);
}

std::string EncodeUrl(std::string text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        if (c == '\\') {
            out += '/';
        } else if (c == ' ') {
            out += "%20";
        } else {
            out += c;
        }
    }
    return out;
}

std::string BareFileName(const std::string& name) {
    const std::size_t pos = name.find_last_of("\\/");
    return pos == std::string::npos ? name : name.substr(pos + 1);
}

std::string FormatSpeedMbs(std::int64_t bytes, std::int64_t elapsed_ms) {
    const double speed = elapsed_ms > 0 ? static_cast<double>(bytes) / 1024.0 / 1024.0 /
                                              (static_cast<double>(elapsed_ms) / 1000.0)
                                        : 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", speed);
    std::string out = text;
    const std::size_t dot = out.find('.');
    if (dot != std::string::npos) {
        out.replace(dot, 1, platform::LocalDecimalSeparator());
    }
    return out;
}

TDownloadWorker::TDownloadWorker(ThreadForDownLoad& AOwner, std::int32_t AWorkerId)
    : FOwner(AOwner), FWorkerId(AWorkerId) {}

TDownloadWorker::~TDownloadWorker() {
    // Whatever ended the phase, the thread is stopped before it goes.
    Terminate();
    WaitFor();
}

void TDownloadWorker::Start() {
    thread_ = FOwner.StartWorkerThread([this] { Execute(); });
}

void TDownloadWorker::WaitFor() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void TDownloadWorker::Execute() {
    const std::string id = std::to_string(FWorkerId);
    FOwner.WriteLog(LogLevel::Info, "Download worker started: worker=" + id);
    try {
        CreateWorkerHttp();
        SetWorkerStatus(std::string(kWorkerIdle));
        std::string item;
        std::int32_t index = 0;
        while (!terminated_.load() && !FOwner.Terminated() && !HasError) {
            if (!TakeNextItem(item, index)) {
                break;
            }
            DownloadItem(item, index);
        }
        SetWorkerStatus(std::string(kWorkerIdle));
    } catch (...) {
        // Only a failure outside an item lands here (the client itself, the
        // window): the worker ends with it as its error.
        if (!HasError) {
            HasError = true;
            ErrorMessage = platform::ExceptionText(std::current_exception());
        }
        FOwner.WriteException("Download worker failed: worker=" + id, std::current_exception());
    }
    if (FHTTP) {
        FOwner.UnregisterWorkerClient(FHTTP.get());
    }
    FOwner.WriteLog(LogLevel::Info, "Download worker finished: worker=" + id +
                                        ", has_error=" + (HasError ? "True" : "False") +
                                        ", error_message=" + Quoted(ErrorMessage));
}

void TDownloadWorker::CreateWorkerHttp() {
    FHTTP = std::make_unique<net::HttpClient>(
        FOwner.HttpSettingsFor(ThreadForDownLoad::HttpClientRole::DownloadWorker));
    FOwner.RegisterWorkerClient(FHTTP.get());
    FHTTP->SetProgressHandlers({
        [this](std::int64_t max) { WorkerWorkBegin(max); },
        [this](std::int64_t count) { WorkerWork(count); },
        [this] { WorkerWorkEnd(); },
    });
    const net::HttpSettings& settings = FHTTP->Settings();
    FOwner.WriteLog(LogLevel::Info,
                    "Download worker HTTP created: worker=" + std::to_string(FWorkerId) +
                        ", connect_timeout_ms=" + std::to_string(settings.connect_timeout_ms) +
                        ", read_timeout_ms=" + std::to_string(settings.read_timeout_ms) +
                        ", connection=keep-alive");
}

bool TDownloadWorker::TakeNextItem(std::string& item, std::int32_t& index) {
    const std::lock_guard lock(FOwner.DownloadQueueCS);
    const auto next = static_cast<std::size_t>(FOwner.DownloadQueueNextIndex);
    if (next >= FOwner.ListWithUpdate.size()) {
        return false;
    }
    item = FOwner.ListWithUpdate[next];
    index = FOwner.DownloadQueueNextIndex + 1;
    ++FOwner.DownloadQueueNextIndex;
    return true;
}

void TDownloadWorker::DownloadItem(const std::string& item, std::int32_t index) {
    const std::string name(ItemField(item, 0).value_or(""));
    const std::string kind(ItemField(item, 1).value_or(""));
    const auto size_field = ItemField(item, 2);
    const std::int64_t expected = size_field ? ParseSizeText(*size_field) : -1;

    const core::LauncherState& state = core::Launcher();
    const std::string& base = kind == "1" ? state.g_ClientURL_Folder : state.g_PatchURL_Folder;
    const std::string url_raw = base + name + ".lzma?" + std::to_string(state.UnixTime);
    const std::string url_final = EncodeUrl(url_raw);
    const std::string target_path = FOwner.GameDirectory() + platform::GameToHostPath(name);
    const std::string archive_path = target_path + ".lzma";

    const std::string id = std::to_string(FWorkerId);
    const std::string position =
        std::to_string(index) + "/" + std::to_string(FOwner.DownloadTotalFiles.load());

    SetWorkerStatus(name);
    const auto item_start = Clock::now();
    std::int64_t gap = 0;
    {
        const std::lock_guard lock(FOwner.DownloadStateCS);
        if (FOwner.PreviousFileFinishedAt) {
            gap = MsBetween(*FOwner.PreviousFileFinishedAt, item_start);
        }
    }

    try {
        const std::string directory = platform::ParentDirectory(target_path);
        if (!directory.empty() && !platform::DirectoryExists(directory) &&
            !platform::CreateDirectoryChain(directory)) {
            throw platform::EFCreateError("Cannot create directory \"" + directory + "\"");
        }
        FOwner.WriteLog(LogLevel::Info,
                        "Worker download start: worker=" + id + ", index=" + position +
                            ", gap_since_previous_file_ms=" + std::to_string(gap) + ", file=" +
                            Quoted(name) + ", expected_unpacked_size=" + std::to_string(expected) +
                            ", url_raw=" + Quoted(url_raw) + ", url_final=" + Quoted(url_final));

        const auto download_start = Clock::now();
        FHTTP->GetToFile(url_final, archive_path);
        const std::int64_t bytes = platform::FileSize(archive_path);
        const int code = FHTTP->ResponseCode();
        const std::int64_t content_length = FHTTP->ContentLength();
        std::int64_t elapsed = MsBetween(download_start, Clock::now());
        if (elapsed == 0) {
            elapsed = 1;
        }
        {
            const std::lock_guard lock(FOwner.DownloadStateCS);
            FOwner.TotalDownloadBytes += bytes;
            FOwner.TotalDownloadMs += elapsed;
            ++FOwner.ParallelDownloadCompletedCount;
            FOwner.PreviousFileFinishedAt = Clock::now();
        }
        const bool match = content_length < 0 || content_length == bytes;
        FOwner.WriteLog(LogLevel::Info,
                        "Worker download done: worker=" + id + ", index=" + position +
                            ", file=" + Quoted(name) + ", bytes=" + std::to_string(bytes) +
                            ", response_code=" + std::to_string(code) +
                            ", response_content_length=" + std::to_string(content_length) +
                            ", content_length_match=" + (match ? "True" : "False") +
                            ", elapsed_ms=" + std::to_string(elapsed) +
                            ", speed_mbs=" + FormatSpeedMbs(bytes, elapsed));

        if (TExtractWorker* extract = FOwner.ExtractWorker) {
            extract->Enqueue(name + ".lzma", name, expected);
            std::int32_t pending = 0;
            std::int32_t queued = 0;
            std::int32_t max_pending = 0;
            {
                const std::lock_guard lock(FOwner.DownloadStateCS);
                ++FOwner.PipelineQueuedCount;
                pending = extract->PendingCount();
                if (pending > FOwner.PipelineMaxPendingCount) {
                    FOwner.PipelineMaxPendingCount = pending;
                }
                queued = FOwner.PipelineQueuedCount;
                max_pending = FOwner.PipelineMaxPendingCount;
            }
            FOwner.WriteLog(LogLevel::Info,
                            "Extract queued: worker=" + id + ", index=" + position +
                                ", file=" + Quoted(name + ".lzma") + ", target=" + Quoted(name) +
                                ", expected_unpacked_size=" + std::to_string(expected) +
                                ", pending=" + std::to_string(pending) +
                                ", queued_count=" + std::to_string(queued) +
                                ", max_pending=" + std::to_string(max_pending));
        }
        FOwner.WriteLog(LogLevel::Info, "Worker file cycle done: worker=" + id +
                                            ", index=" + position + ", file=" + Quoted(name) +
                                            ", total_file_elapsed_ms=" +
                                            std::to_string(MsBetween(item_start, Clock::now())));
        FOwner.StepTotalProgress();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        if (platform::FileExists(archive_path)) {
            (void)platform::DeleteFile(archive_path);  // a failure to delete is ignored
        }
        HasError = true;
        ErrorMessage = platform::ExceptionText(error);
        FOwner.WriteException("Worker download failed: worker=" + id + ", index=" + position +
                                  ", file=" + Quoted(name) + ", url_final=" + Quoted(url_final),
                              error);
    }
}

void TDownloadWorker::SetWorkerStatus(const std::string& text) {
    std::string slot = text.empty() ? std::string(kWorkerIdle) : BareFileName(text);
    {
        const std::lock_guard lock(FOwner.DownloadStateCS);
        (FWorkerId == 1 ? FOwner.DownloadWorkerStatus1 : FOwner.DownloadWorkerStatus2) =
            std::move(slot);
        if (auto composed = ComposeWorkerStatus(
                FOwner.DownloadWorkerStatus1, FOwner.DownloadWorkerStatus2, core::getLanguage())) {
            FOwner.status = std::move(*composed);
        }
    }
    FOwner.ShowRunStatus();
}

void TDownloadWorker::SetWorkerProgress(std::int64_t max, std::int64_t position) {
    {
        const std::lock_guard lock(FOwner.DownloadStateCS);
        if (FWorkerId == 1) {
            FOwner.DownloadWorkerProgress1 = position;
            FOwner.DownloadWorkerProgressMax1 = max;
        } else {
            FOwner.DownloadWorkerProgress2 = position;
            FOwner.DownloadWorkerProgressMax2 = max;
        }
        FOwner.fileprogressV = static_cast<double>(FOwner.DownloadWorkerProgress1) +
                               static_cast<double>(FOwner.DownloadWorkerProgress2);
        FOwner.fileprogressM = static_cast<double>(FOwner.DownloadWorkerProgressMax1) +
                               static_cast<double>(FOwner.DownloadWorkerProgressMax2);
    }
    FOwner.ShowFileProgress();
}

void TDownloadWorker::WorkerWorkBegin(std::int64_t max) {
    SetWorkerProgress(max, 0);
}

void TDownloadWorker::WorkerWork(std::int64_t count) {
    std::int64_t max = 0;
    {
        const std::lock_guard lock(FOwner.DownloadStateCS);
        max =
            FWorkerId == 1 ? FOwner.DownloadWorkerProgressMax1 : FOwner.DownloadWorkerProgressMax2;
    }
    SetWorkerProgress(max, count);
}

void TDownloadWorker::WorkerWorkEnd() {
    SetWorkerProgress(0, 0);
}

}  // namespace kestrow::update
