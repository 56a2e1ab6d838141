#include "archive/lzma_decompressor.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <optional>

#include "archive/file_size_limit.h"
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

const std::string kOldTarget = "old target bytes";

// Runs one call; returns the error message, or "" on success.
std::string Unpack(const std::string& in, const std::string& out, std::int64_t max_output = -1,
                   std::string* class_name = nullptr, const std::atomic<bool>* cancel = nullptr) {
    try {
        DecompressLZMAFile(in, out, max_output, cancel);
        return "";
    } catch (const platform::Error& e) {
        if (class_name)
            *class_name = e.ClassName();
        return e.what();
    }
}

// "text*" matches every message that starts with text.
bool MessageMatches(const std::string& got, std::string_view want) {
    if (want.ends_with('*'))
        return got.starts_with(want.substr(0, want.size() - 1));
    return got == want;
}

std::optional<std::string> Content(const std::string& path) {
    if (!fs::exists(path))
        return std::nullopt;
    return ReadFile(path);
}

// A failure after both files were open, once with no target and once over an
// old one: the archive is gone, the target is as it was, nothing else is left.
void ExpectFailureKeepsTarget(const TempDir& dir, const std::string& name,
                              const std::string& archive, std::string_view message,
                              std::int64_t max_output = -1,
                              std::string_view class_name = "Exception",
                              const std::atomic<bool>* cancel = nullptr) {
    for (const bool old_target : {false, true}) {
        SCOPED_TRACE(name + (old_target ? " over an old target" : " without a target"));
        const std::string in = dir.File(name + ".lzma");
        const std::string out = dir.File(name);
        WriteFile(in, archive);
        if (old_target)
            WriteFile(out, kOldTarget);
        std::string got_class;
        const std::string got = Unpack(in, out, max_output, &got_class, cancel);
        EXPECT_TRUE(MessageMatches(got, message)) << got;
        EXPECT_EQ(got_class, class_name);
        EXPECT_FALSE(fs::exists(in));
        EXPECT_EQ(Content(out), old_target ? std::optional(kOldTarget) : std::nullopt);
        EXPECT_FALSE(fs::exists(out + kUnpackTempSuffix));
        fs::remove(out);
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
    for (const auto& c : cases)
        ExpectFailureKeepsTarget(dir, c.name, c.archive, c.message);
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
        EXPECT_FALSE(fs::exists(out + kUnpackTempSuffix)) << c.name;
    }
}

TEST(DecompressLZMAFile, BrokenDataLeaveTheTargetAsItWas) {
    const std::string data = MixedData(3 * 1048576, 3);
    const std::string unknown = MakeArchive(data, kUnknownSize, true, 1 << 20);
    const std::string known = MakeArchive(data, data.size(), false, 1 << 20);
    struct Case {
        const char* name;
        std::string archive;
    };
    const Case cases[] = {
        // Cut in half: over a megabyte had been decoded before the fault.
        {"unknown_cut", unknown.substr(0, unknown.size() / 2)},
        {"known_cut", known.substr(0, known.size() / 2)},
        {"unknown_without_marker", MakeArchive(data, kUnknownSize, false, 1 << 20)},
        {"header_only_known_size", LzmaHeader(93, 65536, 10)},
    };
    TempDir dir;
    for (const auto& c : cases)
        ExpectFailureKeepsTarget(dir, c.name, c.archive, "Error in data stream");
}

// The program is ending: a cancelled unpacking leaves the target as it was.
TEST(DecompressLZMAFile, CancelStopsTheDecoding) {
    const std::string data = MixedData(1048576, 5);
    const std::atomic<bool> cancel{true};
    TempDir dir;
    ExpectFailureKeepsTarget(dir, "cancelled", MakeArchive(data, data.size(), false),
                             "Unpacking cancelled", -1, "Exception", &cancel);
}

