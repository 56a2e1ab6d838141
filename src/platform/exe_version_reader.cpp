#include "platform/exe_version_reader.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

namespace kestrow::platform {
namespace {

std::uint32_t Le16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}
std::uint32_t Le32(const unsigned char* p) {
    return Le16(p) | Le16(p + 2) << 16;
}
std::uint64_t Le64(const unsigned char* p) {
    return static_cast<std::uint64_t>(Le32(p)) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}
std::uint32_t Be16(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 8 | static_cast<std::uint32_t>(p[1]);
}
std::uint32_t Be32(const unsigned char* p) {
    return Be16(p) << 16 | Be16(p + 2);
}
std::uint64_t Be64(const unsigned char* p) {
    return static_cast<std::uint64_t>(Be32(p)) << 32 | static_cast<std::uint64_t>(Be32(p + 4));
}

// Decodes the 13 fields in the image's byte order; true when the signature holds.
bool DecodeRecord(const unsigned char* p, bool big_endian, VsFixedFileInfo& info) {
    std::array<std::uint32_t, 13> fields{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i] = big_endian ? Be32(p + 4 * i) : Le32(p + 4 * i);
    }
    if (fields[0] != kFixedFileInfoSignature) {
        return false;
    }
    std::memcpy(&info, fields.data(), sizeof(info));
    return true;
}

// ---- PE ----

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kHighBit = 0x80000000u;
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::uint32_t kMaxSections = 96;  // the loader's own limit

struct PeSection {
    std::uint32_t virtual_address;
    std::uint32_t virtual_size;
    std::uint32_t raw_size;
    std::uint32_t raw_pointer;
};

class PeImage {
  public:
    explicit PeImage(ByteSource& source) : source_(source) {}

    bool Load() {
        unsigned char dos[64];
        if (!source_.ReadAt(0, dos, sizeof(dos)) || dos[0] != 'M' || dos[1] != 'Z') {
            return false;
        }
        const std::uint64_t pe = Le32(dos + 0x3C);
        unsigned char head[24];
        if (!source_.ReadAt(pe, head, sizeof(head)) || std::memcmp(head, "PE\0\0", 4) != 0) {
            return false;
        }
        const std::uint32_t section_count = Le16(head + 6);
        const std::uint32_t optional_size = Le16(head + 20);
        if (section_count > kMaxSections) {
            return false;
        }
        const std::uint64_t optional = pe + sizeof(head);
        unsigned char magic[2];
        if (!source_.ReadAt(optional, magic, sizeof(magic))) {
            return false;
        }
        // Where NumberOfRvaAndSizes sits; the data directories follow it.
        std::uint32_t count_offset = 0;
        if (Le16(magic) == 0x10B) {
            count_offset = 92;
        } else if (Le16(magic) == 0x20B) {
            count_offset = 108;
        } else {
            return false;
        }
        unsigned char count_bytes[4];
        if (count_offset + 4 > optional_size ||
            !source_.ReadAt(optional + count_offset, count_bytes, sizeof(count_bytes))) {
            return false;
        }
        const std::uint32_t directory_count = Le32(count_bytes);
        const std::uint32_t resource_entry = count_offset + 4 + 2 * 8;
        if (directory_count < 3 || resource_entry + 8 > optional_size) {
            return false;
        }
        unsigned char resource[8];
        if (!source_.ReadAt(optional + resource_entry, resource, sizeof(resource))) {
            return false;
        }
        resource_rva_ = Le32(resource);
        if (resource_rva_ == 0) {
            return false;
        }
        const std::uint64_t table = optional + optional_size;
        for (std::uint32_t i = 0; i < section_count; ++i) {
            unsigned char s[kSectionHeaderSize];
            if (!source_.ReadAt(table + i * kSectionHeaderSize, s, sizeof(s))) {
                return false;
            }
            sections_[section_used_++] = {Le32(s + 12), Le32(s + 8), Le32(s + 16), Le32(s + 20)};
        }
        return true;
    }

