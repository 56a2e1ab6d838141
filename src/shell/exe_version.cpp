#include "shell/exe_version.h"

namespace kestrow::shell {

std::string VersionTextOf(const platform::VsFixedFileInfo& info) {
    constexpr char kZero[] = "0.0.0.0";
    std::string text = platform::FormatVersion(info.dwProductVersionMS, info.dwProductVersionLS);
    if (text != kZero)
        return text;
    text = platform::FormatVersion(info.dwFileVersionMS, info.dwFileVersionLS);
    if (text != kZero)
        return text;
    return kDefaultVersionText;
}

std::string GetVersionEXE(const std::string& FileName) {
    platform::VsFixedFileInfo info{};
    if (!platform::GetFileVersion(FileName, info))
        return kDefaultVersionText;
    return VersionTextOf(info);
}

}  // namespace kestrow::shell
