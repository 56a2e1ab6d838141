#pragma once
// The files of a client or patch directory, named as the catalogues name them.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/error.h"

namespace kestrow::publish {

using Error = platform::Error;
KESTROW_DECLARE_ERROR(PublishError, Error);

struct SourceFile {
    std::filesystem::path path;  // on disk
    std::string relative;        // UTF-8, '/' separated
    std::string catalogue_name;  // relative with backslashes
    std::uint64_t size = 0;
};

// Every regular file below root (links to files included), sorted by name.
// Throws PublishError for names a catalogue cannot carry: invalid UTF-8,
// control characters, or a backslash inside a name.
std::vector<SourceFile> ListSourceFiles(const std::filesystem::path& root);

// A player's launcher downloads the archive of x as x.lzma beside x, so files
// that also hold x.lzma (or a folder of that name) there would lose it. Client
// and patch land in the same game directory: pass both. Names compare without
// regard to ASCII letter case, as Windows compares them. Throws PublishError
// naming every such pair by its paths on disk.
void CheckArchiveNames(const std::vector<SourceFile>& files);

// True when the text is well-formed UTF-8 without control characters.
bool IsCatalogueSafeName(const std::string& name);

// '/' to '\'.
std::string ToCatalogueName(std::string relative);

}  // namespace kestrow::publish
