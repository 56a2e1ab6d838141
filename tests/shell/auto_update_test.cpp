#include <gtest/gtest.h>
#include <filesystem>
#include <future>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/launcher_state.h"
#include "core/recording_window_port.h"
#include "core/window_port.h"
#include "shell/auto_update.h"
#include "support/temp_dir.h"

namespace kestrow::shell {
namespace {

namespace fs = std::filesystem;

TEST(VersionsDiffer, WholeTrimmedTextsWithLetterCase) {
    struct Case {
        const char* current;
        const char* remote;
        bool differ;
    };
    const Case cases[] = {
        {"1.0.1.0", "1.0.1.0", false}, {" 1.0.1.0\t", "1.0.1.0 ", false},
        {"1.0.1.0", "1.0.0.9", true},  {"1.0.1.0", "1.0.1.1", true},
        {"1.0.1.0", "", true},         {"", "", false},
        {"1.0a", "1.0A", true},        {"1.0.1", "1.0.1.0", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionsDiffer(c.current, c.remote), c.differ) << c.current << " / " << c.remote;
}

TEST(FirstMissingClientFolder, InTheListedOrder) {
    kestrow::test::TempDir game;
    for (const char* folder : kClientFolders)
        fs::create_directories(game.File(folder));
    EXPECT_EQ(FirstMissingClientFolder(game.Path().string()), "");
    fs::remove(game.File("voice"));
    fs::remove(game.File("system"));
    kestrow::test::WriteFile(game.File("system"), "a file, not a folder");
    EXPECT_EQ(FirstMissingClientFolder(game.Path().string()), "system");
}

class AutoUpdateTest : public ::testing::Test {
  protected:
    AutoUpdateOptions Options(std::function<bool()> self_update) {
        for (const char* folder : kClientFolders)
            fs::create_directories(game_.File(folder));
        return {std::move(self_update), std::vector<std::string>{}, game_.Path().string()};
    }

    kestrow::test::TempDir game_;
    core::ScopedLauncherState state_;
    core::RecordingWindowPort window_;
    core::ScopedWindow scoped_window_{window_};
};

TEST_F(AutoUpdateTest, GateStaysClosedUntilTheCheckHasEnded) {
    state_->g_CurrentVersion = "1.0.1.0";
    state_->g_Version = "1.0.2.0";
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::unique_ptr<VersionCheckThread> thread = AutoUpdate(Options([&] {
        entered.set_value();
        released.wait();
        return true;
    }));
    entered.get_future().wait();
    EXPECT_FALSE(state_->canUpdate);
    EXPECT_FALSE(thread->Finished());
    release.set_value();
    thread->Wait();
    EXPECT_TRUE(thread->Finished());
    EXPECT_TRUE(state_->canUpdate);
}

TEST_F(AutoUpdateTest, OutcomesOfTheSelfUpdateStep) {
    struct Case {
        const char* remote;
        int outcome;  // 1 go on, 0 stop, -1 throw
        bool called, status, bars;
    };
    const Case cases[] = {
        {"1.0.1.0", 0, false, true, true},  // same version: the step is not run
        {"1.0.2.0", 1, true, true, true},
        {"1.0.2.0", 0, true, false, false},  // it showed its own outcome
        {"1.0.2.0", -1, true, false, true},
    };
    for (const Case& c : cases) {
        core::RecordingWindowPort window;
        core::ScopedWindow scoped(window);
        state_->g_CurrentVersion = "1.0.1.0";
        state_->g_Version = c.remote;
        int called = 0;
        AutoUpdate(Options([&] {
            ++called;
            if (c.outcome < 0)
                throw std::runtime_error("download failed");
            return c.outcome == 1;
        }))->Wait();
        const std::string label = std::string(c.remote) + " " + std::to_string(c.outcome);
        EXPECT_EQ(called, c.called ? 1 : 0) << label;
        EXPECT_TRUE(state_->canUpdate) << label;
        std::vector<std::string> expected;
        if (c.status)
            expected.push_back("ShowStatus(" + window.StatusLine() + ")");
        if (c.bars) {
            expected.push_back("SetFileProgressWidth(341)");
            expected.push_back("SetTotalProgressWidth(341)");
        }
        EXPECT_EQ(window.Calls(), expected) << label;
    }
}

}  // namespace
}  // namespace kestrow::shell
