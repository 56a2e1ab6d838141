#include <gtest/gtest.h>

#include "log/updater_paths.h"
#include "platform/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace kestrow::log {
namespace {

using test::ScopedEnv;

TEST(UpdaterPaths, BaseFollowsLocalAppDataWithOneTrailingSeparator) {
    struct Case {
        const char* local_app_data;
        const char* xdg_data_home;
        const char* expected;
    } cases[] = {
        {"/users/p/AppData/Local", "/xdg", "/users/p/AppData/Local/"},
        {"/users/p/AppData/Local/", "/xdg", "/users/p/AppData/Local/"},
        {"", "/xdg/data", "/xdg/data/"},
        {nullptr, "/xdg/data/", "/xdg/data/"},
    };
    for (const Case& c : cases) {
        ScopedEnv a("LOCALAPPDATA", c.local_app_data), b("XDG_DATA_HOME", c.xdg_data_home);
        EXPECT_EQ(GetLocalAppDataDir(), c.expected)
            << (c.local_app_data ? c.local_app_data : "unset");
    }
}

TEST(UpdaterPaths, DirectoriesAreCreatedWhenAskedForAndTheCacheFileIsNot) {
    test::TempDir tmp;
    const std::string base = tmp.Path().string();
    ScopedEnv env("LOCALAPPDATA", base.c_str());

    EXPECT_EQ(GetUpdaterDataDir(), base + "/Kestrow/Updater/");
    EXPECT_TRUE(platform::DirectoryExists(base + "/Kestrow/Updater"));
    EXPECT_FALSE(platform::DirectoryExists(base + "/Kestrow/Updater/logs"));

    EXPECT_EQ(GetUpdaterLogDir(), base + "/Kestrow/Updater/logs/");
    EXPECT_TRUE(platform::DirectoryExists(base + "/Kestrow/Updater/logs"));

    EXPECT_EQ(GetUpdaterCacheFilePath(), base + "/Kestrow/Updater/updater_cache_v1.dat");
    EXPECT_FALSE(platform::FileExists(base + "/Kestrow/Updater/updater_cache_v1.dat"));
}

TEST(UpdaterPaths, ADirectoryThatCannotBeCreatedStillYieldsItsPath) {
    test::TempDir tmp;
    const std::string blocker = tmp.File("file");
    test::WriteFile(blocker, "x");
    ScopedEnv env("LOCALAPPDATA", blocker.c_str());
    EXPECT_EQ(GetUpdaterLogDir(), blocker + "/Kestrow/Updater/logs/");
}

}  // namespace
}  // namespace kestrow::log
