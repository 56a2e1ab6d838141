#include "references.h"

#include <curl/curl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/files.h"

extern char** environ;

namespace kestrow::bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string UrlPath(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '\\')
            out += '/';
        else if (c == ' ')
            out += "%20";
        else
            out += c;
    }
    return out;
}

std::size_t WriteBody(char* data, std::size_t size, std::size_t count, void* file) {
    return std::fwrite(data, size, count, static_cast<std::FILE*>(file)) * size;
}

// Files in the order the run hands them out: largest unpacked size first.
std::vector<const PublishedFile*> LargestFirst(const Fixture& fixture) {
    std::vector<const PublishedFile*> order;
    for (const PublishedFile& f : fixture.files)
        order.push_back(&f);
    std::stable_sort(
        order.begin(), order.end(),
        [](const PublishedFile* a, const PublishedFile* b) { return a->size > b->size; });
    return order;
}

}  // namespace

double DownloadArchives(const Fixture& fixture, const std::string& base_url,
                        const std::string& dir) {
    const std::vector<const PublishedFile*> order = LargestFirst(fixture);
    std::atomic<std::size_t> next{0};
    std::mutex error_mutex;
    std::string error;

    auto worker = [&] {
        std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), &curl_easy_cleanup);
        if (!curl) {
            std::lock_guard lock(error_mutex);
            error = "curl_easy_init failed";
            return;
        }
        curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, &WriteBody);
        curl_easy_setopt(curl.get(), CURLOPT_FAILONERROR, 1L);
        for (std::size_t i; (i = next.fetch_add(1)) < order.size();) {
            const PublishedFile& f = *order[i];
            const std::string target = dir + platform::GameToHostPath(f.name) + ".lzma";
            std::error_code ec;
            fs::create_directories(fs::path(target).parent_path(), ec);
            std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(target.c_str(), "wb"),
                                                                &std::fclose);
            const std::string url = base_url + "/client/" + UrlPath(f.name) + ".lzma";
            CURLcode rc = CURLE_WRITE_ERROR;
            if (out) {
                curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
                curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, out.get());
                rc = curl_easy_perform(curl.get());
            }
            if (rc != CURLE_OK || std::fclose(out.release()) != 0) {
                std::lock_guard lock(error_mutex);
                error = url + ": " + curl_easy_strerror(rc);
                return;
            }
        }
    };

    const auto start = Clock::now();
    { std::jthread a(worker), b(worker); }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (!error.empty())
        throw std::runtime_error("reference download: " + error);
    return seconds;
}

double UnpackArchives(const Fixture& fixture, const std::string& dir, int processes) {
    processes = std::max(1, processes);
    // The names go in a NUL-separated list per process; xz reads it with --files0.
    std::vector<std::string> lists;
    std::vector<std::ofstream> outs;
    std::vector<std::uint64_t> load(static_cast<std::size_t>(processes), 0);
    for (int p = 0; p < processes; ++p) {
        lists.push_back(dir + ".xz-files" + std::to_string(p));
        outs.emplace_back(lists.back(), std::ios::binary | std::ios::trunc);
    }
    for (const PublishedFile* f : LargestFirst(fixture)) {
        const auto least = std::min_element(load.begin(), load.end()) - load.begin();
        load[static_cast<std::size_t>(least)] += f->size;
        outs[static_cast<std::size_t>(least)] << dir << platform::GameToHostPath(f->name) << ".lzma"
                                              << '\0';
    }
    for (std::size_t p = 0; p < outs.size(); ++p) {
        if (!outs[p].flush())
            throw std::runtime_error("cannot write " + lists[p]);
    }
    outs.clear();

    const auto start = Clock::now();
    std::vector<pid_t> pids;
    for (const std::string& list : lists) {
        std::string files0 = "--files0=" + list;
        std::vector<char*> argv = {const_cast<char*>("xz"), const_cast<char*>("--format=lzma"),
                                   const_cast<char*>("-d"), const_cast<char*>("-q"),
                                   files0.data(),           nullptr};
        pid_t pid = 0;
        if (posix_spawnp(&pid, "xz", nullptr, nullptr, argv.data(), environ) != 0)
            throw std::runtime_error("cannot start xz");
        pids.push_back(pid);
    }
    bool failed = false;
    for (const pid_t pid : pids) {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        failed = failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const std::string& list : lists)
        fs::remove(list);
    if (failed)
        throw std::runtime_error("xz --format=lzma -d failed");
    return seconds;
}

}  // namespace kestrow::bench
