#pragma once
// Stale files removed from the game directory by every update request.

#include <functional>
#include <string>
#include <string_view>

namespace kestrow::shell {

// Trims the path; when it is not empty and names a file, deletes it. True when
// a file was deleted. A read-only file (no owner write bit) stays, as Windows
// refuses to delete it.
bool DeleteFileIfExists(const std::string& path);

// FindFirstFile's name matching: '*' any run, '?' one character, letter case
// (A to Z) ignored.
bool MatchesMask(std::string_view name, std::string_view mask);

// Deletes the files (never directories) of one directory whose names match
// the mask. Blank arguments or a missing directory: nothing. Files that cannot
// be deleted stay; nothing is reported.
void DeleteFilesByMask(const std::string& directory, const std::string& mask);

struct CleanOptions {
    std::string game_directory;                           // empty: the working directory
    std::function<bool(const std::string&)> delete_file;  // empty: DeleteFileIfExists
};

// system_classic\*.dmp, system_classic\*.log, systextures\Crest.utx,
// resource\cr\Crest.utx, system\Upload.exe, in this order. An exception in any
// step skips the rest and shows the modal message "Code Error: #033" through
// core::Window().
void CleanClientFiles(const CleanOptions& options = {});

}  // namespace kestrow::shell
