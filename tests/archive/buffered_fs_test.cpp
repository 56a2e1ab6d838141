#include "archive/buffered_fs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "archive/file_size_limit.h"
#include "platform/error.h"
#include "support/temp_dir.h"

namespace kestrow::archive {
namespace {

using platform::OpenMode;
using platform::SeekOrigin;
using platform::ShareMode;
using test::RandomBytes;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Shows the buffer state.
class Probe : public TBufferedFS {
  public:
    using TBufferedFS::TBufferedFS;
    std::int32_t Unread() const { return bytesinbuffer; }
    std::int32_t Pending() const { return bufferpos; }
    bool Dirty() const { return bufferdirty; }
};

std::string ReadN(TBufferedFS& fs, std::int64_t n) {
    std::string out(static_cast<std::size_t>(n), '\0');
    out.resize(static_cast<std::size_t>(fs.Read(out.data(), n)));
    return out;
}

TEST(TBufferedFS, ReadsInPiecesUntilTheEnd) {
    TempDir dir;
    WriteFile(dir.File("f"), "0123456789");
    TBufferedFS fs(dir.File("f"), OpenMode::Read, ShareMode::DenyNone);
    EXPECT_EQ(ReadN(fs, 5), "01234");
    EXPECT_EQ(ReadN(fs, 5), "56789");
    EXPECT_EQ(ReadN(fs, 5), "");
}

TEST(TBufferedFS, LargeReadGoesStraightToTheCaller) {
    TempDir dir;
    const std::string data = RandomBytes(200000, 3);
    WriteFile(dir.File("f"), data);
    Probe fs(dir.File("f"), OpenMode::Read, ShareMode::DenyNone);
    EXPECT_EQ(ReadN(fs, 70000), data.substr(0, 70000));
    EXPECT_EQ(fs.Unread(), 0);
    EXPECT_EQ(fs.Seek(0, SeekOrigin::Current), 70000);
}

TEST(TBufferedFS, ShortReadJoinsBufferedAndFreshBytes) {
    TempDir dir;
    const std::string data = RandomBytes(65536 + 100, 4);
    WriteFile(dir.File("f"), data);
    Probe fs(dir.File("f"), OpenMode::Read, ShareMode::DenyNone);
    EXPECT_EQ(ReadN(fs, 65533), data.substr(0, 65533));
    ASSERT_EQ(fs.Unread(), 3);
    // 3 buffered bytes, then the next 5 of the file.
    EXPECT_EQ(ReadN(fs, 8), data.substr(65533, 8));
    EXPECT_EQ(fs.Unread(), 95);
    EXPECT_EQ(fs.Seek(0, SeekOrigin::Current), 65541);
    EXPECT_EQ(ReadN(fs, 1000), data.substr(65541));
}

TEST(TBufferedFS, WritesAreBufferedAndFlushedOnDestroy) {
    TempDir dir;
    {
        TBufferedFS fs(dir.File("three"), OpenMode::Create, ShareMode::Exclusive);
        EXPECT_EQ(fs.Write("abc", 3), 3);
        EXPECT_EQ(std::filesystem::file_size(dir.File("three")), 0u);
        EXPECT_EQ(fs.Seek(0, SeekOrigin::Current), 3);
    }
    EXPECT_EQ(ReadFile(dir.File("three")), "abc");

    const std::string data = RandomBytes(65537, 5);
    {
        Probe fs(dir.File("split"), OpenMode::Create, ShareMode::Exclusive);
        EXPECT_EQ(fs.Write(data.data(), 65535), 65535);
        EXPECT_EQ(fs.Write(data.data() + 65535, 2), 2);
        // The topped-up buffer went out; one byte waits.
        EXPECT_EQ(fs.Pending(), 1);
        EXPECT_EQ(std::filesystem::file_size(dir.File("split")), 65536u);
    }
    EXPECT_EQ(ReadFile(dir.File("split")), data);
}

TEST(TBufferedFS, LargeWritePassesStraightThrough) {
    TempDir dir;
    const std::string data = RandomBytes(70000 + 65536 + 10, 6);
    {
        Probe fs(dir.File("f"), OpenMode::Create, ShareMode::Exclusive);
        EXPECT_EQ(fs.Write(data.data(), 70000), 70000);
        EXPECT_EQ(fs.Pending(), 0);
        EXPECT_FALSE(fs.Dirty());
        EXPECT_EQ(std::filesystem::file_size(dir.File("f")), 70000u);
        // Partly filled buffer: topped up and written; the short rest waits.
        EXPECT_EQ(fs.Write(data.data() + 70000, 10), 10);
        EXPECT_EQ(fs.Write(data.data() + 70010, 65536), 65536);
        EXPECT_EQ(fs.Pending(), 10);
        EXPECT_EQ(std::filesystem::file_size(dir.File("f")), 70000u + 65536u);
        EXPECT_EQ(fs.Seek(0, SeekOrigin::Current), static_cast<std::int64_t>(data.size()));
    }
    EXPECT_EQ(ReadFile(dir.File("f")), data);
}

TEST(TBufferedFS, SwitchingDirectionKeepsTheLogicalPosition) {
    TempDir dir;
    WriteFile(dir.File("f"), "0123456789abcdefghij");
    {
        TBufferedFS fs(dir.File("f"), OpenMode::ReadWrite, ShareMode::Exclusive);
        EXPECT_EQ(ReadN(fs, 5), "01234");
        EXPECT_EQ(fs.Seek(0, SeekOrigin::Current), 5);
        EXPECT_EQ(fs.Write("XY", 2), 2);
        EXPECT_EQ(ReadN(fs, 3), "789");  // the pending write goes out first
        EXPECT_EQ(fs.Seek(2, SeekOrigin::Current), 12);
        EXPECT_EQ(ReadN(fs, 2), "cd");
        EXPECT_EQ(fs.Seek(-3, SeekOrigin::End), 17);
        EXPECT_EQ(ReadN(fs, 10), "hij");
    }
    EXPECT_EQ(ReadFile(dir.File("f")), "01234XY789abcdefghij");
}

TEST(TBufferedFS, OpenAndCreateFailuresRaise) {
    TempDir dir;
    EXPECT_THROW(TBufferedFS(dir.File("missing"), OpenMode::Read, ShareMode::DenyNone),
                 platform::EFOpenError);
    EXPECT_THROW(TBufferedFS(dir.File("no/such/dir"), OpenMode::Create, ShareMode::Exclusive),
                 platform::EFCreateError);
}

// Writes past a file size limit fail with EFBIG: every path that hands bytes
// to the file raises instead of returning a short count.
TEST(TBufferedFS, WritesTheFileSystemRefusesRaise) {
    constexpr std::int64_t kLimit = 1 << 20;
    const std::string data = RandomBytes(2 << 20, 7);
    TempDir dir;
    const std::string path = dir.File("f");
    const auto create = [&] {
        return std::make_unique<TBufferedFS>(path, OpenMode::Create, ShareMode::Exclusive);
    };
    struct Case {
        const char* name;
        std::function<void()> body;
        const char* result;
    };
    const Case cases[] = {
        {"plain stream",
         [&] {
             platform::FileStream fs(path, OpenMode::Create, ShareMode::Exclusive);
             fs.Write(data.data(), 2 * kLimit);
         },
         "EWriteError: Stream write error: File too large"},
        {"write passing the buffer", [&] { create()->Write(data.data(), 2 * kLimit); },
         "EWriteError: Stream write error: File too large"},
        {"small writes filling the buffer",
         [&] {
             auto fs = create();
             for (std::int64_t at = 0; at < 2 * kLimit; at += 1000)
                 fs->Write(data.data() + at, 1000);
         },
         "EWriteError: Stream write error: File too large"},
        // The file takes 10 of the 100 waiting bytes, then refuses the rest.
        {"flush of a partly taken buffer",
         [&] {
             auto fs = create();
             fs->Write(data.data(), kLimit - 10);
             fs->Write(data.data(), 100);
             fs->Flush();
         },
         "EWriteError: Stream write error: File too large"},
        // The destructor cannot report it; it must not end the process either.
        {"destructor",
         [&] {
             auto fs = create();
             fs->Write(data.data(), kLimit);
             fs->Write(data.data(), 100);
         },
         ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(test::RunWithFileSizeLimit(kLimit, c.body), c.result) << c.name;
        EXPECT_EQ(std::filesystem::file_size(path), static_cast<std::uintmax_t>(kLimit)) << c.name;
    }
}

}  // namespace
}  // namespace kestrow::archive