    // Reads n bytes at an RVA; the whole range must lie in one section's raw data.
    bool ReadRva(std::uint64_t rva, void* buffer, std::size_t n) {
        for (std::uint32_t i = 0; i < section_used_; ++i) {
            const PeSection& s = sections_[i];
            if (rva < s.virtual_address) {
                continue;
            }
            const std::uint64_t delta = rva - s.virtual_address;
            if (delta + n <= s.raw_size) {
                return source_.ReadAt(static_cast<std::uint64_t>(s.raw_pointer) + delta, buffer, n);
            }
        }
        return false;
    }

    // The entry of a resource directory at dir_offset (relative to the resource
    // base): the one with the given id, or the first one when id is negative.
    bool FindEntry(std::uint32_t dir_offset, long long id, std::uint32_t& target) {
        unsigned char dir[16];
        if (!ReadRva(static_cast<std::uint64_t>(resource_rva_) + dir_offset, dir, sizeof(dir))) {
            return false;
        }
        const std::uint32_t named = Le16(dir + 12);
        const std::uint32_t total = named + Le16(dir + 14);
        for (std::uint32_t i = 0; i < total; ++i) {
            unsigned char e[8];
            if (!ReadRva(static_cast<std::uint64_t>(resource_rva_) + dir_offset + 16 + 8ull * i, e,
                         sizeof(e))) {
                return false;
            }
            const std::uint32_t name = Le32(e);
            const bool matches = id < 0 || ((name & kHighBit) == 0 && name == id);
            if (matches) {
                target = Le32(e + 4);
                return true;
            }
        }
        return false;
    }

    std::uint32_t ResourceRva() const { return resource_rva_; }

  private:
    ByteSource& source_;
    std::uint32_t resource_rva_ = 0;
    std::array<PeSection, kMaxSections> sections_{};
    std::uint32_t section_used_ = 0;
};

// VS_VERSIONINFO: wLength, wValueLength, wType, L"VS_VERSION_INFO\0", padding to
// 32 bits, then the fixed record as its value.
bool DecodeVersionInfo(const unsigned char* p, std::size_t size, VsFixedFileInfo& info) {
    static constexpr char kKey[] = "VS_VERSION_INFO";
    constexpr std::size_t kKeyChars = sizeof(kKey);  // with the terminator
    constexpr std::size_t kValueOffset = (6 + 2 * kKeyChars + 3) & ~std::size_t{3};
    if (size < kValueOffset + sizeof(VsFixedFileInfo)) {
        return false;
    }
    const std::size_t length = Le16(p);
    const std::size_t value_length = Le16(p + 2);
    if (length < kValueOffset + sizeof(VsFixedFileInfo) || value_length < sizeof(VsFixedFileInfo)) {
        return false;
    }
    for (std::size_t i = 0; i < kKeyChars; ++i) {
        if (Le16(p + 6 + 2 * i) != static_cast<unsigned char>(kKey[i])) {
            return false;
        }
    }
    return DecodeRecord(p + kValueOffset, false, info);
}

// ---- ELF ----

constexpr std::uint32_t kShtNobits = 8;
constexpr std::uint32_t kMaxElfSections = 65536;

}  // namespace

bool ReadPeFixedFileInfo(ByteSource& source, VsFixedFileInfo& info) {
    PeImage image(source);
    if (!image.Load()) {
        return false;
    }
    std::uint32_t types = 0;
    std::uint32_t names = 0;
    std::uint32_t languages = 0;
    if (!image.FindEntry(0, kRtVersion, types) || (types & kHighBit) == 0 ||
        !image.FindEntry(types & ~kHighBit, -1, names) || (names & kHighBit) == 0 ||
        !image.FindEntry(names & ~kHighBit, -1, languages) || (languages & kHighBit) != 0) {
        return false;
    }
    unsigned char data_entry[16];
    if (!image.ReadRva(static_cast<std::uint64_t>(image.ResourceRva()) + languages, data_entry,
                       sizeof(data_entry))) {
        return false;
    }
    const std::uint32_t data_rva = Le32(data_entry);
    const std::uint32_t data_size = Le32(data_entry + 4);
    unsigned char block[92];
    const std::size_t want = data_size < sizeof(block) ? data_size : sizeof(block);
    if (want == 0 || !image.ReadRva(data_rva, block, want)) {
        return false;
    }
    return DecodeVersionInfo(block, want, info);
}

