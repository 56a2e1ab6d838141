#include "autologin/login_launch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/isolated_env.h"
#include "platform/process_record.h"
#include "support/temp_dir.h"

namespace kestrow::autologin {
namespace {

using Words = std::vector<std::string>;

TEST(LoginCommandLine, CredentialsWhenBothAreGivenThenAtMostOneEntrySwitch) {
    struct Case {
        std::string account, password;
        bool lobby, world;
        std::string arguments;  // after the quoted program
    };
    const Case cases[] = {
        {"alice", "pw", true, true, " account=alice password=pw"},
        {"alice", "pw", true, false, " account=alice password=pw enterworld=no"},
        {"alice", "pw", false, true, " account=alice password=pw enterlobby=no"},
        {"alice", "pw", false, false, " account=alice password=pw enterlobby=no"},
        {"alice", "", true, true, ""},
        {"", "pw", true, false, " enterworld=no"},
        {"", "", false, false, " enterlobby=no"},
        {"a b", "p\"w x", true, true, " account=a b password=p\"w x"},  // as typed
    };
    const std::string exe = "/games/kestrow/system_classic/l2.exe";
    for (const Case& c : cases) {
        const LoginLaunch launch = BuildLoginLaunch(exe, c.account, c.password, {c.lobby, c.world});
        EXPECT_EQ(launch.commandLine, "\"" + exe + "\"" + c.arguments)
            << c.account << "/" << c.password << " " << c.lobby << c.world;
        EXPECT_EQ(launch.workingDirectory, "/games/kestrow/system_classic/");
    }
}

TEST(LoginCommandLine, VariantsNameTheirClientsAndNoneNamesNothing) {
    EXPECT_EQ(VariantExecutable(0), "\\system_classic\\l2.exe");
    EXPECT_EQ(VariantExecutable(1), "\\system\\l2.exe");
    EXPECT_EQ(VariantExecutable(-1), "");
    EXPECT_EQ(VariantExecutable(2), "");
}

// The client is started through a Wine stand-in that records its argv and
// working directory.
class StartAccountTest : public ::testing::Test {
  protected:
    std::string Game() const { return user_.File("game"); }

    kestrow::test::IsolatedUser user_;
    std::string record_ = user_.File("record");
    kestrow::test::ScopedEnvVar record_env_{"KESTROW_TEST_RECORD", record_};
    kestrow::test::ScopedEnvVar wine_{"KESTROW_WINE",
                                      "\"" KESTROW_TEST_HELPER "\" record --wine-stand-in"};
};

TEST_F(StartAccountTest, TheClientGetsTheLoginArgumentsInItsOwnFolder) {
    const std::string exe = Game() + "/system/l2.exe";
    kestrow::test::WriteFile(exe, "MZ");
    EXPECT_EQ(StartAccount(1, "a b", "pw", {true, false}, Game()), "");
    const std::optional<kestrow::test::ProcessRecord> r =
        kestrow::test::AwaitProcessRecord(record_);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->argv, (Words{KESTROW_TEST_HELPER, "record", "--wine-stand-in", exe, "account=a",
                              "b", "password=pw", "enterworld=no"}));
    EXPECT_EQ(r->cwd, kestrow::test::CanonicalFolder(Game() + "/system"));
}

TEST_F(StartAccountTest, AMissingClientGivesTheMessageWithItsRelativePath) {
    kestrow::test::WriteFile(Game() + "/system/l2.exe", "MZ");
    EXPECT_EQ(StartAccount(0, "a", "pw", {}, Game()), "Невозможно найти: \\system_classic\\l2.exe");
    EXPECT_EQ(StartAccount(-1, "a", "pw", {}, Game()), "Невозможно найти: ");
    EXPECT_FALSE(std::filesystem::exists(record_));
}

}  // namespace
}  // namespace kestrow::autologin
