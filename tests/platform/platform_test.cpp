#include <sys/stat.h>

#include <gtest/gtest.h>
#include <cstdlib>

#include "platform/env.h"
#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace kestrow::platform {
namespace {

using test::ScopedEnv;

TEST(PlatformEnv, PerUserFoldersFollowTheVariablesThenTheFallbacks) {
    ScopedEnv home("HOME", "/home/player");
    {
        ScopedEnv a("LOCALAPPDATA", "/la/"), b("XDG_DATA_HOME", "/xdg");
        EXPECT_EQ(LocalAppDataFolder(), "/la");
    }
    {
        ScopedEnv a("LOCALAPPDATA", ""), b("XDG_DATA_HOME", "/xdg");
        EXPECT_EQ(LocalAppDataFolder(), "/xdg");
    }
    {
        ScopedEnv a("LOCALAPPDATA", nullptr), b("XDG_DATA_HOME", nullptr);
        EXPECT_EQ(LocalAppDataFolder(), "/home/player/.local/share");
    }
    {
        ScopedEnv a("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(RoamingAppDataFolder(), "/home/player/.config");
    }
    {
        // Relative XDG folders are ignored.
        ScopedEnv a("XDG_CONFIG_HOME", "conf"), b("LOCALAPPDATA", nullptr),
            c("XDG_DATA_HOME", "data/");
        EXPECT_EQ(RoamingAppDataFolder(), "/home/player/.config");
        EXPECT_EQ(LocalAppDataFolder(), "/home/player/.local/share");
    }
    {
        ScopedEnv a("USERPROFILE", nullptr);
        EXPECT_EQ(UserProfileFolder(), "/home/player");
    }
    {
        ScopedEnv a("TMPDIR", "/var/tmp");
        EXPECT_EQ(TempPath(), "/var/tmp/");
    }
    {
        ScopedEnv a("TMPDIR", nullptr);
        EXPECT_EQ(TempPath(), "/tmp/");
    }
}

TEST(PlatformFiles, AttributesSizesAndDirectoryChains) {
    test::TempDir dir;
    const std::string nested = dir.File("a/b/c");
    ASSERT_TRUE(CreateDirectoryChain(nested));
    EXPECT_TRUE(DirectoryExists(nested));
    EXPECT_TRUE(CreateDirectoryChain(nested + "/"));  // again, and with a trailing separator

    const std::string file = nested + "/f.bin";
    EXPECT_FALSE(FileExists(file));
    EXPECT_EQ(FileSize(file), -1);
    test::WriteFile(file, "12345");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(nested));
    EXPECT_EQ(FileSize(file), 5);

    EXPECT_FALSE(IsReadOnly(file));
    chmod(file.c_str(), 0444);
    EXPECT_TRUE(IsReadOnly(file));
    EXPECT_TRUE(SetNormalAttributes(file));
    EXPECT_FALSE(IsReadOnly(file));

    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(DeleteFile(file));
}

TEST(PlatformFiles, FreeDiskSpaceOfExistingPathsOnly) {
    test::TempDir dir;
    test::WriteFile(dir.File("f"), "x");
    const std::int64_t free = FreeDiskSpace(dir.Path().string());
    EXPECT_GT(free, 0);
    EXPECT_GT(FreeDiskSpace(dir.File("f")), 0);
    EXPECT_EQ(FreeDiskSpace(dir.File("missing/f")), -1);
}

TEST(PlatformFiles, GameNamesBecomeHostPaths) {
    EXPECT_EQ(GameToHostPath("system\\l2.exe"), "system/l2.exe");
    EXPECT_EQ(GameToHostPath("maps\\sub dir\\a.unr"), "maps/sub dir/a.unr");
    EXPECT_EQ(GameToHostPath("plain.txt"), "plain.txt");
    EXPECT_EQ(ParentDirectory("/x/y/z.txt"), "/x/y");
    EXPECT_EQ(ParentDirectory("z.txt"), "");
    EXPECT_EQ(JoinPath("/a/", "/b"), "/a/b");
}

TEST(PlatformFileStream, OpenErrorsCarryTheirClassAndTheSystemText) {
    test::TempDir dir;
    try {
        FileStream s(dir.File("missing"), OpenMode::Read, ShareMode::DenyNone);
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.ClassName(), "EFOpenError");
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }
    try {
        FileStream s(dir.File("no/dir/x"), OpenMode::Create, ShareMode::Exclusive);
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(ExceptionClassName(e), "EFCreateError");
    }
    EXPECT_THROW(FileStream(dir.Path().string(), OpenMode::Read, ShareMode::DenyNone), EFOpenError);
}

TEST(PlatformFileStream, ReadWriteSeekAndShortReads) {
    test::TempDir dir;
    const std::string path = dir.File("s.bin");
    {
        FileStream s(path, OpenMode::Create, ShareMode::Exclusive);
        EXPECT_EQ(s.Write("abcdef", 6), 6);
    }
    FileStream s(path, OpenMode::Read, ShareMode::DenyNone);
    s.Advise(AccessHint::Sequential);
    EXPECT_EQ(s.Size(), 6);
    char buf[8] = {};
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(s.Seek(0, SeekOrigin::Current), 4);
    EXPECT_THROW(s.ReadBuffer(buf, 4), EReadError);
    EXPECT_EQ(s.Seek(1, SeekOrigin::Begin), 1);
    EXPECT_EQ(s.Read(buf, 8), 5);
    EXPECT_EQ(std::string(buf, 5), "bcdef");
}

TEST(PlatformErrors, ClassNamesOfForeignExceptions) {
    EXPECT_EQ(ExceptionClassName(std::bad_alloc()), "EOutOfMemory");
    EXPECT_EQ(ExceptionClassName(std::runtime_error("x")), "std::runtime_error");
}

}  // namespace
}  // namespace kestrow::platform
