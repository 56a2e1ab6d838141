#pragma once
// The XML documents a service publishes: the file catalogues and options.xml.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kestrow::publish {

struct CatalogueFile {
    std::string filename;  // relative, backslashes
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
};

// <list><archive filename= original= size=/>...<CritFiles filename=/>...</list>
std::string CatalogueXml(const std::vector<CatalogueFile>& files,
                         const std::vector<std::string>& crit_files);

struct ServiceOptions {
    std::string patchlist_new, clientlist_new, updater_new, site, forum, info, register_url,
        version, changelogs, patchlist_new_folder, clientlist_new_folder;
    int critical_version = 0;
    bool block_update = false;
};

std::string OptionsXml(const ServiceOptions& options);

// Writes through a temporary file renamed into place, so a reader never sees
// half a document. Throws PublishError.
void WriteFileAtomically(const std::filesystem::path& path, const std::string& content);

}  // namespace kestrow::publish
