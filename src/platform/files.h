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

// Turns a game-relative name with backslashes into a host-relative path
// ('\' becomes '/' on POSIX). Every catalogue name that touches the disk
// goes through here.
std::string GameToHostPath(std::string_view game_relative);

// The directory part of a host path (without trailing separator), or empty.
std::string ParentDirectory(const std::string& path);

}  // namespace kestrow::platform
