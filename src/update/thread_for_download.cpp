#include "update/thread_for_download.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <optional>
#include <utility>

#include "archive/crc32.h"
#include "core/launcher_state.h"
#include "core/progress_bar.h"
#include "core/status_texts.h"
#include "core/window_port.h"
#include "log/app_logger.h"
#include "platform/env.h"
#include "platform/error.h"
#include "platform/files.h"
#include "update/catalogue.h"
#include "update/catalogue_charset.h"
#include "update/extract_worker.h"
#include "update/file_probe.h"
#include "update/http_tuning.h"
#include "update/run_texts.h"
#include "update/text_lower.h"

namespace kestrow::update {

namespace {

using Clock = std::chrono::steady_clock;

// Helper threads that read and checksum files ahead of the scan loop.
constexpr int kProbeThreads = 2;

// The four fields of a line we built ourselves. Unlike SeparateLine this keeps
// empty fields in place: an archive without "original" still keeps its kind
// and size.
struct CatalogueFields {
    std::string_view file_name, crc, kind;
    std::optional<std::string_view> size;
};

CatalogueFields SplitCatalogueEntry(std::string_view line) {
    CatalogueFields fields;
    std::string_view* parts[] = {&fields.file_name, &fields.crc, &fields.kind};
    for (std::string_view* part : parts) {
        const std::size_t pos = line.find(kItemSeparator);
        if (pos == std::string_view::npos) {
            *part = line;
            return fields;
        }
        *part = line.substr(0, pos);
        line.remove_prefix(pos + 1);
    }
    fields.size = line;
    return fields;
}

std::int64_t MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// GET, line join and parse of one catalogue; returns the length of the
// joined text.
std::size_t FetchCatalogue(net::HttpClient& http, const std::string& url, pugi::xml_document& doc,
                           std::int64_t& download_ms, std::int64_t& parse_ms) {
    auto start = Clock::now();
    std::string body = http.Get(url);
    body = CatalogueBodyToUtf8(std::move(body), http.ContentType());
    download_ms = MsSince(start);
    start = Clock::now();
    const std::string text = JoinCatalogueLines(body);
    std::string().swap(body);  // the joined copy is all the parser needs
    ParseCatalogue(doc, text);
    parse_ms = MsSince(start);
    return Utf16Length(text);
}

}  // namespace

ThreadForDownLoad::ThreadForDownLoad(std::string game_directory)
    : game_directory_(platform::WithTrailingSeparator(
          game_directory.empty() ? platform::CurrentDirectory() : std::move(game_directory))) {}

ThreadForDownLoad::~ThreadForDownLoad() = default;

void ThreadForDownLoad::SetExtractWorkerCount(int count) {
    extract_worker_count_ = std::clamp(count, 1, kMaxExtractThreads);
}

void ThreadForDownLoad::WriteLog(LogLevel level, std::string_view text) {
    switch (level) {
        case LogLevel::Info:
            log::LogInfo(text);
            break;
        case LogLevel::Warn:
            log::LogWarn(text);
            break;
        case LogLevel::Error:
            log::LogError(text);
            break;
    }
}

void ThreadForDownLoad::ApplyHttpTuning() {
    auto client = std::make_unique<net::HttpClient>(HttpSettingsFor(HttpClientRole::Catalogue));
    client->SetProgressHandlers({
        [this](std::int64_t max) { CatalogueWorkBegin(max); },
        [this](std::int64_t count) { CatalogueWork(count); },
        [this] { CatalogueWorkEnd(); },
    });
    const net::HttpSettings& settings = client->Settings();
    {
        const std::lock_guard lock(http_mutex_);
        if (aborted_.load()) {
            client->Close();
        }
        http = std::move(client);
    }
    WriteLog(
        LogLevel::Info,
        "HTTP tuning applied: connect_timeout_ms=" + std::to_string(settings.connect_timeout_ms) +
            ", read_timeout_ms=" + std::to_string(settings.read_timeout_ms) +
            ", connection=keep-alive" +
            ", strategy=parallel_2_workers_keep_alive_large_file_priority_pipeline_summary_"
            "cleanup");
}

void ThreadForDownLoad::RequestStop() {
    Terminate();
    const std::lock_guard lock(http_mutex_);
    if (http) {
        http->Disconnect();
    }
}

void ThreadForDownLoad::Abort() {
    aborted_.store(true);
    Terminate();
    const std::lock_guard lock(http_mutex_);
    if (http) {
        http->Close();
    }
    for (net::HttpClient* client : worker_clients_) {
        client->Close();
    }
}

void ThreadForDownLoad::RegisterWorkerClient(net::HttpClient* client) {
    const std::lock_guard lock(http_mutex_);
    worker_clients_.push_back(client);
    if (aborted_.load()) {
        client->Close();
    }
}

void ThreadForDownLoad::UnregisterWorkerClient(net::HttpClient* client) {
    const std::lock_guard lock(http_mutex_);
    std::erase(worker_clients_, client);
}

void ThreadForDownLoad::CatalogueWorkBegin(std::int64_t max) {
    fileprogressM = static_cast<double>(max);
    core::Window().ClearFileProgressBar();
}

void ThreadForDownLoad::CatalogueWork(std::int64_t count) {
    fileprogressV = static_cast<double>(count);
    ShowFileProgress();
}

void ThreadForDownLoad::CatalogueWorkEnd() {
    core::Window().ClearFileProgressBar();
}

void ThreadForDownLoad::WriteException(std::string_view context, std::exception_ptr error) {
    log::LogException(context, error);
}

net::HttpSettings ThreadForDownLoad::HttpSettingsFor(HttpClientRole role) const {
    net::HttpSettings settings = UpdateHttpSettings();
    if (role == HttpClientRole::Catalogue) {
        settings.max_body_bytes = kMaxCatalogueBytes;
    }
    if (http_adjuster_) {
        http_adjuster_(role, settings);
    }
    return settings;
}

std::jthread ThreadForDownLoad::StartWorkerThread(std::function<void()> body) {
    if (thread_starter_) {
        return thread_starter_(std::move(body));
    }
    return std::jthread(std::move(body));
}

void ThreadForDownLoad::ShowRunStatus() {
    std::string text;
    {
        const std::lock_guard lock(DownloadStateCS);
        text = status;
    }
    core::Window().ShowStatusText(text);
}

void ThreadForDownLoad::ShowFileProgress() {
    std::int64_t value = 0;
    std::int64_t max = 0;
    {
        const std::lock_guard lock(DownloadStateCS);
        if (fileprogressM == 0) {
            return;
        }
        value = static_cast<std::int64_t>(std::llround(fileprogressV));
        max = static_cast<std::int64_t>(std::llround(fileprogressM));
        if (IsDownloadPhase.load()) {
            // Two workers report every few kilobytes; a call that would draw
            // the same pixels is left out.
            const long pixels = std::lround(core::ProgressWidthForValue(value, max));
            if (pixels == last_file_pixels_) {
                return;
            }
            last_file_pixels_ = pixels;
        }
    }
    core::Window().SetFileProgressValue(value, max);
}

void ThreadForDownLoad::StepTotalProgress() {
    if (IsDownloadPhase.load()) {
        core::Window().SetTotalProgressValue(ParallelDownloadCompletedCount.load(),
                                             DownloadTotalFiles.load());
    } else {
        core::Window().AddTotalProgressWidth(static_cast<float>(totalprogressV));
    }
}

void ThreadForDownLoad::ShowFinalMessage() {
    core::Window().ShowStatus();
}

void ThreadForDownLoad::FillBothBars() {
    core::Window().SetFileProgressWidth(core::kProgressBarFullWidth);
    core::Window().SetTotalProgressWidth(core::kProgressBarFullWidth);
}

void ThreadForDownLoad::AddCatalogueEntry(std::string_view file_name, std::string_view crc,
                                          std::string_view kind, std::string_view size,
                                          ScanSummary& summary) {
    // Such a name must never be touched, created or downloaded; a separator
    // inside another field would shift the fields of the line.
    const auto holds_separator = [](std::string_view field) {
        return field.find(kItemSeparator) != std::string_view::npos;
    };
    if (IsUnsafeCatalogueName(file_name) || holds_separator(crc) || holds_separator(size)) {
        ++summary.unsafe_names;
        WriteLog(LogLevel::Warn, "Unsafe catalogue file name skipped: filename=\"" +
                                     std::string(file_name) + "\", kind=" + std::string(kind));
        return;
    }
    ListFiles.push_back(CatalogueEntry(file_name, crc, kind, size));
}

bool ThreadForDownLoad::LoadCatalogues(ScanSummary& summary) {
    core::LauncherState& state = core::Launcher();
    if (state.g_ErrorConnect == 2 && state.reloadOptions) {
        try {
            state.reloadOptions();
        } catch (...) {
            // Its outcome is not examined.
        }
    }

    const bool full_client = state.g_bIsUpdateClient;
    if (full_client) {
        WriteLog(LogLevel::Info, "CheckAllFiles mode=full_client");
    } else {
        WriteLog(LogLevel::Info, "CheckAllFiles mode=patch_only");
        WriteLog(LogLevel::Info, "Client file list skipped for patch-only update");
    }

    int failed_stage = 0;
    if (full_client) {
        try {
            state.g_bIsUpdateClient = false;
            pugi::xml_document doc;
            const std::size_t chars =
                FetchCatalogue(*http, state.g_ClientURL, doc, summary.client_xml_download_ms,
                               summary.client_xml_parse_ms);
            const auto archives = FindElements(doc, "archive");
            summary.client_archive_count = static_cast<std::int64_t>(archives.size());
            WriteLog(LogLevel::Info,
                     "Client XML loaded: bytes=" + std::to_string(chars) +
                         ", archive_count=" + std::to_string(summary.client_archive_count) +
                         ", download_ms=" + std::to_string(summary.client_xml_download_ms) +
                         ", parse_ms=" + std::to_string(summary.client_xml_parse_ms));
            for (const pugi::xml_node& archive : archives) {
                AddCatalogueEntry(AttributeText(archive, "filename"),
                                  AttributeText(archive, "original"), "1",
                                  AttributeText(archive, "size"), summary);
            }
        } catch (const std::exception&) {
            failed_stage = 1;
        }
    }

    pugi::xml_document patch;
    if (failed_stage == 0) {
        try {
            const std::size_t chars =
                FetchCatalogue(*http, state.g_PatchURL, patch, summary.patch_xml_download_ms,
                               summary.patch_xml_parse_ms);
            summary.crit_count = static_cast<std::int64_t>(FindElements(patch, "CritFiles").size());
            WriteLog(LogLevel::Info,
                     "Patch XML loaded: bytes=" + std::to_string(chars) +
                         ", crit_count=" + std::to_string(summary.crit_count) +
                         ", download_ms=" + std::to_string(summary.patch_xml_download_ms) +
                         ", parse_ms=" + std::to_string(summary.patch_xml_parse_ms));
        } catch (const std::exception&) {
            failed_stage = 2;
        }
    }

    const int language = core::getLanguage();
    if (failed_stage != 0) {
        if (auto text = CatalogueUnavailableText(language, failed_stage, state.g_ErrorConnect)) {
            status = std::move(*text);
        }
        ShowRunStatus();
        return false;
    }

    const auto crit_elements = FindElements(patch, "CritFiles");
    for (std::size_t i = 0; i < crit_elements.size(); ++i) {
        try {
            ReadCatalogueElement(CatalogueElement::CritFile, i);
            CritFiles.push_back(LowerCaseAscii(AttributeText(crit_elements[i], "filename")) +
                                kItemSeparator);
        } catch (const std::exception&) {
            if (auto text = CatalogueError044Text(language)) {
                status = std::move(*text);
            }
            core::Window().ShowMessage(status);
            return false;
        }
    }

    try {
        const auto archives = FindElements(patch, "archive");
        summary.patch_archive_count = static_cast<std::int64_t>(archives.size());
        WriteLog(LogLevel::Info,
                 "Patch archive list parsed: archive_count=" + std::to_string(archives.size()));
        std::size_t left_out = 0;
        for (std::size_t i = 0; i < archives.size(); ++i) {
            ReadCatalogueElement(CatalogueElement::PatchArchive, i);
            const std::string file_name = AttributeText(archives[i], "filename");
            if (left_out < ForbiddenListFiles.size()) {
                const std::string key = LowerCaseAscii(file_name);
                bool forbidden = false;
                for (const std::string& line : ForbiddenListFiles) {
                    if (ItemField(line, 0).value_or(std::string_view()) == key) {
                        forbidden = true;
                        break;
                    }
                }
                if (forbidden) {
                    ++left_out;
                    continue;
                }
            }
            AddCatalogueEntry(file_name, AttributeText(archives[i], "original"), "2",
                              AttributeText(archives[i], "size"), summary);
        }
    } catch (const std::exception&) {
        if (auto text = CatalogueError042Text(language)) {
            status = std::move(*text);
        }
        core::Window().ShowMessage(status);
    }
    return true;
}

bool ThreadForDownLoad::CheckAllFiles() {
    core::Window().ClearTotalProgressBar();
    ListFiles.clear();
    ListWithUpdate.clear();
    ListWithUpdateReasons.clear();
    ForbiddenListFiles.clear();
    LocListFiles.clear();
    LocListWithUpdate.clear();
    CritFiles.clear();
    const auto scan_start = Clock::now();
    ScanSummary summary;

    WriteLog(LogLevel::Info, "Scan benchmark start");
    WriteLog(LogLevel::Info,
             "Size-first scan enabled: XML size is checked before CRC when available");
    WriteLog(LogLevel::Info,
             "CRC reader optimized: buffer_bytes=1048576, share_mode=fmShareDenyNone");

    const bool loaded = LoadCatalogues(summary);
    last_scan_ = summary;
    if (!loaded) {
        return false;
    }

    ScanListFiles(summary);
    summary.scan_total_ms = MsSince(scan_start);
    last_scan_ = summary;
    WriteLog(LogLevel::Info, ScanSummaryLine(summary));
    return true;
}

bool ThreadForDownLoad::CompareFiles() {
    compare_only_ = true;
    ApplyHttpTuning();
    return CheckAllFiles();
}

void ThreadForDownLoad::ScanListFiles(ScanSummary& summary) {
    const std::size_t entries = LocListFiles.size() + ListFiles.size();
    totalprogressV = entries > 0 ? 341.0 / static_cast<double>(entries) : 0.0;

    if (auto text = ScanStatusText(core::getLanguage())) {
        status = std::move(*text);
    }
    ShowRunStatus();

    core::LauncherState& state = core::Launcher();
    const auto loop_start = Clock::now();

    // Existence, size and CRC are read ahead on helper threads; every decision
    // and change below is made here, in list order.
    std::vector<CatalogueFields> lines;
    lines.reserve(ListFiles.size());
    std::vector<ProbeJob> jobs;
    jobs.reserve(ListFiles.size());
    for (const std::string& line : ListFiles) {
        lines.push_back(SplitCatalogueEntry(line));
        const CatalogueFields& fields = lines.back();
        jobs.push_back({game_directory_ + platform::GameToHostPath(fields.file_name),
                        fields.size ? ParseSizeText(*fields.size) : -1});
    }
    FileProbe probe(jobs, stop_requested_, kProbeThreads);

    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (Terminated()) {
            continue;
        }
        const std::string_view name = lines[i].file_name;
        const std::string_view crc = lines[i].crc;
        const std::string_view kind = lines[i].kind;
        const std::string_view size_text = lines[i].size.value_or(std::string_view());
        const std::string& full_path = jobs[i].host_path;
        const std::int64_t expected = jobs[i].expected_size;
        const auto queue = [&](QueueReason reason) {
            ListWithUpdate.push_back(UpdateItem(name, kind, size_text));
            ListWithUpdateReasons.push_back(reason);
        };
        const ProbeResult& probed = probe.Wait(i);

        if (!probed.exists) {
            ++summary.missing_files;
            queue(QueueReason::Missing);
            StepTotalProgress();
            continue;
        }

        if (expected >= 0) {
            ++summary.size_checked;
            if (probed.local_size != expected) {
                ++summary.size_mismatch;
                ++summary.crc_skipped_by_size;
                queue(QueueReason::Size);
                StepTotalProgress();
                continue;
            }
        }

        ++summary.crc_checked;
        if (probed.error) {
            // Like a size that cannot be read: downloaded, and if the file
            // cannot be replaced either, the extraction names it.
            WriteLog(LogLevel::Warn, "File cannot be read, queued for download: file=\"" +
                                         std::string(name) + "\", reason=\"" +
                                         platform::ExceptionText(probed.error) + "\"");
            queue(QueueReason::Unreadable);
            StepTotalProgress();
            continue;
        }
        if (probed.crc != crc) {
            ++summary.crc_mismatch;
            const bool read_only = platform::IsReadOnly(full_path);
            if (name.substr(0, 7) == "system\\" && read_only) {
                if (!compare_only_) {
                    platform::SetNormalAttributes(full_path);  // a failure here is not examined
                }
                queue(QueueReason::ReadOnlyRule);
            } else if (read_only) {
                ++state.g_nFilesOnlyRead;
                ++summary.readonly_files;
            } else {
                queue(QueueReason::Checksum);
            }
        }
        summary.crc_total_ms += probed.crc_ms;
        if (probed.crc_ms > summary.slowest_crc_ms) {
            summary.slowest_crc_ms = probed.crc_ms;
            summary.slowest_crc_file = std::string(name);
        }
        StepTotalProgress();
    }
    summary.file_check_ms = MsSince(loop_start);
    summary.list_files = static_cast<std::int64_t>(ListFiles.size());
    summary.queued_files = static_cast<std::int64_t>(ListWithUpdate.size());
}

}  // namespace kestrow::update
