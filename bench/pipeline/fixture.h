#pragma once
// The published synthetic client the pipeline benchmark serves: generated
// once, published at preset 6 and kept in the build tree, since compressing
// it takes minutes.

#include <cstdint>
#include <string>
#include <vector>

namespace kestrow::bench {

struct PublishedFile {
    std::string name;  // catalogue name, backslashes
    std::string crc;   // 8 upper-case hex digits
    std::uint64_t size = 0;
    std::string archive;  // host path of its .lzma under the served root
    std::uint64_t archive_size = 0;
};

struct Fixture {
    std::string root;                  // the served directory, with trailing '/'
    std::vector<PublishedFile> files;  // catalogue order
    std::uint64_t unpacked_bytes = 0;
    std::uint64_t archive_bytes = 0;
    std::uint32_t largest_dictionary = 0;  // bytes, from the archive headers
};

// Base address the fixture is published under; ServeOptionsDocument puts the
// real one in its place.
inline constexpr const char* kPlaceholderBase = "http://pipeline-bench.invalid";

// Generates and publishes the fixture into cache_dir unless a complete one is
// there, then reads its catalogue and archive headers. Throws on failure.
Fixture LoadOrBuildFixture(const std::string& cache_dir);

// Writes <root>_files/options.xml from the published one with base_url
// (e.g. "http://127.0.0.1:8080") in place of the placeholder.
void ServeOptionsDocument(const Fixture& fixture, const std::string& base_url);

}  // namespace kestrow::bench
