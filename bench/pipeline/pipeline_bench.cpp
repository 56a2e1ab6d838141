// The whole update run (catalogues, scan, two download workers, N extract
// workers) of a ~300 MiB synthetic client served by nginx on loopback, into a
// fresh game directory, against the larger of its two halves done by other
// means: downloading the archives with two kept-alive libcurl connections,
// and unpacking them with N xz processes side by side, for N = 1 and N = 2.
// Then the same run through kestrow-updater with its terminal display
// (stderr on a pseudo-terminal), against the in-process run with a window
// port that shows nothing, and the updater's peak resident memory with one
// and with two extract workers. Best of N rounds (PIPELINE_BENCH_ROUNDS,
// default 3); the pieces of a round run one after another so that load from
// elsewhere spreads over all of them.
#include <curl/curl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "core/launcher_state.h"
#include "core/null_window_port.h"
#include "core/window_port.h"
#include "fixture.h"
#include "platform/env.h"
#include "platform/files.h"
#include "references.h"
#include "shell/game_processes.h"
#include "shell/update_request.h"
#include "support/nginx_harness.h"
#include "update/update_run.h"
#include "updater_process.h"

namespace {

namespace fs = std::filesystem;
using namespace kestrow;
using Clock = std::chrono::steady_clock;

constexpr std::int64_t kUnixTime = 1765400000;
constexpr int kAllUpdated = 4;

std::string FixtureDir() {
    if (const char* dir = std::getenv("KESTROW_BENCH_FIXTURES"))
        return std::string(dir) + "/pipeline-v1";
    return std::string(KESTROW_BENCH_FIXTURE_DIR) + "/pipeline-v1";
}

std::string UpdaterProgram() {
    if (const char* path = std::getenv("KESTROW_UPDATER"))
        return path;
#ifdef KESTROW_UPDATER_PATH
    if (::access(KESTROW_UPDATER_PATH, X_OK) == 0)
        return KESTROW_UPDATER_PATH;
#endif
    return {};
}

int Rounds() {
    const char* text = std::getenv("PIPELINE_BENCH_ROUNDS");
    const int n = text != nullptr ? std::atoi(text) : 3;
    return std::max(1, n);
}

// A scratch directory removed with its content.
class Scratch {
  public:
    Scratch() {
        std::string path = platform::TempPath() + "kestrow_pipeline_bench_XXXXXX";
        if (::mkdtemp(path.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = path + "/";
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

std::string FreshDirectory(const std::string& path) {
    fs::remove_all(path);
    fs::create_directories(path);
    return path + "/";
}

// The run must have left exactly the published tree: every file with its
// size and CRC, nothing else (no archive left over).
void Verify(const bench::Fixture& fixture, const std::string& game, const char* who) {
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(game)) {
        if (entry.is_regular_file())
            ++files;
    }
    for (const bench::PublishedFile& f : fixture.files) {
        const std::string path = game + platform::GameToHostPath(f.name);
        std::error_code ec;
        if (fs::file_size(path, ec) != f.size || ec || archive::FileCRC32(path) != f.crc)
            throw std::runtime_error(std::string(who) + " left a wrong \"" + f.name + "\"");
    }
    if (files != fixture.files.size()) {
        throw std::runtime_error(std::string(who) + " left " + std::to_string(files) +
                                 " files, expected " + std::to_string(fixture.files.size()));
    }
}

// Through the page cache once, so nginx serves every round from memory.
void Warm(const bench::Fixture& fixture) {
    std::vector<char> buffer(1 << 20);
    for (const bench::PublishedFile& f : fixture.files) {
        std::ifstream in(f.archive, std::ios::binary);
        while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
        }
    }
}

struct InProcessTimes {
    double run_s = 0;      // the update run alone
    double request_s = 0;  // the whole request, as the updater makes it
};

// The update buttons' request: the game clients are ended (with its fixed
// pause), the run is started with its extract workers and the stale files
// are cleaned.
InProcessTimes RunInProcess(const std::string& game, int extract_workers) {
    core::Launcher().messageId = -1;
    std::unique_ptr<update::UpdateRun> th;
    double kill_s = 0;
    shell::StartUpdateOptions options;
    options.game_directory = game;
    options.do_update = [&](std::unique_ptr<update::UpdateRun>& run) {
        auto thread = std::make_unique<update::ThreadForDownLoad>(game);
        thread->SetExtractWorkerCount(extract_workers);
        run = std::make_unique<update::UpdateRun>(std::move(thread));
        run->Start();
        return true;
    };
    options.kill_game_processes = [&kill_s] {
        const auto start = Clock::now();
        shell::KillGameProcesses();
        kill_s = std::chrono::duration<double>(Clock::now() - start).count();
    };
    const auto start = Clock::now();
    shell::RequestClientUpdate(th, options);
    if (!th)
        throw std::runtime_error("the update request did not start a run");
    th->WaitFor();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    th.reset();
    if (core::Launcher().messageId != kAllUpdated) {
        throw std::runtime_error("the in-process run ended with status " +
                                 std::to_string(core::Launcher().messageId.load()));
    }
    return {seconds - kill_s, seconds};
}

struct Best {
    double value = 1e30;
    void Add(double v) { value = std::min(value, v); }
};

int Main() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    const bench::Fixture fixture = bench::LoadOrBuildFixture(FixtureDir());
    const double mib = 1 << 20;
    const double dictionary_mib = fixture.largest_dictionary / mib;

    Scratch scratch;
    const std::string& work = scratch.Path();
    test::NginxServer nginx(fixture.root, work + "nginx");
    const std::string base = "http://127.0.0.1:" + std::to_string(nginx.Port());
    bench::ServeOptionsDocument(fixture, base);
    Warm(fixture);

    core::ScopedLauncherState state;
    state->language = 1;
    state->UnixTime = kUnixTime;
    const std::string query = "?" + std::to_string(kUnixTime);
    state->g_ClientURL = base + "/_files/clientlist.xml" + query;
    state->g_PatchURL = base + "/_files/patchlist.xml" + query;
    state->g_ClientURL_Folder = base + "/client/";
    state->g_PatchURL_Folder = base + "/patch/";
    state->g_bIsUpdateClient = true;
    state->g_UserTemp = work;
    core::NullWindowPort window;
    core::ScopedWindow scoped(window);

    const std::string updater = UpdaterProgram();
    const std::string home = work + "home/";
    for (const char* sub : {"config", "data", "run", "tmp"})
        fs::create_directories(home + sub);
    ::chmod((home + "run").c_str(), 0700);
    const std::vector<std::string> env = {
        "KESTROW_OPTIONS_URL=" + base + "/_files/options.xml",
        "KESTROW_OPTIONS_FALLBACK_URL=" + base + "/_files/options.xml",
        "HOME=" + home,
        "XDG_CONFIG_HOME=" + home + "config",
        "XDG_DATA_HOME=" + home + "data",
        "XDG_RUNTIME_DIR=" + home + "run",
        "TMPDIR=" + home + "tmp/",
        "TERM=xterm-256color",
    };

    // Index 0: one extract worker (one xz), index 1: two (two xz side by side).
    constexpr int kWorkers[] = {1, 2};
    Best download, unpack[2], ours[2], ours_request, display;
    long rss_kib[2] = {0, 0};
    const int rounds = Rounds();
    for (int round = 0; round < rounds; ++round) {
        for (int w = 0; w < 2; ++w) {
            const std::string reference_dir = FreshDirectory(work + "reference");
            ::sync();
            download.Add(bench::DownloadArchives(fixture, base, reference_dir));
            ::sync();
            unpack[w].Add(bench::UnpackArchives(fixture, reference_dir, kWorkers[w]));
            Verify(fixture, reference_dir, "xz");
            fs::remove_all(reference_dir);
        }

        for (int w = 0; w < 2; ++w) {
            const std::string game = FreshDirectory(work + "game");
            ::sync();
            const InProcessTimes times = RunInProcess(game, kWorkers[w]);
            ours[w].Add(times.run_s);
            if (w == 0)
                ours_request.Add(times.request_s);
            Verify(fixture, game, "the in-process run");
            fs::remove_all(game);
        }

        // The display's cost with one worker every round; the memory with
        // two workers once.
        for (int w = 0; w < (round == 0 ? 2 : 1) && !updater.empty(); ++w) {
            const std::string dir = FreshDirectory(work + "updater");
            ::sync();
            const bench::UpdaterResult r = bench::RunOnTerminal(
                updater, {"--full", "--extract-workers", std::to_string(kWorkers[w])}, dir, env);
            if (r.exit_code != 0) {
                throw std::runtime_error("kestrow-updater exited with " +
                                         std::to_string(r.exit_code) + ", last line \"" +
                                         r.last_line + "\"");
            }
            Verify(fixture, dir, "kestrow-updater");
            fs::remove_all(dir);
            if (w == 0)
                display.Add(r.seconds);
            rss_kib[w] = std::max(rss_kib[w], r.max_rss_kib);
            if (round == 0 && w == 0 && r.display_bytes == 0)
                std::fprintf(stderr,
                             "pipeline_bench: kestrow-updater drew nothing on the terminal\n");
        }
        std::fprintf(stderr, "pipeline_bench: round %d/%d done\n", round + 1, rounds);
    }

    std::printf(
        "pipeline_detail: files=%zu unpacked_mib=%.1f archive_mib=%.1f rounds=%d "
        "download_s=%.3f unpack1_s=%.3f unpack2_s=%.3f ours1_s=%.3f ours2_s=%.3f "
        "request_s=%.3f display_s=%.3f\n",
        fixture.files.size(), fixture.unpacked_bytes / mib, fixture.archive_bytes / mib, rounds,
        download.value, unpack[0].value, unpack[1].value, ours[0].value, ours[1].value,
        ours_request.value, updater.empty() ? 0.0 : display.value);
    for (int w = 0; w < 2; ++w) {
        const double reference = std::max(download.value, unpack[w].value);
        std::printf(
            "pipeline: extract_workers=%d ours_s=%.3f reference=max(download,%d_xz_unpackers) "
            "reference_s=%.3f ratio=%.2f (goal <= 1.15)\n",
            kWorkers[w], ours[w].value, kWorkers[w], reference, ours[w].value / reference);
    }
    if (updater.empty()) {
        std::printf("display_overhead: skipped (kestrow-updater not built)\n");
        std::printf("pipeline_rss_mib: skipped (kestrow-updater not built)\n");
    } else {
        std::printf("display_overhead: ratio=%.2f\n", display.value / ours_request.value);
        for (int w = 0; w < 2; ++w) {
            std::printf("pipeline_rss_mib: extract_workers=%d %.1f (goal below %.1f)\n",
                        kWorkers[w], static_cast<double>(rss_kib[w]) / 1024,
                        100 + kWorkers[w] * dictionary_mib);
        }
    }
    std::printf("pipeline_lzma_dictionary_mib: %.1f\n", dictionary_mib);
    curl_global_cleanup();
    return 0;
}

}  // namespace

int main() {
    try {
        return Main();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "pipeline_bench: %s\n", e.what());
        return 1;
    }
}
