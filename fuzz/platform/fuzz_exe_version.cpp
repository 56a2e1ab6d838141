// Any bytes as an executable: the PE and ELF readers never read outside the
// file and report a record only when it carries the signature. Downloaded
// updaters reach these readers before anything else looks at them.

#include <cstdint>
#include <cstring>

#include "platform/exe_version.h"
#include "platform/exe_version_reader.h"

namespace {

// The file reader's rules over memory: exactly n bytes inside the file, or false.
class MemorySource : public kestrow::platform::ByteSource {
  public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
        if (offset > size_ || n > size_ - offset)
            return false;
        if (n > 0)
            std::memcpy(buffer, data_ + offset, n);
        return true;
    }

  private:
    const std::uint8_t* data_;
    std::uint64_t size_;
};

void Check(bool found, const kestrow::platform::VsFixedFileInfo& info) {
    if (found && info.dwSignature != kestrow::platform::kFixedFileInfoSignature)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kestrow::platform;
    MemorySource source(data, size);
    VsFixedFileInfo pe{};
    Check(ReadPeFixedFileInfo(source, pe), pe);
    VsFixedFileInfo elf{};
    Check(ReadElfFixedFileInfo(source, elf), elf);
    (void)FormatVersion(pe.dwFileVersionMS, pe.dwFileVersionLS);
    return 0;
}
