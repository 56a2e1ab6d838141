#include "app/publish/documents.h"

#include <fstream>
#include <pugixml.hpp>
#include <sstream>

#include "app/publish/source_tree.h"
#include "archive/crc32.h"

namespace kestrow::publish {
namespace {

std::string Serialize(pugi::xml_document& doc) {
    pugi::xml_node decl = doc.prepend_child(pugi::node_declaration);
    decl.append_attribute("version").set_value("1.0");
    decl.append_attribute("encoding").set_value("UTF-8");
    std::ostringstream out;
    doc.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

void AddText(pugi::xml_node root, const char* name, const std::string& value) {
    root.append_child(name).text().set(value.c_str());
}

}  // namespace

std::string CatalogueXml(const std::vector<CatalogueFile>& files,
                         const std::vector<std::string>& crit_files) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("list");
    for (const CatalogueFile& f : files) {
        pugi::xml_node node = root.append_child("archive");
        node.append_attribute("filename").set_value(f.filename.c_str());
        node.append_attribute("original").set_value(archive::CrcText(f.crc).c_str());
        node.append_attribute("size").set_value(std::to_string(f.size).c_str());
    }
    for (const std::string& name : crit_files) {
        root.append_child("CritFiles").append_attribute("filename").set_value(name.c_str());
    }
    return Serialize(doc);
}

std::string OptionsXml(const ServiceOptions& o) {
    pugi::xml_document doc;
    pugi::xml_node root = doc.append_child("options");
    AddText(root, "patchlist_new", o.patchlist_new);
    AddText(root, "clientlist_new", o.clientlist_new);
    AddText(root, "updater_new", o.updater_new);
    AddText(root, "site", o.site);
    AddText(root, "forum", o.forum);
    AddText(root, "info", o.info);
    AddText(root, "register", o.register_url);
    AddText(root, "version", o.version);
    AddText(root, "critical_version", std::to_string(o.critical_version));
    AddText(root, "changelogs", o.changelogs);
    AddText(root, "block_update", o.block_update ? "true" : "false");
    AddText(root, "patchlist_new_folder", o.patchlist_new_folder);
    AddText(root, "clientlist_new_folder", o.clientlist_new_folder);
    return Serialize(doc);
}

void WriteFileAtomically(const std::filesystem::path& path, const std::string& content) {
    const std::filesystem::path part = path.string() + ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(part, ignored);
            throw PublishError("cannot write \"" + path.string() + "\"");
        }
    }
    std::error_code ec;
    std::filesystem::rename(part, path, ec);
    if (ec) {
        throw PublishError("cannot write \"" + path.string() + "\": " + ec.message());
    }
}

}  // namespace kestrow::publish
