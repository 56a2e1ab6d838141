#include "app/updater/version_text.h"

#include <curl/curl.h>
#include <lzma.h>
#include <unicode/uversion.h>

#include <pugixml.hpp>

#include "platform/env.h"
#include "platform/exe_version.h"

#ifdef KESTROW_UPDATER_HAVE_ISAL
#include <isa-l.h>
#endif

namespace kestrow::updater {

std::string VersionText() {
    platform::VsFixedFileInfo info{};
    const std::string version =
        platform::GetFileVersion(platform::ExecutablePath(), info)
            ? platform::FormatVersion(info.dwFileVersionMS, info.dwFileVersionLS)
            : std::string("(no version record)");
    std::string text = "kestrow-updater " + version + "\n";
    text += std::string("liblzma ") + lzma_version_string() + "\n";
    text += std::string("libcurl ") + curl_version_info(CURLVERSION_NOW)->version + "\n";
    text += "pugixml " + std::to_string(PUGIXML_VERSION / 1000) + "." +
            std::to_string(PUGIXML_VERSION % 1000 / 10) + "\n";
    UVersionInfo icu{};
    u_getVersion(icu);
    char icu_text[U_MAX_VERSION_STRING_LENGTH] = {};
    u_versionToString(icu, icu_text);
    text += std::string("ICU ") + icu_text + "\n";
#ifdef KESTROW_UPDATER_HAVE_ISAL
    text += "ISA-L " + std::to_string(ISAL_MAJOR_VERSION) + "." +
            std::to_string(ISAL_MINOR_VERSION) + "." + std::to_string(ISAL_PATCH_VERSION) + "\n";
#endif
    return text;
}

}  // namespace kestrow::updater
