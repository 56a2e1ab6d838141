#pragma once
// File attributes and directory operations on host paths.

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrow::platform {

// Creates the whole directory chain; true when the directory exists afterwards.
bool CreateDirectoryChain(const std::string& path);

bool FileExists(const std::string& path);  // a regular file (or link to one)
bool DirectoryExists(const std::string& path);

// Size in bytes, or -1 when the file does not exist or cannot be queried.
std::int64_t FileSize(const std::string& path);

// The read-only attribute; POSIX reads the owner's write bit.
bool IsReadOnly(const std::string& path);

// Clears the read-only attribute (FILE_ATTRIBUTE_NORMAL); POSIX sets the
// owner's write bit. True on success.
bool SetNormalAttributes(const std::string& path);

// Deletes a file; true on success.
bool DeleteFile(const std::string& path);

// Raises EFCreateError, worded as a failed create of path, when path is a
// file that a new one must not replace (read-only) or a directory. A missing
// path or a writable file passes.
void CheckReplaceable(const std::string& path);

// Puts the file from in place of to in one step, so that to is either the old
// file or the whole new one. An existing to passes its permission bits (its
// attributes) on to the new file, and must pass CheckReplaceable. POSIX
// renames; Windows moves with MOVEFILE_REPLACE_EXISTING. Raises EFCreateError
// with the system's text; from is left where it was then.
void ReplaceFile(const std::string& from, const std::string& to);

// Bytes that the current user may still write on the file system holding path
// (an existing file or directory), or -1 when that cannot be queried.
std::int64_t FreeDiskSpace(const std::string& path);

// Turns a game-relative name with backslashes into a host-relative path
// ('\' becomes '/' on POSIX). Every catalogue name that touches the disk
// goes through here.
std::string GameToHostPath(std::string_view game_relative);

// The directory part of a host path (without trailing separator), or empty.
std::string ParentDirectory(const std::string& path);

}  // namespace kestrow::platform
