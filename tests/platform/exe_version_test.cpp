#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/exe_version.h"
#include "platform/exe_version_reader.h"
#include "support/temp_dir.h"

namespace kestrow::platform {
namespace {

using test::TempDir;
using test::WriteFile;

void Put16(std::string& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

struct PeSpec {
    bool pe32plus = false;
    bool has_version = true;  // RT_VERSION present (else only an icon type)
    std::uint32_t signature = kFixedFileInfoSignature;
    std::uint32_t file_ms = 0, file_ls = 0, product_ms = 0, product_ls = 0;
};

// A minimal PE image: headers, one .rsrc section with a three-level resource
// tree (type -> name -> language -> data entry) and a VS_VERSIONINFO block.
std::string BuildPe(const PeSpec& spec) {
    constexpr std::size_t kPe = 0x40, kRaw = 0x200;
    constexpr std::uint32_t kRva = 0x1000;
    const std::uint32_t optional_size = spec.pe32plus ? 240 : 224;
    const std::size_t optional = kPe + 24;
    const std::size_t table = optional + optional_size;

    std::string rsrc(0x58 + 92, '\0');
    // Root: one ID entry, icon (3) or version (16), pointing at the name level.
    Put16(rsrc, 14, 1);
    Put32(rsrc, 16, spec.has_version ? 16 : 3);
    Put32(rsrc, 20, 0x80000000u | 0x18);
    Put16(rsrc, 0x18 + 14, 1);
    Put32(rsrc, 0x18 + 16, 1);
    Put32(rsrc, 0x18 + 20, 0x80000000u | 0x30);
    Put16(rsrc, 0x30 + 14, 1);
    Put32(rsrc, 0x30 + 16, 0x409);
    Put32(rsrc, 0x30 + 20, 0x48);
    Put32(rsrc, 0x48, kRva + 0x58);
    Put32(rsrc, 0x48 + 4, 92);
    const std::size_t vi = 0x58;
    Put16(rsrc, vi, 92);
    Put16(rsrc, vi + 2, 52);
    const char key[] = "VS_VERSION_INFO";
    for (std::size_t i = 0; i < sizeof(key); ++i) {
        Put16(rsrc, vi + 6 + 2 * i, static_cast<unsigned char>(key[i]));
    }
    const std::uint32_t fixed[13] = {spec.signature,
                                     0x10000,
                                     spec.file_ms,
                                     spec.file_ls,
                                     spec.product_ms,
                                     spec.product_ls,
                                     0x3F,
                                     0,
                                     0x40004,
                                     1,
                                     0,
                                     0,
                                     0};
    for (std::size_t i = 0; i < 13; ++i) {
        Put32(rsrc, vi + 40 + 4 * i, fixed[i]);
    }

    std::string image(kRaw + rsrc.size(), '\0');
    image[0] = 'M';
    image[1] = 'Z';
    Put32(image, 0x3C, kPe);
    std::memcpy(&image[kPe], "PE\0\0", 4);
    Put16(image, kPe + 4, spec.pe32plus ? 0x8664 : 0x14C);
    Put16(image, kPe + 6, 1);
    Put16(image, kPe + 20, optional_size);
    Put16(image, optional, spec.pe32plus ? 0x20B : 0x10B);
    const std::size_t dirs = optional + (spec.pe32plus ? 108 : 92);
    Put32(image, dirs, 16);
    Put32(image, dirs + 4 + 2 * 8, kRva);
    Put32(image, dirs + 4 + 2 * 8 + 4, static_cast<std::uint32_t>(rsrc.size()));
    std::memcpy(&image[table], ".rsrc", 5);
    Put32(image, table + 8, static_cast<std::uint32_t>(rsrc.size()));
    Put32(image, table + 12, kRva);
    Put32(image, table + 16, static_cast<std::uint32_t>(rsrc.size()));
    Put32(image, table + 20, kRaw);
    std::memcpy(&image[kRaw], rsrc.data(), rsrc.size());
    return image;
}

class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t n) override {
        if (offset > bytes_.size() || n > bytes_.size() - offset) {
            return false;
        }
        std::memcpy(buffer, bytes_.data() + offset, n);
        return true;
    }

