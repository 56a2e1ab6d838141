#pragma once
// The version text of an executable file.

#include <string>

#include "platform/exe_version.h"

namespace kestrow::shell {

// What an executable without a usable version record reports.
inline constexpr char kDefaultVersionText[] = "1.0.0.70";

// The product version unless it is 0.0.0.0, else the file version unless it is
// 0.0.0.0, else the default text.
std::string VersionTextOf(const platform::VsFixedFileInfo& info);

// Four decimal numbers joined by dots; the default text when the file has no
// version record.
std::string GetVersionEXE(const std::string& FileName);

}  // namespace kestrow::shell
