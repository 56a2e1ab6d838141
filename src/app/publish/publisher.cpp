#include "app/publish/publisher.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>
#include <unordered_map>
#include <vector>

#include "app/publish/compress_pool.h"
#include "app/publish/documents.h"
#include "app/publish/progress_display.h"
#include "app/publish/reuse.h"
#include "app/publish/source_tree.h"
#include "platform/ascii_case.h"
#include "platform/exe_version.h"

namespace kestrow::publish {
namespace fs = std::filesystem;
namespace {

constexpr const char* kFilesDir = "_files";
constexpr const char* kOptionsName = "options.xml";
constexpr const char* kClientListName = "clientlist.xml";
constexpr const char* kPatchListName = "patchlist.xml";
constexpr const char* kClientDir = "client";
constexpr const char* kPatchDir = "patch";

fs::path Canonical(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::weakly_canonical(fs::absolute(path), ec);
    return ec ? fs::absolute(path).lexically_normal() : p;
}

bool IsInside(const fs::path& inner, const fs::path& outer) {
    auto [o, i] = std::mismatch(outer.begin(), outer.end(), inner.begin(), inner.end());
    return o == outer.end();
}

void RequireDirectory(const std::string& option, const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        throw UsageError(option + " \"" + dir + "\" is not a directory");
    }
}

void RequireFile(const std::string& option, const std::string& file) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec)) {
        throw UsageError(option + " \"" + file + "\" is not a readable file");
    }
}

void CreateDirectories(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        throw PublishError("cannot create \"" + dir.string() +
                           "\": " + (ec ? ec.message() : std::string("not a directory")));
    }
}

std::string VersionText(const platform::VsFixedFileInfo& info) {
    const std::string product =
        platform::FormatVersion(info.dwProductVersionMS, info.dwProductVersionLS);
    if (product != "0.0.0.0") {
        return product;
    }
    const std::string file = platform::FormatVersion(info.dwFileVersionMS, info.dwFileVersionLS);
    return file != "0.0.0.0" ? file : std::string();
}

struct Tree {
    std::vector<SourceFile> files;
    std::size_t first_job = 0;
};

// Names compared as the launcher compares them on this side of the wire:
// backslash form, letter case of A–Z ignored.
std::string NameKey(std::string name) {
    for (char& c : name)
        c = c == '/' ? '\\' : platform::LowerAscii(c);
    return name;
}

std::vector<std::string> PatchFilesDifferingFromClient(const Tree& client, const Tree& patch,
                                                       const std::vector<CompressJob>& jobs) {
    std::unordered_map<std::string, const EncodedFile*> by_name;
    for (std::size_t i = 0; i < client.files.size(); ++i)
        by_name.emplace(NameKey(client.files[i].catalogue_name),
                        &jobs[client.first_job + i].result);
    std::vector<std::string> differing;
    for (std::size_t i = 0; i < patch.files.size(); ++i) {
        const auto found = by_name.find(NameKey(patch.files[i].catalogue_name));
        const EncodedFile& p = jobs[patch.first_job + i].result;
        if (found != by_name.end() &&
            (found->second->crc != p.crc || found->second->size != p.size))
            differing.push_back(patch.files[i].catalogue_name);
    }
    return differing;
}

}  // namespace

