#pragma once
// The fixed version record of an executable file (VS_FIXEDFILEINFO layout).
//
// Windows executables carry it in their version resource; the programs of this
// project built for Linux carry the same record in a dedicated ELF section.

#include <cstdint>
#include <string>

namespace kestrow::platform {

struct VsFixedFileInfo {
    std::uint32_t dwSignature, dwStrucVersion, dwFileVersionMS, dwFileVersionLS, dwProductVersionMS,
        dwProductVersionLS, dwFileFlagsMask, dwFileFlags, dwFileOS, dwFileType, dwFileSubtype,
        dwFileDateMS, dwFileDateLS;
};
static_assert(sizeof(VsFixedFileInfo) == 52, "VS_FIXEDFILEINFO is 52 bytes");

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

// Fills info with zeros, then with the file's fixed version record. True only
// when a record of 52 bytes with the signature 0xFEEF04BD was found.
bool GetFileVersion(const std::string& FileName, VsFixedFileInfo& info);

// "%u.%u.%u.%u" of the four 16-bit halves of a version pair (MS, LS).
std::string FormatVersion(std::uint32_t ms, std::uint32_t ls);

}  // namespace kestrow::platform
