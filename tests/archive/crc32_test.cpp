#include "archive/crc32.h"

#include <gtest/gtest.h>
#include <lzma.h>

#include <filesystem>

#include "platform/error.h"
#include "platform/file_stream.h"
#include "support/temp_dir.h"

namespace kestrow::archive {
namespace {

using test::RandomBytes;
using test::TempDir;
using test::WriteFile;

// One table lookup per byte, as the checksum is defined.
std::uint32_t ReferenceCrc(std::string_view bytes) {
    std::uint32_t reg = 0xFFFFFFFFu;
    for (unsigned char b : bytes)
        reg = (reg >> 8) ^ CRC32Table()[(reg ^ b) & 0xFF];
    return reg ^ 0xFFFFFFFFu;
}

TEST(CRC32, TableIsTheReflectedPolynomial) {
    const auto& table = CRC32Table();
    EXPECT_EQ(table[0], 0u);
    EXPECT_EQ(table[1], 0x77073096u);
    EXPECT_EQ(table[128], 0xEDB88320u);
    EXPECT_EQ(table[255], 0x2D02EF8Du);
}

TEST(CRC32, KernelMatchesTheTableLoopBitForBit) {
    const std::string data = RandomBytes(100000, 7);
    // Odd lengths and unaligned starts reach every tail path of a vector kernel.
    for (std::size_t offset : {0u, 1u, 3u, 7u, 13u}) {
        for (std::size_t length :
             {0u, 1u, 2u, 15u, 16u, 63u, 64u, 65u, 255u, 256u, 1000u, 4097u, 65536u, 99000u}) {
            const std::string_view piece = std::string_view(data).substr(offset, length);
            const std::uint32_t reg = UpdateCRC32(0xFFFFFFFFu, piece.data(), piece.size());
            EXPECT_EQ(reg ^ 0xFFFFFFFFu, ReferenceCrc(piece))
                << "offset " << offset << " length " << length;
        }
    }
    // Chained updates equal one pass: the register goes in and out raw.
    std::uint32_t reg = 0xFFFFFFFFu;
    reg = UpdateCRC32(reg, data.data(), 333);
    reg = UpdateCRC32(reg, data.data() + 333, data.size() - 333);
    EXPECT_EQ(reg ^ 0xFFFFFFFFu, ReferenceCrc(data));
    EXPECT_EQ(UpdateCRC32(0x12345678u, data.data(), 0), 0x12345678u);
}

TEST(CRC32, TextIsEightUpperCaseDigits) {
    EXPECT_EQ(CrcText(0), "00000000");
    EXPECT_EQ(CrcText(0xABCD), "0000ABCD");
    EXPECT_EQ(CrcText(0xDEADBEEF), "DEADBEEF");
    EXPECT_EQ(CrcText(0xFFFFFFFF), "FFFFFFFF");
}

TEST(CRC32, FileChecksums) {
    TempDir dir;
    const std::string one_mib = RandomBytes(1048576, 1);
    const std::string one_mib_plus = one_mib + "x";
    // Long enough for the two-thread reader, ending in a part-filled half.
    const std::string large = RandomBytes(9 * 1048576 + 7, 2);
    struct Case {
        const char* name;
        std::string content;
        std::string expected;
    };
    const Case cases[] = {
        {"empty", "", "00000000"},
        {"digits", "123456789", "CBF43926"},
        {"one_block", one_mib, CrcText(ReferenceCrc(one_mib))},
        {"two_blocks", one_mib_plus, CrcText(ReferenceCrc(one_mib_plus))},
        {"large", large, CrcText(ReferenceCrc(large))},
    };
    for (const auto& c : cases) {
        WriteFile(dir.File(c.name), c.content);
        EXPECT_EQ(FileCRC32(dir.File(c.name)), c.expected) << c.name;
    }
}

TEST(CRC32, StreamCountAndPosition) {
    TempDir dir;
    WriteFile(dir.File("f"), "xx123456789yy");
    platform::FileStream stream(dir.File("f"), platform::OpenMode::Read,
                                platform::ShareMode::DenyNone);
    stream.Seek(2, platform::SeekOrigin::Begin);
    EXPECT_EQ(StreamCRC32(stream, 9), 0xCBF43926u);
    // Count 0 starts over from the beginning.
    EXPECT_EQ(StreamCRC32(stream, 0), ReferenceCrc("xx123456789yy"));
}

TEST(CRC32, Failures) {
    TempDir dir;
    EXPECT_THROW(FileCRC32(dir.File("missing")), platform::EFOpenError);
    EXPECT_THROW(FileCRC32(dir.Path().string()), platform::EFOpenError);

    // Fewer bytes than the count asks for, as when a file shrinks meanwhile.
    WriteFile(dir.File("short"), "12345");
    platform::FileStream stream(dir.File("short"), platform::OpenMode::Read,
                                platform::ShareMode::DenyNone);
    EXPECT_THROW(StreamCRC32(stream, 6), platform::EReadError);
    WriteFile(dir.File("large"), RandomBytes(5 * 1048576, 9));
    platform::FileStream large(dir.File("large"), platform::OpenMode::Read,
                               platform::ShareMode::DenyNone);
    EXPECT_THROW(StreamCRC32(large, 5 * 1048576 + 1), platform::EReadError);
}

TEST(CRC32, FileOpenForWritingElsewhereIsRead) {
    TempDir dir;
    platform::FileStream writer(dir.File("f"), platform::OpenMode::Create,
                                platform::ShareMode::DenyNone);
    writer.Write("123456789", 9);
    EXPECT_EQ(FileCRC32(dir.File("f")), "CBF43926");
}

TEST(CRC32, FilesOf2GiBAndMoreAreComputed) {
    TempDir dir;
    const std::string path = dir.File("big");
    const std::uint64_t size = (std::uint64_t{1} << 31) + 3;
    {
        platform::FileStream f(path, platform::OpenMode::Create, platform::ShareMode::Exclusive);
        f.Seek(static_cast<std::int64_t>(size - 3), platform::SeekOrigin::Begin);
        f.Write("abc", 3);
    }
    ASSERT_EQ(std::filesystem::file_size(path), size);
    // An independent kernel over the same sparse bytes.
    const std::string zeros(1 << 20, '\0');
    std::uint32_t expected = 0;
    for (std::uint64_t left = size - 3; left > 0; left -= zeros.size()) {
        expected =
            lzma_crc32(reinterpret_cast<const std::uint8_t*>(zeros.data()), zeros.size(), expected);
    }
    expected = lzma_crc32(reinterpret_cast<const std::uint8_t*>("abc"), 3, expected);
    EXPECT_EQ(FileCRC32(path), CrcText(expected));
}

}  // namespace
}  // namespace kestrow::archive