std::string EncodeUrlPath(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == '~' ||
                           c == '/';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::string DefaultVersion(const std::string& updater_file) {
    platform::VsFixedFileInfo info{};
    if (!updater_file.empty() && platform::GetFileVersion(updater_file, info)) {
        if (std::string v = VersionText(info); !v.empty()) {
            return v;
        }
    }
    if (platform::GetFileVersion("/proc/self/exe", info)) {
        if (std::string v = VersionText(info); !v.empty()) {
            return v;
        }
    }
    return "1.0.0.70";  // what a launcher without a version record reports
}

PublishSummary Publish(const PublishOptions& o) {
    RequireDirectory("--client", o.client_dir);
    if (!o.patch_dir.empty()) {
        RequireDirectory("--patch", o.patch_dir);
    }
    if (!o.updater_file.empty()) {
        RequireFile("--updater", o.updater_file);
    }
    if (!o.changelog_file.empty()) {
        RequireFile("--changelog", o.changelog_file);
    }
    const fs::path out = Canonical(o.out_dir);
    // The earlier publish's catalogues, read before anything is written.
    std::unordered_map<std::string, PreviousEntry> previous_client, previous_patch;
    if (!o.reuse_dir.empty()) {
        RequireDirectory("--reuse", o.reuse_dir);
        if (Canonical(o.reuse_dir) == out) {
            throw UsageError("--reuse \"" + o.reuse_dir +
                             "\" is the output directory: publish into a fresh one");
        }
        const fs::path files = fs::path(o.reuse_dir) / kFilesDir;
        RequireFile("--reuse", (files / kClientListName).string());
        previous_client = ReadPreviousCatalogue(files / kClientListName);
        previous_patch = ReadPreviousCatalogue(files / kPatchListName);
    }
    for (const auto& [option, dir] : {std::pair<std::string, std::string>{"--client", o.client_dir},
                                      {"--patch", o.patch_dir}}) {
        if (dir.empty()) {
            continue;
        }
        const fs::path src = Canonical(dir);
        if (IsInside(out, src) || IsInside(src, out)) {
            throw UsageError("--out \"" + o.out_dir + "\" and " + option + " \"" + dir +
                             "\" overlap");
        }
    }
    const std::string updater_name =
        o.updater_file.empty() ? "" : fs::path(o.updater_file).filename().string();
    const std::string changelog_name =
        o.changelog_file.empty() ? "" : fs::path(o.changelog_file).filename().string();
    for (const std::string& name : {updater_name, changelog_name}) {
        if (name == kOptionsName || name == kClientListName || name == kPatchListName) {
            throw UsageError("\"" + name + "\" is a name the service documents use themselves");
        }
    }
    if (!updater_name.empty() && updater_name == changelog_name) {
        throw UsageError("--updater and --changelog have the same file name");
    }
    std::vector<std::string> crit;
    for (const std::string& name : o.crit_files) {
        if (!IsCatalogueSafeName(name)) {
            throw UsageError("--crit \"" + name + "\" is not valid UTF-8 text");
        }
        crit.push_back(ToCatalogueName(name));
    }

    const auto start = std::chrono::steady_clock::now();
    Tree client{ListSourceFiles(o.client_dir)};
    Tree patch;
    if (!o.patch_dir.empty()) {
        patch.files = ListSourceFiles(o.patch_dir);
    }
    std::vector<SourceFile> all = client.files;
    all.insert(all.end(), patch.files.begin(), patch.files.end());
    CheckArchiveNames(all);

    const fs::path files_dir = out / kFilesDir;
    CreateDirectories(files_dir);
    if (::access(files_dir.c_str(), W_OK) != 0) {
        throw PublishError("cannot write into \"" + files_dir.string() + "\"");
    }

    std::vector<CompressJob> jobs;
    std::uint64_t total_bytes = 0;
    auto add_jobs = [&](Tree& tree, const char* folder,
                        const std::unordered_map<std::string, PreviousEntry>& previous) {
        tree.first_job = jobs.size();
        for (const SourceFile& f : tree.files) {
            const fs::path archive = out / folder / fs::path(f.relative + ".lzma");
            CreateDirectories(archive.parent_path());
            CompressJob job{f.path, archive, f.size, {}};
            if (const auto found = previous.find(f.catalogue_name);
                found != previous.end() && found->second.size == f.size) {
                job.reuse =
                    ReuseCandidate{fs::path(o.reuse_dir) / folder / fs::path(f.relative + ".lzma"),
                                   found->second.crc};
            }
            jobs.push_back(std::move(job));
            total_bytes += f.size;
        }
    };
    add_jobs(client, kClientDir, previous_client);
    add_jobs(patch, kPatchDir, previous_patch);

    const unsigned threads =
        o.jobs > 0 ? o.jobs : std::max(1u, std::thread::hardware_concurrency());
    CompressCounters counters;
    {
        ProgressDisplay progress(counters, static_cast<std::uint32_t>(jobs.size()), total_bytes,
                                 o.progress && ::isatty(STDERR_FILENO) == 1);
        CompressAll(jobs, threads, {o.preset, o.extreme}, counters);
    }

    auto catalogue = [&](const Tree& tree) {
        std::vector<CatalogueFile> entries;
        for (std::size_t i = 0; i < tree.files.size(); ++i) {
            const EncodedFile& r = jobs[tree.first_job + i].result;
            entries.push_back({tree.files[i].catalogue_name, r.crc, r.size});
        }
        return entries;
    };

    ServiceOptions doc;
    const std::string files_url = o.base_url + "/" + kFilesDir + "/";
    // Copies a file the options document points to and returns its address.
    auto publish_file = [&](const std::string& source, const std::string& name) {
        std::error_code ec;
        fs::copy_file(source, files_dir / name, fs::copy_options::overwrite_existing, ec);
        if (ec)
            throw PublishError("cannot copy \"" + source + "\": " + ec.message());
        return files_url + EncodeUrlPath(name);
    };
    if (!o.updater_file.empty())
        doc.updater_new = publish_file(o.updater_file, updater_name);
    if (!o.changelog_file.empty()) {
        doc.changelogs = publish_file(o.changelog_file, changelog_name);
    }
    doc.clientlist_new = files_url + kClientListName;
    doc.patchlist_new = files_url + kPatchListName;
    doc.clientlist_new_folder = o.base_url + "/" + kClientDir + "/";
    doc.patchlist_new_folder = o.base_url + "/" + kPatchDir + "/";
    doc.site = o.site;
    doc.forum = o.forum;
    doc.info = o.info;
    doc.register_url = o.register_url;
    doc.version = o.version.empty() ? DefaultVersion(o.updater_file) : o.version;
    doc.critical_version = o.critical_version;
    doc.block_update = o.block_update;

    // Catalogues after their archives, the options document last: nothing
    // published points at a file that is not written yet.
    WriteFileAtomically(files_dir / kClientListName, CatalogueXml(catalogue(client), {}));
    WriteFileAtomically(files_dir / kPatchListName, CatalogueXml(catalogue(patch), crit));
    WriteFileAtomically(files_dir / kOptionsName, OptionsXml(doc));

    PublishSummary summary;
    summary.patch_differs_from_client = PatchFilesDifferingFromClient(client, patch, jobs);
    summary.client_files = static_cast<std::uint32_t>(client.files.size());
    summary.patch_files = static_cast<std::uint32_t>(patch.files.size());
    summary.bytes = total_bytes;
    for (const Tree* tree : {&client, &patch}) {
        for (std::size_t i = 0; i < tree->files.size(); ++i) {
            const CompressJob& job = jobs[tree->first_job + i];
            if (job.reused) {
                ++summary.reused_files;
            } else {
                ++summary.compressed_files;
                summary.compressed_bytes += job.size;
            }
            if (job.reuse_refused) {
                summary.reuse_refused.push_back(tree->files[i].catalogue_name);
            }
        }
    }
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    summary.threads = std::min<unsigned>(threads, std::max<std::size_t>(1, jobs.size()));
    summary.version = doc.version;
    return summary;
}

}  // namespace kestrow::publish