bool ReadElfFixedFileInfo(ByteSource& source, VsFixedFileInfo& info) {
    unsigned char ident[64];
    if (!source.ReadAt(0, ident, 52) || std::memcmp(ident,
                                                    "\x7F"
                                                    "ELF",
                                                    4) != 0) {
        return false;
    }
    const bool is64 = ident[4] == 2;
    if ((ident[4] != 1 && !is64) || (ident[5] != 1 && ident[5] != 2)) {
        return false;
    }
    const bool big = ident[5] == 2;
    if (is64 && !source.ReadAt(0, ident, 64)) {
        return false;
    }
    auto u16 = [big](const unsigned char* p) { return big ? Be16(p) : Le16(p); };
    auto u32 = [big](const unsigned char* p) { return big ? Be32(p) : Le32(p); };
    auto u64 = [big](const unsigned char* p) { return big ? Be64(p) : Le64(p); };

    const std::uint64_t shoff = is64 ? u64(ident + 0x28) : u32(ident + 0x20);
    const std::uint32_t shentsize = u16(ident + (is64 ? 0x3A : 0x2E));
    std::uint32_t shnum = u16(ident + (is64 ? 0x3C : 0x30));
    std::uint32_t shstrndx = u16(ident + (is64 ? 0x3E : 0x32));
    const std::uint32_t min_entry = is64 ? 64 : 40;
    if (shoff == 0 || shentsize < min_entry) {
        return false;
    }

    struct Section {
        std::uint32_t name, type, link;
        std::uint64_t offset, size;
    };
    auto read_section = [&](std::uint64_t index, Section& s) {
        unsigned char h[64];
        if (!source.ReadAt(shoff + index * shentsize, h, min_entry)) {
            return false;
        }
        s.name = u32(h);
        s.type = u32(h + 4);
        s.offset = is64 ? u64(h + 24) : u32(h + 16);
        s.size = is64 ? u64(h + 32) : u32(h + 20);
        s.link = u32(h + (is64 ? 40 : 24));
        return true;
    };

    // Large section counts and string-table indices live in section 0.
    if (shnum == 0 || shstrndx == 0xFFFF) {
        Section zero{};
        if (!read_section(0, zero)) {
            return false;
        }
        if (shnum == 0) {
            shnum = zero.size > kMaxElfSections ? kMaxElfSections
                                                : static_cast<std::uint32_t>(zero.size);
        }
        if (shstrndx == 0xFFFF) {
            shstrndx = zero.link;
        }
    }
    Section strings{};
    if (shstrndx >= shnum || !read_section(shstrndx, strings) || strings.type == kShtNobits) {
        return false;
    }
    const std::string wanted(kVersionSectionName);
    for (std::uint32_t i = 0; i < shnum; ++i) {
        Section s{};
        if (!read_section(i, s)) {
            return false;
        }
        if (s.type == kShtNobits || s.size < sizeof(VsFixedFileInfo) || s.name >= strings.size ||
            strings.size - s.name < wanted.size() + 1) {
            continue;
        }
        char name[32];
        if (!source.ReadAt(strings.offset + s.name, name, wanted.size() + 1) ||
            std::memcmp(name, wanted.c_str(), wanted.size() + 1) != 0) {
            continue;
        }
        unsigned char record[sizeof(VsFixedFileInfo)];
        return source.ReadAt(s.offset, record, sizeof(record)) && DecodeRecord(record, big, info);
    }
    return false;
}

std::string FormatVersion(std::uint32_t ms, std::uint32_t ls) {
    char text[48];
    std::snprintf(text, sizeof(text), "%u.%u.%u.%u", ms >> 16, ms & 0xFFFFu, ls >> 16,
                  ls & 0xFFFFu);
    return text;
}

}  // namespace kestrow::platform
