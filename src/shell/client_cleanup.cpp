#include "shell/client_cleanup.h"

#include "core/window_port.h"
#include "platform/ascii_case.h"
#include "platform/directory_list.h"
#include "platform/env.h"
#include "platform/files.h"
#include "shell/game_launch.h"
#include "shell/shell_texts.h"
#include "shell/text_trim.h"

namespace kestrow::shell {
namespace {

void DeleteMatching(const std::string& directory, const std::string& mask,
                    const std::function<bool(const std::string&)>& delete_file) {
    const std::string dir = TrimBlanks(directory);
    if (dir.empty() || TrimBlanks(mask).empty() || !platform::DirectoryExists(dir))
        return;
    const std::string d = platform::WithTrailingSeparator(dir);
    for (const platform::DirectoryEntry& entry : platform::ListDirectory(dir)) {
        if (entry.is_directory || !MatchesMask(entry.name, mask))
            continue;
        delete_file(d + entry.name);
    }
}

}  // namespace

bool DeleteFileIfExists(const std::string& path) {
    const std::string p = TrimBlanks(path);
    if (p.empty() || !platform::FileExists(p))
        return false;
    // Windows does not delete a read-only file; keep it here as well.
    if (platform::IsReadOnly(p))
        return false;
    return platform::DeleteFile(p);
}

bool MatchesMask(std::string_view name, std::string_view mask) {
    std::size_t n = 0, m = 0;
    std::size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (m < mask.size() &&
            (mask[m] == '?' || platform::LowerAscii(mask[m]) == platform::LowerAscii(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            resume = n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

void DeleteFilesByMask(const std::string& directory, const std::string& mask) {
    DeleteMatching(directory, mask, DeleteFileIfExists);
}

void CleanClientFiles(const CleanOptions& options) {
    const std::function<bool(const std::string&)> delete_file =
        options.delete_file ? options.delete_file : DeleteFileIfExists;
    const std::string& game = options.game_directory;
    try {
        DeleteMatching(ClientPath(kFolderClassic, game), "*.dmp", delete_file);
        DeleteMatching(ClientPath(kFolderClassic, game), "*.log", delete_file);
        delete_file(ClientPath("systextures\\Crest.utx", game));
        delete_file(ClientPath("resource\\cr\\Crest.utx", game));
        delete_file(ClientPath("system\\Upload.exe", game));
    } catch (...) {
        core::Window().ShowMessage(kCleanErrorMessage);
    }
}

}  // namespace kestrow::shell
