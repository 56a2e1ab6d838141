#include <signal.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/isolated_env.h"
#include "platform/single_instance.h"
#include "shell/single_instance.h"
#include "support/child_process.h"

namespace kestrow::shell {
namespace {

namespace fs = std::filesystem;

TEST(MutexNameFor, FileNameBeforeTheFirstDotWithTheLaterLettersLowerCased) {
    struct Case {
        const char* path;
        const char* name;
    };
    const Case cases[] = {
        {"/opt/kestrow/KestrowLauncher.exe", "Kestrowlauncher"},
        {"/opt/kestrow/KESTROWLAUNCHER.bin", "Kestrowlauncher"},
        {"/opt/kestrow/kestrowLauncher", "kestrowlauncher"},
        {"/opt/kestrow/Kestrow.Launcher.exe", "Kestrow"},
        {"/opt/dir.with.dots/Game", "Game"},
        {"ЛАУНЧЕР.EXE", "Лаунчер"},
        {"/x/ÜBER.exe", "Über"},
        {"/x/.hidden", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MutexNameFor(c.path), c.name) << c.path;
}

TEST(IsRunFirst, TheOwnerAskingAgainAndForAnotherNameKeepsEveryGuard) {
    test::IsolatedUser user;
    EXPECT_TRUE(IsRunFirst("GuardA"));
    EXPECT_TRUE(IsRunFirst("GuardA"));
    EXPECT_TRUE(IsRunFirst("GuardB"));
    // Both stay held for the life of the process.
    EXPECT_FALSE(platform::SingleInstanceLock("GuardA").Acquired());
    EXPECT_FALSE(platform::SingleInstanceLock("GuardB").Acquired());
}

// Launchers started as real processes, named by their copy's file name.
class Launchers {
  public:
    explicit Launchers(const test::IsolatedUser& user) : user_(user) {}

    // Starts a copy of the stand-in under that file name; its answer.
    std::string Start(const std::string& file_name) {
        const std::string dir = user_.File("copy" + std::to_string(running_.size()));
        fs::create_directories(dir);
        fs::copy_file(KESTROW_SHELL_TEST_HELPER, dir + "/" + file_name);
        running_.push_back(std::make_unique<test::ChildProcess>(dir + "/" + file_name,
                                                                std::vector<std::string>{}));
        std::string line;
        return running_.back()->ReadLine(line, 60000) ? line : "(no answer)";
    }
    test::ChildProcess& operator[](std::size_t i) { return *running_[i]; }

  private:
    const test::IsolatedUser& user_;
    std::vector<std::unique_ptr<test::ChildProcess>> running_;
};

TEST(IsRunFirst, SecondLauncherOfTheSameNameIsStoppedUntilTheFirstIsGone) {
    test::IsolatedUser user;
    Launchers launchers(user);
    EXPECT_EQ(launchers.Start("KestrowLauncher.exe"), "first");
    // Only the later letters' case and what follows the first dot differ.
    EXPECT_EQ(launchers.Start("KESTROWLAUNCHER.bin"), "second");
    EXPECT_EQ(launchers.Start("KestrowLauncher"), "second");
    // Other names are other guards.
    EXPECT_EQ(launchers.Start("kestrowLauncher.exe"), "first");
    EXPECT_EQ(launchers.Start("Kestrow.exe"), "first");

    // However the first ends, its guard goes with it.
    ::kill(launchers[0].Pid(), SIGKILL);
    EXPECT_EQ(launchers[0].Wait(), 128 + SIGKILL);
    EXPECT_EQ(launchers.Start("KestrowLauncher.exe"), "first");
    EXPECT_EQ(launchers.Start("KestrowLauncher.exe"), "second");
}

}  // namespace
}  // namespace kestrow::shell
