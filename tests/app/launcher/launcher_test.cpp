// kestrow-launcher as a player runs it, on the offscreen platform: started in
// a game directory against a service on loopback, and closed.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/publish/command_line.h"
#include "app/publish/publisher.h"
#include "shell/exe_version.h"
#include "support/child_process.h"
#include "support/fault_server.h"
#include "support/served_tree.h"
#include "support/temp_dir.h"
#include "support/tree_state.h"

// The window tests' list of Qt's own hand-overs, which the thread sanitizer
// cannot follow; a launcher built with it gets the list too.
extern "C" const char* __tsan_default_suppressions();

namespace kestrow {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class Launcher : public ::testing::Test {
  protected:
    Launcher() {
        fs::create_directories(game);
        ::mkdir(dir.File("runtime").c_str(), 0700);
    }

    // The service announces the launcher's own version and a raised critical
    // version, so the launcher starts a patch update as it starts.
    void Publish() {
        publish::PublishOptions o;
        o.client_dir = dir.File("client");
        o.patch_dir = dir.File("patch");
        o.out_dir = www;
        o.base_url = server.Url("");
        o.preset = 0;
        o.jobs = 1;
        o.version = shell::GetVersionEXE(KESTROW_LAUNCHER_PATH);
        o.critical_version = 5;
        o.progress = false;
        publish::Publish(o);
    }

    test::ChildProcess Start() {
        const std::string options = server.Url("/_files/options.xml");
        const std::string suppressions = dir.File("tsan.supp");
        test::WriteFile(suppressions, __tsan_default_suppressions());
        const std::string command =
            "cd '" + game + "' && QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME='" +
            dir.File("config") + "' XDG_RUNTIME_DIR='" + dir.File("runtime") +
            "' KESTROW_OPTIONS_URL='" + options + "' KESTROW_OPTIONS_FALLBACK_URL='" + options +
            "' TSAN_OPTIONS=\"$TSAN_OPTIONS suppressions=" + suppressions +
            "\" exec '" KESTROW_LAUNCHER_PATH "'";
        return test::ChildProcess("/bin/sh", {"-c", command}, dir.File("stderr.txt"));
    }

    int OptionsRequests() const {
        int n = 0;
        for (const auto& r : server.Received())
            n += r.target.starts_with("/_files/options.xml");
        return n;
    }

    test::TempDir dir;
    test::FaultServer server;
    std::string www = dir.File("www");
    std::string game = dir.File("game");
};

// A termination request closes the main window as its exit button does; the
// process then ends at once although both workers are in the middle of a file
// that would take minutes, and leaves neither archives nor half-written files.
TEST_F(Launcher, ClosingDuringAnUpdateEndsTheProcessAtOnceAndCleanly) {
    const struct {
        const char* name;
        std::size_t size;
    } files[] = {{"system/l2.ini", 60000}, {"maps/big.unr", 50000}, {"system/small.dat", 100}};
    int seed = 1;
    for (const auto& f : files)
        test::WriteFile(dir.File("patch/") + f.name, test::RandomBytes(f.size, seed++));
    test::WriteFile(dir.File("client/system/l2.ini"), "[Engine]\n");
    Publish();
    test::ServeTree(server, www, std::chrono::milliseconds(0));
    for (const char* slow : {"/patch/system/l2.ini.lzma", "/patch/maps/big.unr.lzma"}) {
        test::FaultReply trickle = test::FaultReply::Ok(test::ReadFile(www + slow));
        trickle.trickle = std::chrono::milliseconds(1);
        server.On(slow, trickle);
    }
    const std::string old_ini = "[Engine]\nkept=1\n";
    test::WriteFile(game + "/system/l2.ini", old_ini);

    test::ChildProcess launcher = Start();
    // Both archives are arriving in the game directory.
    ASSERT_TRUE(WaitFor(
        [&] {
            return fs::exists(game + "/system/l2.ini.lzma") &&
                   fs::exists(game + "/maps/big.unr.lzma") &&
                   fs::file_size(game + "/system/l2.ini.lzma") > 0;
        },
        std::chrono::seconds(30)))
        << test::ReadFile(dir.File("stderr.txt"));

    const auto closed = Clock::now();
    ::kill(launcher.Pid(), SIGTERM);
    const bool ended = WaitFor([&] { return !launcher.Running(); }, std::chrono::seconds(20));
    const auto took = Clock::now() - closed;
    ASSERT_TRUE(ended) << "still running 20 s after the window closed";
    EXPECT_LT(took, std::chrono::seconds(5))
        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    EXPECT_EQ(launcher.Wait(), 0) << test::ReadFile(dir.File("stderr.txt"));
    EXPECT_EQ(test::ArchivesAndPartsBelow(game), std::vector<std::string>{});
    EXPECT_TRUE(test::ReadFile(game + "/system/l2.ini") == old_ini) << "l2.ini was replaced";

    // The instance lock went with the process: a new start gets as far as the
    // options document (a second instance would stop at its message).
    const int before = OptionsRequests();
    test::ChildProcess again = Start();
    EXPECT_TRUE(WaitFor([&] { return OptionsRequests() > before; }, std::chrono::seconds(20)))
        << test::ReadFile(dir.File("stderr.txt"));
}

// A checksum cannot be cut short: a huge file being read at the lowest
// priority keeps the run going long after the window closed. The process ends
// without it, within the bound.
TEST_F(Launcher, ClosingEndsTheProcessEvenWhenTheRunCannotStopInTime) {
    test::WriteFile(dir.File("patch/system/small.dat"), "new");
    test::WriteFile(dir.File("client/system/l2.ini"), "[Engine]\n");
    Publish();
    // The catalogue also lists a huge file whose size matches the local one:
    // reading it for its checksum takes many seconds.
    constexpr std::uintmax_t kHuge = 3ull << 30;
    const std::string catalogue = www + "/_files/patchlist.xml";
    std::string xml = test::ReadFile(catalogue);
    xml.replace(xml.find("</list>"), 7,
                "<archive filename=\"huge.bin\" original=\"00000000\" size=\"" +
                    std::to_string(kHuge) + "\"/></list>");
    test::WriteFile(catalogue, xml);
    test::ServeTree(server, www, std::chrono::milliseconds(0));
    test::WriteFile(game + "/huge.bin", "");
    fs::resize_file(game + "/huge.bin", kHuge);  // sparse: no disk space taken

    test::ChildProcess launcher = Start();
    ASSERT_TRUE(WaitFor(
        [&] {
            for (const auto& r : server.Received())
                if (r.target.starts_with("/_files/patchlist.xml"))
                    return true;
            return false;
        },
        std::chrono::seconds(30)));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));

    const auto closed = Clock::now();
    ::kill(launcher.Pid(), SIGTERM);
    ASSERT_TRUE(WaitFor([&] { return !launcher.Running(); }, std::chrono::seconds(20)));
    const auto took = Clock::now() - closed;
    EXPECT_LT(took, std::chrono::seconds(5))
        << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
    EXPECT_EQ(launcher.Wait(), 0) << test::ReadFile(dir.File("stderr.txt"));
    EXPECT_EQ(test::ArchivesAndPartsBelow(game), std::vector<std::string>{});
}

}  // namespace
}  // namespace kestrow