TEST(DecompressLZMAFile, CorruptedBytesFailOrDecodeToTheSameLength) {
    const std::string data = MixedData(200000, 4);
    const std::string archive = MakeArchive(data, data.size(), false);
    TempDir dir;
    const std::string in = dir.File("bad.lzma");
    const std::string out = dir.File("bad");
    for (std::size_t at = 20; at < archive.size(); at += archive.size() / 17) {
        std::string bad = archive;
        bad[at] = static_cast<char>(bad[at] ^ 0x55);
        WriteFile(in, bad);
        WriteFile(out, kOldTarget);
        const std::string message = Unpack(in, out);
        if (message.empty()) {
            EXPECT_EQ(fs::file_size(out), data.size()) << "at " << at;
        } else {
            EXPECT_EQ(message, "Error in data stream") << "at " << at;
            EXPECT_EQ(ReadFile(out), kOldTarget) << "at " << at;
        }
        EXPECT_FALSE(fs::exists(in));
        EXPECT_FALSE(fs::exists(out + kUnpackTempSuffix));
    }
}

// Nothing is deleted when a file could not be opened, and a target that a new
// file must not replace fails as its create did.
TEST(DecompressLZMAFile, OpenFailuresLeaveBothFilesAlone) {
    TempDir dir;
    EXPECT_THROW(DecompressLZMAFile(dir.File("missing.lzma"), dir.File("out")),
                 platform::EFOpenError);
    EXPECT_FALSE(fs::exists(dir.File("out")));

    WriteFile(dir.File("read_only"), kOldTarget);
    chmod(dir.File("read_only").c_str(), 0555);
    fs::create_directory(dir.File("directory"));
    struct Case {
        const char* target;
        const char* reason;
    };
    const Case cases[] = {
        {"no/such/dir/out", "No such file or directory"},
        {"read_only", "Permission denied"},
        {"directory", "Is a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const std::string in = dir.File("a.lzma");
        const std::string out = dir.File(c.target);
        WriteFile(in, MakeArchive("abc", 3, false));
        const auto before = Content(out);
        std::string class_name;
        const std::string message = Unpack(in, out, -1, &class_name);
        EXPECT_EQ(class_name, "EFCreateError");
        EXPECT_TRUE(message.starts_with("Cannot create file \"" + out)) << message;
        EXPECT_TRUE(message.ends_with(c.reason)) << message;
        EXPECT_TRUE(fs::exists(in));
        if (fs::is_regular_file(out)) {
            EXPECT_EQ(Content(out), before);
        }
        EXPECT_FALSE(fs::exists(out + kUnpackTempSuffix));
    }
    EXPECT_TRUE(fs::is_directory(dir.File("directory")));
    EXPECT_EQ(fs::status(dir.File("read_only")).permissions() & fs::perms::all,
              static_cast<fs::perms>(0555));
}

TEST(DecompressLZMAFile, ReplacedTargetKeepsItsPermissionBits) {
    TempDir dir;
    const mode_t mask = umask(0);
    umask(mask);
    // An executable stays executable; a new file gets the usual bits; a stale
    // temporary file from an interrupted run is no obstacle.
    WriteFile(dir.File("tool"), kOldTarget);
    chmod(dir.File("tool").c_str(), 0750);
    WriteFile(dir.File("fresh") + kUnpackTempSuffix, "stale");
    chmod((dir.File("fresh") + kUnpackTempSuffix).c_str(), 0444);
    const std::pair<const char*, mode_t> cases[] = {{"tool", 0750}, {"fresh", 0644 & ~mask}};
    for (const auto& [name, mode] : cases) {
        SCOPED_TRACE(name);
        const std::string out = dir.File(name);
        WriteFile(out + ".lzma", MakeArchive("abc", 3, true));
        EXPECT_EQ(Unpack(out + ".lzma", out), "");
        EXPECT_EQ(ReadFile(out), "abc");
        EXPECT_EQ(fs::status(out).permissions() & fs::perms::all, static_cast<fs::perms>(mode));
        EXPECT_FALSE(fs::exists(out + kUnpackTempSuffix));
    }
}

TEST(DecompressLZMAFile, WindowBeyondTheLimitIsOutOfMemory) {
    TempDir dir;
    // Unknown size, so the declared dictionary is the window.
    ExpectFailureKeepsTarget(
        dir, "a", LzmaHeader(93, 0x7FFFFFFFu, kUnknownSize) + test::EncodeLzma1("abc", true),
        "Out of memory", -1, "EOutOfMemory");
}

TEST(DecompressLZMAFile, OutputCapStopsTheDecoding) {
    const std::string zeros(4 << 20, '\0');
    const std::string data = MixedData(50000, 5);
    const std::int64_t size = static_cast<std::int64_t>(data.size());
    struct Case {
        const char* name;
        std::string archive;
        std::int64_t cap;
        const char* message;  // empty: success with the whole data
    };
    const Case cases[] = {
        {"declared_above_cap", MakeArchive(data, data.size(), false), size - 1,
         "Unpacked size exceeds the expected size: declared=50000, expected=49999"},
        {"unknown_above_cap", MakeArchive(zeros, kUnknownSize, true), 200 << 10,
         "Unpacked data exceed the expected size: expected=204800"},
        {"unknown_one_above_cap", MakeArchive(data, kUnknownSize, true), size - 1,
         "Unpacked data exceed the expected size: expected=49999"},
        {"unknown_at_cap", MakeArchive(data, kUnknownSize, true), size, ""},
        {"unknown_below_cap", MakeArchive(data, kUnknownSize, true), 200 << 10, ""},
        {"known_at_cap", MakeArchive(data, data.size(), false), size, ""},
        // A shorter output is the caller's to judge.
        {"marker_before_declared_size", MakeArchive(data, data.size() + 10, true), size + 10, ""},
    };
    TempDir dir;
    for (const auto& c : cases) {
        if (*c.message) {
            ExpectFailureKeepsTarget(dir, c.name, c.archive, c.message, c.cap);
            continue;
        }
        const std::string out = dir.File(c.name);
        WriteFile(out + ".lzma", c.archive);
        WriteFile(out, kOldTarget);
        EXPECT_EQ(Unpack(out + ".lzma", out, c.cap), "") << c.name;
        EXPECT_TRUE(ReadFile(out) == data) << c.name;
    }
}

// Sizes no disk holds, declared by the header or allowed by the cap.
TEST(DecompressLZMAFile, OutputThatCannotFitFailsBeforeWriting) {
    constexpr std::uint64_t kHuge = std::uint64_t{1} << 62;
    TempDir dir;
    ExpectFailureKeepsTarget(dir, "declared", MakeArchive("abc", kHuge, true),
                             "Not enough disk space: need=4611686018427387904 bytes, free=*");
    ExpectFailureKeepsTarget(dir, "capped", MakeArchive("abc", kUnknownSize, true),
                             "Not enough disk space: need=4611686018427387904 bytes, free=*",
                             static_cast<std::int64_t>(kHuge));
}

// A disk that fills up while unpacking: the run must see the failure, and the
// old file must survive it.
TEST(DecompressLZMAFile, WriteFailuresKeepTheOldTarget) {
    const std::string data = MixedData(3 << 20, 6);
    const std::string zeros(3 << 20, '\0');
    struct Case {
        const char* name;
        std::string archive;
        std::int64_t cap;
        const char* result;
    };
    const Case cases[] = {
        {"no_room", MakeArchive(data, kUnknownSize, true, 1 << 20), -1,
         "EWriteError: Stream write error: File too large"},
        // The cap stops the decoder long before the disk would.
        {"capped", MakeArchive(zeros, kUnknownSize, true), 200 << 10,
         "Exception: Unpacked data exceed the expected size: expected=204800"},
    };
    TempDir dir;
    const std::string old = MixedData(5000, 7);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string in = dir.File(std::string(c.name) + ".lzma");
        const std::string out = dir.File(c.name);
        WriteFile(in, c.archive);
        WriteFile(out, old);
        EXPECT_EQ(test::RunWithFileSizeLimit(1 << 20, [&] { DecompressLZMAFile(in, out, c.cap); }),
                  c.result);
        EXPECT_TRUE(ReadFile(out) == old);
        EXPECT_FALSE(fs::exists(in));
        EXPECT_FALSE(fs::exists(out + kUnpackTempSuffix));
    }
}

}  // namespace
}  // namespace kestrow::archive
