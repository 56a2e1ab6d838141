#include "fixture.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/publish/publisher.h"
#include "platform/files.h"
#include "synthetic_client.h"

namespace kestrow::bench {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStamp = "complete";
constexpr const char* kTemplate = "options.template.xml";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

// Built beside the cache and renamed into place, so an interrupted build
// never looks complete.
void BuildFixture(const fs::path& cache) {
    const fs::path partial = cache.string() + ".partial";
    fs::remove_all(partial);
    fs::create_directories(partial);
    const fs::path source = partial / "source";
    std::fprintf(stderr, "pipeline_bench: generating the synthetic client in %s\n",
                 partial.c_str());
    const SyntheticSummary generated = WriteSyntheticClient(source.string());
    std::fprintf(stderr,
                 "pipeline_bench: publishing %u files, %.1f MiB at preset 6 (once; cached)\n",
                 generated.files, static_cast<double>(generated.bytes) / (1 << 20));

    publish::PublishOptions options;
    options.client_dir = source.string();
    options.out_dir = (partial / "www").string();
    options.base_url = kPlaceholderBase;
    options.preset = 6;
    const publish::PublishSummary published = publish::Publish(options);
    std::fprintf(stderr, "pipeline_bench: published in %.0f s on %u threads\n", published.seconds,
                 published.threads);

    fs::rename(partial / "www" / "_files" / "options.xml", partial / kTemplate);
    fs::remove_all(source);
    WriteText(partial / kStamp, "pipeline-v1\n");
    fs::remove_all(cache);
    fs::rename(partial, cache);
}

std::uint32_t DictionarySize(const std::string& archive) {
    unsigned char header[5] = {};
    std::FILE* f = std::fopen(archive.c_str(), "rb");
    const bool ok = f != nullptr && std::fread(header, 1, 5, f) == 5;
    if (f != nullptr)
        std::fclose(f);
    if (!ok)
        throw std::runtime_error("cannot read the header of " + archive);
    return header[1] | header[2] << 8 | header[3] << 16 |
           static_cast<std::uint32_t>(header[4]) << 24;
}

}  // namespace

Fixture LoadOrBuildFixture(const std::string& cache_dir) {
    const fs::path cache(cache_dir);
    if (!fs::exists(cache / kStamp))
        BuildFixture(cache);

    Fixture fixture;
    fixture.root = (cache / "www").string() + "/";
    const fs::path catalogue = cache / "www" / "_files" / "clientlist.xml";
    pugi::xml_document doc;
    if (!doc.load_file(catalogue.c_str()))
        throw std::runtime_error("cannot parse " + catalogue.string());
    for (const pugi::xml_node node : doc.child("list").children("archive")) {
        PublishedFile file;
        file.name = node.attribute("filename").value();
        file.crc = node.attribute("original").value();
        file.size = node.attribute("size").as_ullong();
        file.archive = fixture.root + "client/" + platform::GameToHostPath(file.name) + ".lzma";
        file.archive_size = fs::file_size(file.archive);
        fixture.unpacked_bytes += file.size;
        fixture.archive_bytes += file.archive_size;
        fixture.largest_dictionary =
            std::max(fixture.largest_dictionary, DictionarySize(file.archive));
        fixture.files.push_back(std::move(file));
    }
    if (fixture.files.empty())
        throw std::runtime_error(catalogue.string() + " lists no archives");
    return fixture;
}

void ServeOptionsDocument(const Fixture& fixture, const std::string& base_url) {
    const fs::path cache = fs::path(fixture.root).parent_path().parent_path();
    std::string text = ReadText(cache / kTemplate);
    const std::string placeholder = kPlaceholderBase;
    for (std::size_t at = 0; (at = text.find(placeholder, at)) != std::string::npos;
         at += base_url.size()) {
        text.replace(at, placeholder.size(), base_url);
    }
    WriteText(fs::path(fixture.root) / "_files" / "options.xml", text);
}

}  // namespace kestrow::bench
