#include <gtest/gtest.h>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/launcher_state.h"
#include "platform/isolated_env.h"
#include "platform/process_record.h"
#include "shell/game_launch.h"

namespace kestrow::shell {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

// A game directory whose clients are started through a Wine stand-in that
// records how it was started.
class GameLaunchTest : public ::testing::Test {
  protected:
    std::string Client(const char* folder) {
        const std::string exe = user_.File(std::string("game/") + folder + "/l2.exe");
        kestrow::test::WriteFile(exe, "MZ");
        return exe;
    }
    std::string Game() const { return user_.File("game"); }
    std::optional<kestrow::test::ProcessRecord> Started() {
        return kestrow::test::AwaitProcessRecord(record_);
    }

    kestrow::test::IsolatedUser user_;
    core::ScopedLauncherState state_;
    std::string record_ = user_.File("record");
    kestrow::test::ScopedEnvVar record_env_{"KESTROW_TEST_RECORD", record_};
    kestrow::test::ScopedEnvVar wine_{"KESTROW_WINE",
                                      "\"" KESTROW_TEST_HELPER "\" record --wine-stand-in"};
};

TEST_F(GameLaunchTest, OpenExeFilesStartsTheQuotedClientInItsOwnFolder) {
    const std::string exe = Client("system");
    // Blanks around the path are trimmed before the existence test.
    ASSERT_TRUE(OpenExeFiles("  " + exe + "  "));
    std::optional<kestrow::test::ProcessRecord> r = Started();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->argv, (Words{KESTROW_TEST_HELPER, "record", "--wine-stand-in", exe}));
    EXPECT_EQ(r->cwd, kestrow::test::CanonicalFolder(Game() + "/system"));
}

TEST_F(GameLaunchTest, OpenExeFilesRefusesMissingEmptyAndQuotedPaths) {
    Client("system");
    EXPECT_FALSE(OpenExeFiles(""));
    EXPECT_FALSE(OpenExeFiles("   "));
    EXPECT_FALSE(OpenExeFiles(Game() + "/system_new/l2.exe"));
    EXPECT_FALSE(OpenExeFiles(Game() + "/system"));
    EXPECT_FALSE(OpenExeFiles("\"" + Game() + "/system/l2.exe\""));
    kestrow::test::ScopedEnvVar no_wine("KESTROW_WINE", user_.File("no-wine"));
    EXPECT_FALSE(OpenExeFiles(Game() + "/system/l2.exe"));
    EXPECT_FALSE(fs::exists(record_));
}

TEST_F(GameLaunchTest, StartButtonUsesTheWorkingDirectoryAndClosesTheWindow) {
    Client("system");
    Client("system_classic");
    int closed = 0, updates = 0;
    const LaunchActions actions{[&] { ++updates; }, [&] { ++closed; }, {}};
    const fs::path old_cwd = fs::current_path();
    fs::current_path(Game());
    const bool started = StartSelectedGame(1, actions);
    fs::current_path(old_cwd);
    ASSERT_TRUE(started);
    std::optional<kestrow::test::ProcessRecord> r = Started();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->argv.size(), 4u);
    EXPECT_EQ(fs::canonical(r->argv[3]), fs::canonical(Game() + "/system/l2.exe"));
    EXPECT_EQ(r->cwd, kestrow::test::CanonicalFolder(Game() + "/system"));
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(updates, 0);
}

TEST_F(GameLaunchTest, ListItemChoosesTheClientAndAMissingOneStartsAnUpdate) {
    struct Case {
        int list_index;
        const char* folder;
    };
    const Case cases[] = {
        {1, "system"}, {0, "system_classic"}, {7, "system_classic"}, {-1, "system_classic"}};
    for (const Case& c : cases) {
        std::vector<std::string> opened;
        int updates = 0, closed = 0;
        const LaunchActions actions{[&] { ++updates; }, [&] { ++closed; },
                                    [&](const std::string& p) {
                                        opened.push_back(p);
                                        return true;
                                    }};
        // Missing: an update run instead, also while updates are blocked.
        state_->g_IsBlock = true;
        EXPECT_FALSE(StartSelectedGame(c.list_index, actions, Game())) << c.list_index;
        EXPECT_EQ(updates, 1) << c.list_index;
        EXPECT_TRUE(opened.empty()) << c.list_index;

        const std::string exe = Client(c.folder);
        EXPECT_TRUE(StartSelectedGame(c.list_index, actions, Game())) << c.list_index;
        EXPECT_EQ(opened, Words{exe}) << c.list_index;
        EXPECT_EQ(closed, 1) << c.list_index;
        fs::remove(exe);
    }
}

TEST_F(GameLaunchTest, LegacyLauncherFilesGoAtEveryClickWhateverFollows) {
    Client("system_classic");
    struct Case {
        bool can_update;
        bool start_succeeds;
    };
    for (const Case& c : {Case{true, true}, Case{true, false}, Case{false, true}}) {
        for (const char* name : kLegacyLauncherFiles)
            kestrow::test::WriteFile(Game() + "/" + name, "old");
        state_->canUpdate = c.can_update;
        int opened = 0, closed = 0;
        const LaunchActions actions{{},
                                    [&] { ++closed; },
                                    [&](const std::string&) {
                                        ++opened;
                                        return c.start_succeeds;
                                    }};
        EXPECT_EQ(StartSelectedGame(0, actions, Game()), c.can_update && c.start_succeeds);
        EXPECT_EQ(opened, c.can_update ? 1 : 0);
        EXPECT_EQ(closed, c.can_update && c.start_succeeds ? 1 : 0);
        for (const char* name : kLegacyLauncherFiles)
            EXPECT_FALSE(fs::exists(Game() + "/" + name)) << name;
    }
}

TEST_F(GameLaunchTest, LaunchOrUpdateDoesNothingForABlankPathOrWhileBusy) {
    int updates = 0;
    const LaunchActions actions{[&] { ++updates; }, {}, {}};
    EXPECT_FALSE(LaunchOrUpdate("  ", actions));
    state_->canUpdate = false;
    EXPECT_FALSE(LaunchOrUpdate(Game() + "/missing/l2.exe", actions));
    EXPECT_EQ(updates, 0);
}

TEST(SelectedPatchIndex, ZeroUnlessZeroOrOne) {
    for (auto [in, out] : {std::pair{0, 0}, {1, 1}, {2, 0}, {-1, 0}, {7, 0}})
        EXPECT_EQ(SelectedPatchIndex(in), out) << in;
}

}  // namespace
}  // namespace kestrow::shell
