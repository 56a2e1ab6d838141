#pragma once
// Listing the entries of one directory.

#include <string>
#include <vector>

namespace kestrow::platform {

struct DirectoryEntry {
    std::string name;
    bool is_directory = false;  // also a link to a directory
};

// The entries of a directory, without "." and "..", in the order the system
// gives them (FindFirstFile / FindNextFile; POSIX readdir). Empty when the
// directory cannot be read, as a failed FindFirstFile finds nothing.
std::vector<DirectoryEntry> ListDirectory(const std::string& path);

}  // namespace kestrow::platform
