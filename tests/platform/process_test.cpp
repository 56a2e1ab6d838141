#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/command_line.h"
#include "platform/env.h"
#include "platform/isolated_env.h"
#include "platform/process.h"
#include "platform/process_record.h"
#include "platform/single_instance.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrow::platform {
namespace {

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

TEST(SplitWindowsCommandLine, AsCommandLineToArgvW) {
    struct Case {
        const char* line;
        Words words;
    };
    const Case cases[] = {
        {"", {}},
        {" \t ", {}},
        {"p", {"p"}},
        {"\"C:\\Program Files\\a.exe\" x", {"C:\\Program Files\\a.exe", "x"}},
        // The program takes no escapes; an unquoted one ends at a blank.
        {"C:\\a\\\"b c", {"C:\\a\\\"b", "c"}},
        {"\"a\\\"b c", {"a\\", "b", "c"}},
        {"\"unclosed program", {"unclosed program"}},
        {"\"p\"x y", {"p", "x", "y"}},
        {" p x", {"", "p", "x"}},
        {"p  a\t\tb  ", {"p", "a", "b"}},
        // Arguments: quotes group, backslashes count only before a quote.
        {"p \"a b c\" d e", {"p", "a b c", "d", "e"}},
        {"p \"ab\\\"c\" \"\\\\\" d", {"p", "ab\"c", "\\", "d"}},
        {"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
        {"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
        {"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
        {"p \"\" x \"\"", {"p", "", "x", ""}},
        {"p \"a\"\"b\"", {"p", "a\"b"}},
        {"p \"\"\"a\"\"\" b", {"p", "\"a\"", "b"}},
        {"p C:\\dir\\ x", {"p", "C:\\dir\\", "x"}},
        {"p \"open ended", {"p", "open ended"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitWindowsCommandLine(c.line), c.words) << "[" << c.line << "]";
}

TEST(WineCommand, FromTheEnvironmentElseWineInPath) {
    struct Case {
        std::optional<std::string> env;
        Words words;
    };
    const Case cases[] = {
        {std::nullopt, {"wine"}},
        {"", {"wine"}},
        {"  ", {"wine"}},
        {"wine64", {"wine64"}},
        {"\"/opt/my wine/bin/wine\" --flag", {"/opt/my wine/bin/wine", "--flag"}},
        {"bin/wine", {CurrentDirectory() + "bin/wine"}},
    };
    for (const Case& c : cases) {
        test::ScopedEnvVar wine("KESTROW_WINE", c.env);
        EXPECT_EQ(WineCommand(), c.words) << c.env.value_or("(unset)");
    }
}

class StartProcessTest : public ::testing::Test {
  protected:
    test::IsolatedUser user_;
    std::string record_ = user_.File("record");
    test::ScopedEnvVar record_env_{"KESTROW_TEST_RECORD", record_};
    std::string helper_ = KESTROW_TEST_HELPER;
};

TEST_F(StartProcessTest, ProgramGetsTheWindowsSplitArgumentsAndTheWorkingDirectory) {
    const std::string wd = user_.File("game dir/system") + "/";
    fs::create_directories(wd);
    // Nothing of the launcher's reaches the client: neither its instance lock
    // nor a descriptor some library left inheritable.
    SingleInstanceLock guard("Kestrowlauncher");
    const int leaked = ::open("/dev/null", O_RDONLY);
    ASSERT_TRUE(StartProcess("\"" + helper_ + "\" record a \"b c\" d\\\"e \"f\\\\\" \"\"", wd));
    std::optional<test::ProcessRecord> r = test::AwaitProcessRecord(record_);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->cwd, test::CanonicalFolder(wd));
    EXPECT_EQ(r->argv, (Words{helper_, "record", "a", "b c", "d\"e", "f\\", ""}));
    EXPECT_EQ(r->descriptors, "");
    ::close(leaked);
}

TEST_F(StartProcessTest, WindowsProgramsRunThroughWine) {
    // Any letter case of ".exe"; the program's path is Wine's first argument.
    for (const char* name : {"l2.exe", "L2.EXE"}) {
        const std::string exe = user_.File(std::string("client/system/") + name);
        test::WriteFile(exe, "MZ");
        test::ScopedEnvVar wine("KESTROW_WINE", "\"" + helper_ + "\" record --stand-in");
        ASSERT_TRUE(StartProcess("\"" + exe + "\" -x \"y z\"", user_.File("client/system")));
        std::optional<test::ProcessRecord> r = test::AwaitProcessRecord(record_);
        ASSERT_TRUE(r) << name;
        EXPECT_EQ(r->cwd, test::CanonicalFolder(user_.File("client/system")));
        EXPECT_EQ(r->argv, (Words{helper_, "record", "--stand-in", exe, "-x", "y z"}));
    }
}

TEST_F(StartProcessTest, RelativeProgramIsFoundInTheCallersDirectory) {
    // Copy the helper into a folder and start it by its bare and relative
    // names from there, with another working directory for the child.
    const std::string bin = user_.File("bin");
    fs::create_directories(bin + "/sub");
    fs::copy_file(helper_, bin + "/stand-in");
    fs::copy_file(helper_, bin + "/sub/stand-in");
    fs::create_directories(user_.File("elsewhere"));
    const fs::path old_cwd = fs::current_path();
    fs::current_path(bin);
    for (const char* program : {"stand-in", "sub/stand-in", "./stand-in"}) {
        const bool started =
            StartProcess(std::string(program) + " record", user_.File("elsewhere"));
        std::optional<test::ProcessRecord> r =
            started ? test::AwaitProcessRecord(record_) : std::nullopt;
        EXPECT_TRUE(r) << program;
        if (r) {
            EXPECT_EQ(r->cwd, test::CanonicalFolder(user_.File("elsewhere"))) << program;
        }
    }
    fs::current_path(old_cwd);
}

TEST_F(StartProcessTest, FailuresToCreateTheProcess) {
    test::WriteFile(user_.File("plain.txt"), "not a program");
    EXPECT_FALSE(StartProcess("", ""));
    EXPECT_FALSE(StartProcess("\"\" x", ""));
    EXPECT_FALSE(StartProcess("\"" + user_.File("missing") + "\"", ""));
    EXPECT_FALSE(StartProcess("\"" + user_.File("plain.txt") + "\"", ""));
    EXPECT_FALSE(StartProcess("\"" + helper_ + "\" record", user_.File("no such folder")));
    // Wine that is not there.
    test::WriteFile(user_.File("l2.exe"), "MZ");
    test::ScopedEnvVar wine("KESTROW_WINE", user_.File("no-wine"));
    EXPECT_FALSE(StartProcess("\"" + user_.File("l2.exe") + "\"", ""));
    EXPECT_FALSE(fs::exists(record_));
}

TEST(KillProcessesByName, EndsEveryProcessOfThatFileNameAndNoOther) {
    test::IsolatedUser user;
    const std::string helper = KESTROW_TEST_HELPER;
    // Copies carry the name in their executable; a link carries it only in
    // argv[0] and the kernel's short name, as a client under Wine does.
    struct Case {
        const char* file;
        bool link;
        bool ends;
    };
    const Case cases[] = {
        {"l2.EXE", false, true},
        {"L2.exe", true, true},
        {"xl2.exe", false, false},
        {"l2.exe.bak", false, false},
        {"l2", false, false},
        // Its short name is cut to "kestrow-sleeper", the second name below.
        {"kestrow-sleeper-long", true, false},
    };
    std::vector<std::unique_ptr<test::ChildProcess>> children;
    for (const Case& c : cases) {
        const std::string dir = user.File("p" + std::to_string(children.size()));
        fs::create_directories(dir);
        const std::string path = dir + "/" + c.file;
        if (c.link) {
            fs::create_symlink(helper, path);
        } else {
            fs::copy_file(helper, path);
        }
        children.push_back(std::make_unique<test::ChildProcess>(path, Words{"sleep"}));
        std::string line;
        ASSERT_TRUE(children.back()->ReadLine(line, 60000));
        ASSERT_EQ(line, "ready");
    }
    KillProcessesByName("L2.exe");
    KillProcessesByName("kestrow-sleeper");
    EXPECT_EQ(KillProcessesByName(""), 0);
    // The others are still there to be ended by SIGTERM here.
    for (std::size_t i = 0; i < children.size(); ++i) {
        const int status = cases[i].ends ? children[i]->Wait() : children[i]->Stop();
        EXPECT_EQ(status, cases[i].ends ? 128 + SIGKILL : 128 + SIGTERM) << cases[i].file;
    }
}

}  // namespace
}  // namespace kestrow::platform