  private:
    std::string bytes_;
};

TEST(GetFileVersion, ReadsPeImages) {
    struct Case {
        const char* name;
        PeSpec spec;
        bool found;
        const char* product;
        const char* file;
    };
    const Case cases[] = {
        {"product version",
         {false, true, kFixedFileInfoSignature, 0x10002, 0x30004, 0x50006, 0x70008},
         true,
         "5.6.7.8",
         "1.2.3.4"},
        {"PE32+",
         {true, true, kFixedFileInfoSignature, 0x10000, 0, 0x20000, 0x10000},
         true,
         "2.0.1.0",
         "1.0.0.0"},
        {"product zero, file 2.1.0.5",
         {false, true, kFixedFileInfoSignature, 0x20001, 0x5, 0, 0},
         true,
         "0.0.0.0",
         "2.1.0.5"},
        {"no version resource",
         {false, false, kFixedFileInfoSignature, 0x10000, 0, 0x10000, 0},
         false,
         "0.0.0.0",
         "0.0.0.0"},
        {"bad signature",
         {false, true, 0xFEEF04BC, 0x10000, 0, 0x10000, 0},
         false,
         "0.0.0.0",
         "0.0.0.0"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("app.exe");
        WriteFile(path, BuildPe(c.spec));
        VsFixedFileInfo info{};
        info.dwFileOS = 77;  // must be cleared on failure too
        EXPECT_EQ(GetFileVersion(path, info), c.found);
        EXPECT_EQ(FormatVersion(info.dwProductVersionMS, info.dwProductVersionLS), c.product);
        EXPECT_EQ(FormatVersion(info.dwFileVersionMS, info.dwFileVersionLS), c.file);
        if (c.found) {
            EXPECT_EQ(info.dwSignature, kFixedFileInfoSignature);
            EXPECT_EQ(info.dwFileOS, 0x40004u);
        } else {
            EXPECT_EQ(info.dwFileOS, 0u);
        }
    }
}

TEST(GetFileVersion, DamagedPeImagesReadAsNoVersion) {
    for (bool plus : {false, true}) {
        PeSpec spec;
        spec.pe32plus = plus;
        spec.product_ms = 0x10000;
        const std::string image = BuildPe(spec);
        VsFixedFileInfo info{};
        MemorySource whole(image);
        ASSERT_TRUE(ReadPeFixedFileInfo(whole, info));
        // Every truncation fails cleanly.
        for (std::size_t n = 0; n < image.size(); ++n) {
            MemorySource cut(image.substr(0, n));
            ASSERT_FALSE(ReadPeFixedFileInfo(cut, info)) << "length " << n;
        }
        // Any single damaged byte must not read outside the image (sanitizers
        // watch this); the result itself may go either way.
        for (std::size_t i = 0; i < image.size(); ++i) {
            for (unsigned char v : {0x00, 0x7F, 0xFF}) {
                std::string bad = image;
                bad[i] = static_cast<char>(v);
                MemorySource source(bad);
                (void)ReadPeFixedFileInfo(source, info);
            }
        }
    }
}

TEST(GetFileVersion, FilesWithoutRecord) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string mz_garbage = test::RandomBytes(4096, 7);
    mz_garbage[0] = 'M';
    mz_garbage[1] = 'Z';
    std::string elf_garbage = test::RandomBytes(4096, 9);
    std::memcpy(&elf_garbage[0],
                "\x7F"
                "ELF\x02\x01",
                6);
    const Case cases[] = {
        {"empty", ""},
        {"text", "just a plain file\n"},
        {"garbage", test::RandomBytes(4096, 3)},
        {"MZ then garbage", mz_garbage},
        {"ELF header then garbage", elf_garbage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.File("file.bin");
        WriteFile(path, c.bytes);
        VsFixedFileInfo info{};
        EXPECT_FALSE(GetFileVersion(path, info));
    }
    VsFixedFileInfo info{};
    EXPECT_FALSE(GetFileVersion(dir.File("missing.exe"), info));
    EXPECT_FALSE(GetFileVersion(dir.Path().string(), info));
}

TEST(GetFileVersion, OwnExecutableCarriesProjectVersion) {
    VsFixedFileInfo info{};
    ASSERT_TRUE(GetFileVersion("/proc/self/exe", info));
    EXPECT_EQ(FormatVersion(info.dwProductVersionMS, info.dwProductVersionLS),
              KESTROW_PROJECT_VERSION);
    EXPECT_EQ(FormatVersion(info.dwFileVersionMS, info.dwFileVersionLS), KESTROW_PROJECT_VERSION);
}

TEST(GetFileVersion, DamagedElfImagesNeverCrash) {
    std::string self = test::ReadFile("/proc/self/exe");
    VsFixedFileInfo info{};
    {
        MemorySource whole(self);
        ASSERT_TRUE(ReadElfFixedFileInfo(whole, info));
    }
    // Damage the header fields that steer the section walk.
    for (std::size_t i = 0; i < 64; ++i) {
        for (unsigned char v : {0x00, 0x01, 0xFF}) {
            std::string bad = self.substr(0, 64);
            bad[i] = static_cast<char>(v);
            bad += self.substr(64);
            MemorySource source(std::move(bad));
            (void)ReadElfFixedFileInfo(source, info);
        }
    }
    MemorySource head(self.substr(0, 4096));
    EXPECT_FALSE(ReadElfFixedFileInfo(head, info));
}

}  // namespace
}  // namespace kestrow::platform
