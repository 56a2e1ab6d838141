#pragma once
// The whole publishing run: scan, compress, catalogues, options document.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "app/publish/command_line.h"

namespace kestrow::publish {

struct PublishSummary {
    std::uint32_t client_files = 0;
    std::uint32_t patch_files = 0;
    std::uint64_t bytes = 0;
    std::uint32_t compressed_files = 0;
    std::uint32_t reused_files = 0;  // archives taken from --reuse
    std::uint64_t compressed_bytes = 0;
    double seconds = 0;
    unsigned threads = 0;
    std::string version;
    // Patch files whose client file of the same name has other content: a
    // full check of a patched client takes the client's copy back.
    std::vector<std::string> patch_differs_from_client;
    // Files of the same size and name as in the earlier publish whose
    // archive there did not fit its catalogue entry, so were compressed.
    std::vector<std::string> reuse_refused;
};

// Throws UsageError for bad input (missing directories, overlapping output)
// and PublishError for failures while writing.
PublishSummary Publish(const PublishOptions& options);

// Percent-encodes everything but unreserved characters and '/'.
std::string EncodeUrlPath(const std::string& text);

// The version text announced when --version is not given: the product version
// of the updater, else its file version, else this program's own.
std::string DefaultVersion(const std::string& updater_file);

}  // namespace kestrow::publish
