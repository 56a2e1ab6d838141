#pragma once
// What a directory tree holds, for tests that must show a run left nothing
// behind or changed nothing.

#include <map>
#include <string>
#include <vector>

namespace kestrow::test {

// File names (without their folders) of the archives (".lzma") and the
// half-unpacked files (".kestrow-part") anywhere below dir.
std::vector<std::string> ArchivesAndPartsBelow(const std::string& dir);

// Every entry below root by its relative path: its mode, its modification
// time and, when its owner may read it, its content.
std::map<std::string, std::string> TreeSnapshot(const std::string& root);

}  // namespace kestrow::test
