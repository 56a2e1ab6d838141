#include "archive/lzma_decompressor.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "archive/lzma_fixtures.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace kestrow::archive {
namespace {

using test::kUnknownSize;
using test::LzmaHeader;
using test::MakeArchive;
using test::MixedData;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

namespace fs = std::filesystem;

// Runs one call; returns the error message, or "" on success.
std::string Unpack(const std::string& in, const std::string& out,
                   std::string* class_name = nullptr) {
    try {
        DecompressLZMAFile(in, out);
        return "";
    } catch (const platform::Error& e) {
        if (class_name)
            *class_name = e.ClassName();
        return e.what();
    }
}

TEST(DecompressLZMAFile, DamagedHeadersFailBeforeDecoding) {
    const std::string data = "payload";
    const std::string body = test::EncodeLzma1(data, false);
    struct Case {
        const char* name;
        std::string archive;
        const char* message;
    };
    const Case cases[] = {
        {"empty", "", "input .lzma file is too short"},
        {"four_bytes", std::string("\x5d\0\0\x01", 4), "input .lzma file is too short"},
        {"props_225", LzmaHeader(225, 65536, 7) + body, "Incorrect stream properties"},
        {"props_255", LzmaHeader(255, 65536, 7) + body, "Incorrect stream properties"},
        {"dict_2_31", LzmaHeader(93, 0x80000000u, 7) + body, "Incorrect stream properties"},
        {"dict_max", LzmaHeader(93, 0xFFFFFFFFu, 7) + body, "Incorrect stream properties"},
        {"five_bytes", LzmaHeader(93, 65536, 7).substr(0, 5), "Can't read stream size"},
        {"twelve_bytes", LzmaHeader(93, 65536, 7).substr(0, 12), "Can't read stream size"},
        // lc 4 + lp 1 and lc 8 + lp 4 + pb 4: valid headers liblzma cannot decode.
        {"lc_lp_5", LzmaHeader(103, 65536, 7) + body, "Error in data stream"},
        {"props_224", LzmaHeader(224, 65536, 7) + body, "Error in data stream"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string in = dir.File(std::string(c.name) + ".lzma");
        const std::string out = dir.File(c.name);
        WriteFile(in, c.archive);
        std::string class_name;
        EXPECT_EQ(Unpack(in, out, &class_name), c.message) << c.name;
        EXPECT_EQ(class_name, "Exception") << c.name;
        EXPECT_FALSE(fs::exists(in)) << c.name;
        ASSERT_TRUE(fs::exists(out)) << c.name;
        EXPECT_EQ(fs::file_size(out), 0u) << c.name;
    }
}

TEST(DecompressLZMAFile, DecodesEverySizeConvention) {
    const std::string small = MixedData(50000, 1);
    // Several output chunks, the last one partial.
    const std::string large = MixedData(5 * 1048576 + 12345, 2);
    const auto with_marker = [](const std::string& d, std::uint64_t declared,
                                std::uint32_t dict = 1 << 16) {
        return MakeArchive(d, declared, true, dict);
    };
    const std::string body = test::EncodeLzma1(small, true);
    struct Case {
        const char* name;
        std::string archive;
        std::string expected;
    };
    const Case cases[] = {
        {"size_0_nothing_after", LzmaHeader(93, 65536, 0), ""},
        {"known_no_marker", MakeArchive(small, small.size(), false), small},
        {"known_with_marker", with_marker(small, small.size()), small},
        {"unknown_with_marker", with_marker(small, kUnknownSize), small},
        {"marker_before_known_size", with_marker(small, small.size() + 1000), small},
        {"extra_bytes_after_known_size",
         MakeArchive(small, small.size(), false) + std::string(5000, '\x5a'), small},
        {"prefix_of_known_data", MakeArchive(small, 1000, false), small.substr(0, 1000)},
        {"large_known", MakeArchive(large, large.size(), false, 1 << 20), large},
        {"large_unknown", with_marker(large, kUnknownSize, 1 << 20), large},
        // Any dictionary below 2^31 is accepted; a known size bounds the window.
        {"dict_0", LzmaHeader(93, 0, small.size()) + test::EncodeLzma1(small, true, 4096), small},
        {"dict_odd", LzmaHeader(93, 100001, kUnknownSize) + body, small},
        {"dict_2_31_minus_1", LzmaHeader(93, 0x7FFFFFFFu, small.size()) + body, small},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string in = dir.File(std::string(c.name) + ".lzma");
        const std::string out = dir.File(c.name);
        WriteFile(in, c.archive);
        EXPECT_EQ(Unpack(in, out), "") << c.name;
        EXPECT_FALSE(fs::exists(in)) << c.name;
        EXPECT_TRUE(ReadFile(out) == c.expected) << c.name;
    }
}

TEST(DecompressLZMAFile, BrokenDataKeepWhatWasDecoded) {
    const std::string data = MixedData(3 * 1048576, 3);
    const std::string unknown = MakeArchive(data, kUnknownSize, true, 1 << 20);
    const std::string known = MakeArchive(data, data.size(), false, 1 << 20);
    struct Case {
        const char* name;
        std::string archive;
    };
    const Case cases[] = {
        {"unknown_cut", unknown.substr(0, unknown.size() / 2)},
        {"known_cut", known.substr(0, known.size() / 2)},
        {"unknown_without_marker", MakeArchive(data, kUnknownSize, false, 1 << 20)},
        {"header_only_known_size", LzmaHeader(93, 65536, 10)},
    };
    TempDir dir;
    for (const auto& c : cases) {
        const std::string in = dir.File(std::string(c.name) + ".lzma");
        const std::string out = dir.File(c.name);
        WriteFile(in, c.archive);
        EXPECT_EQ(Unpack(in, out), "Error in data stream") << c.name;
        EXPECT_FALSE(fs::exists(in)) << c.name;
        const std::string got = ReadFile(out);
        EXPECT_LE(got.size(), data.size()) << c.name;
        EXPECT_TRUE(data.compare(0, got.size(), got) == 0) << c.name << ": not a prefix";
    }
    // Cut in half, most of the first half's output is there.
    EXPECT_GT(fs::file_size(dir.File("unknown_cut")), data.size() / 4);
}

TEST(DecompressLZMAFile, CorruptedBytesFailOrDecodeToTheSameLength) {
    const std::string data = MixedData(200000, 4);
    const std::string archive = MakeArchive(data, data.size(), false);
    TempDir dir;
    for (std::size_t at = 20; at < archive.size(); at += archive.size() / 17) {
        std::string bad = archive;
        bad[at] = static_cast<char>(bad[at] ^ 0x55);
        const std::string in = dir.File("bad.lzma");
        WriteFile(in, bad);
        const std::string message = Unpack(in, dir.File("bad"));
        const auto size = fs::file_size(dir.File("bad"));
        if (message.empty()) {
            EXPECT_EQ(size, data.size()) << "at " << at;
        } else {
            EXPECT_EQ(message, "Error in data stream") << "at " << at;
            EXPECT_LE(size, data.size()) << "at " << at;
        }
        EXPECT_FALSE(fs::exists(in));
    }
}

TEST(DecompressLZMAFile, OpenFailuresLeaveBothFilesAlone) {
    TempDir dir;
    // Missing archive: no output appears.
    EXPECT_THROW(DecompressLZMAFile(dir.File("missing.lzma"), dir.File("out")),
                 platform::EFOpenError);
    EXPECT_FALSE(fs::exists(dir.File("out")));

    // Output cannot be created: the archive stays.
    const std::string in = dir.File("a.lzma");
    WriteFile(in, MakeArchive("abc", 3, false));
    EXPECT_THROW(DecompressLZMAFile(in, dir.File("no/such/dir/out")), platform::EFCreateError);
    EXPECT_TRUE(fs::exists(in));
}

TEST(DecompressLZMAFile, ExistingOutputIsTruncated) {
    TempDir dir;
    WriteFile(dir.File("out"), std::string(100000, 'z'));
    WriteFile(dir.File("a.lzma"), MakeArchive("abc", 3, true));
    DecompressLZMAFile(dir.File("a.lzma"), dir.File("out"));
    EXPECT_EQ(ReadFile(dir.File("out")), "abc");
}

TEST(DecompressLZMAFile, WindowBeyondTheLimitIsOutOfMemory) {
    TempDir dir;
    // Unknown size, so the declared dictionary is the window.
    WriteFile(dir.File("a.lzma"),
              LzmaHeader(93, 0x7FFFFFFFu, kUnknownSize) + test::EncodeLzma1("abc", true));
    try {
        DecompressLZMAFile(dir.File("a.lzma"), dir.File("out"));
        ADD_FAILURE() << "no error";
    } catch (const platform::EOutOfMemory& e) {
        EXPECT_STREQ(e.ClassName(), "EOutOfMemory");
    }
    EXPECT_FALSE(fs::exists(dir.File("a.lzma")));
    EXPECT_EQ(fs::file_size(dir.File("out")), 0u);
}

}  // namespace
}  // namespace kestrow::archive
