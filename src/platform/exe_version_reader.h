#pragma once
// Readers of the fixed version record inside executable images. Pure parsing
// over random-access bytes: every offset and size taken from the file is
// checked before use, so damaged or hostile files just read as "no record".

#include <cstddef>
#include <cstdint>

#include "platform/exe_version.h"

namespace kestrow::platform {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // Exactly n bytes at offset, or false (also when the range leaves the file).
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) = 0;
};

// Windows PE32 / PE32+ image: RT_VERSION resource, first name, first language.
bool ReadPeFixedFileInfo(ByteSource& source, VsFixedFileInfo& info);

// ELF32 / ELF64 image: the section named kVersionSectionName.
bool ReadElfFixedFileInfo(ByteSource& source, VsFixedFileInfo& info);

inline constexpr const char* kVersionSectionName = ".kestrow_version";

}  // namespace kestrow::platform
