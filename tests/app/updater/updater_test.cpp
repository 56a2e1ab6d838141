// kestrow-updater as a player runs it: in a game directory, against a
// service published with the publishing tool; its exit status and its last
// line on standard output.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/publish/command_line.h"
#include "app/publish/publisher.h"
#include "core/status_texts.h"
#include "shell/local_settings.h"
#include "support/child_process.h"
#include "support/fault_server.h"
#include "support/nginx_harness.h"
#include "support/scoped_env.h"
#include "support/served_tree.h"
#include "support/temp_dir.h"

namespace kestrow {
namespace {

namespace fs = std::filesystem;

struct Result {
    int exit_status = -1;
    std::vector<std::string> lines;  // stdout
    std::string Last() const { return lines.empty() ? std::string() : lines.back(); }
};

class UpdaterTest : public ::testing::Test {
  protected:
    UpdaterTest() {
        fs::create_directories(game);
        for (int i = 0; i < 12; ++i) {
            std::string data;
            for (int j = 0; j < 400 * (i + 1); ++j)
                data += std::to_string(i * j) + (i % 2 ? "\n" : " ");
            test::WriteFile(
                client + "/dir" + std::to_string(i % 3) + "/file " + std::to_string(i) + ".txt",
                data);
        }
        test::WriteFile(client + "/system/l2.ini", "[Engine]\n");
    }

    void Publish(const std::string& base_url, bool block_update = false) {
        publish::PublishOptions o;
        o.client_dir = client;
        o.out_dir = www;
        o.base_url = base_url;
        o.preset = 0;
        o.jobs = 1;
        o.version = "1.0.1.0";
        o.block_update = block_update;
        o.progress = false;
        publish::Publish(o);
    }

    // Runs the updater in the game directory with the options address.
    // file_size_limit: bytes any file of the updater may grow to (a full
    // disk without root: writes past it fail with EFBIG); 0: none.
    test::ChildProcess Start(const std::string& options_url, const std::vector<std::string>& args,
                             std::int64_t file_size_limit = 0) {
        const std::string limit =
            file_size_limit > 0 ? "prlimit --fsize=" + std::to_string(file_size_limit) + " " : "";
        std::string command = "trap '' XFSZ; cd '" + game + "' && XDG_CONFIG_HOME='" + config +
                              "' KESTROW_OPTIONS_URL='" + options_url +
                              "' KESTROW_OPTIONS_FALLBACK_URL='" + options_url + "' exec " + limit +
                              "'" + KESTROW_UPDATER_PATH + "'";
        for (const auto& a : args)
            command += " " + a;
        return test::ChildProcess("/bin/sh", {"-c", command}, dir.File("stderr.txt"));
    }
    static Result Finish(test::ChildProcess& p) {
        Result r;
        std::string line;
        while (p.ReadLine(line, 60000))
            r.lines.push_back(line);
        r.exit_status = p.Wait();
        return r;
    }
    Result Run(const std::string& options_url, const std::vector<std::string>& args) {
        auto p = Start(options_url, args);
        return Finish(p);
    }
    static std::string Text(int id) { return core::StatusText(id, 1, 0).value_or("?"); }
    bool SameTree() const {
        for (const auto& e : fs::recursive_directory_iterator(client)) {
            if (!e.is_regular_file())
                continue;
            const fs::path other = game / fs::relative(e.path(), client);
            if (!fs::exists(other) || test::ReadFile(e.path()) != test::ReadFile(other.string()))
                return false;
        }
        return true;
    }

    test::TempDir dir;
    std::string client = dir.File("client");
    std::string www = dir.File("www");
    std::string game = dir.File("game");
    std::string config = dir.File("config");  // the launcher's settings store
};

TEST_F(UpdaterTest, RepairsTheClientThenFindsItUpToDate) {
    if (!test::NginxServer::Available())
        GTEST_SKIP() << "nginx is not installed";
    test::NginxServer nginx(www, dir.File("nginx"));
    Publish(nginx.Url(""));
    test::WriteFile(game + "/dir0/file 0.txt", "wrong size");
    const std::string stale = game + "/system_classic/crash.dmp";
    test::WriteFile(stale, "left by a crash");
    const std::string options = nginx.Url("/_files/options.xml");

    Result patch_only = Run(options, {"--lang", "en", "--quiet"});
    EXPECT_EQ(patch_only.exit_status, 0);
    EXPECT_EQ(patch_only.Last(), Text(7));  // the patch lists nothing

    Result full = Run(options, {"--full", "--lang", "en"});
    EXPECT_EQ(full.exit_status, 0) << test::ReadFile(dir.File("stderr.txt"));
    EXPECT_EQ(full.Last(), Text(4));
    EXPECT_TRUE(SameTree());
    EXPECT_FALSE(fs::exists(stale));  // cleaned as the update buttons clean

    Result again = Run(options, {"--full", "--lang=en"});
    EXPECT_EQ(again.exit_status, 0);
    EXPECT_EQ(again.Last(), Text(7));
    // Not a terminal: plain status lines on stderr.
    EXPECT_NE(test::ReadFile(dir.File("stderr.txt")).find("Scan of files, please wait\n"),
              std::string::npos);
}

TEST_F(UpdaterTest, EndsWithStatusOneWhenNothingWasUpdated) {
    test::FaultServer server;
    Publish(server.Url(""), /*block_update=*/true);
    server.On("/_files/options.xml",
              test::FaultReply::Ok(test::ReadFile(www + "/_files/options.xml")));
    struct Case {
        std::string url;
        std::vector<std::string> args;
        int exit_status;
        std::string last;
        bool cleaned;  // the request was made: stale files are gone
    } cases[] = {
        {server.Url("/_files/options.xml"), {"--full", "--lang", "en"}, 1, Text(15), false},
        {server.Url("/_files/options.xml"),
         {"--lang", "ru", "--quiet"},
         1,
         core::StatusText(15, 0, 0).value_or("?"),
         false},
        {server.Url("/nothing.xml"),
         {"--lang", "en"},
         1,
         "Update is not available, try again later! (2) 2",
         true},
        {server.Url("/_files/options.xml"), {"--lang", "de"}, 2, "", false},
        {server.Url("/_files/options.xml"), {"--now"}, 2, "", false},
    };
    const std::string stale = game + "/system_classic/old.log";
    for (const auto& c : cases) {
        test::WriteFile(stale, "old");
        Result r = Run(c.url, c.args);
        EXPECT_EQ(r.exit_status, c.exit_status) << c.args.back();
        EXPECT_EQ(r.Last(), c.last) << c.args.back();
        EXPECT_EQ(fs::exists(stale), !c.cleaned) << c.args.back();
    }
    EXPECT_FALSE(fs::exists(game + "/dir0"));
}

// Without --lang the language is the one the player chose in the launcher.
TEST_F(UpdaterTest, TakesTheLanguageFromTheLaunchersSettings) {
    test::FaultServer server;
    Publish(server.Url(""), /*block_update=*/true);
    server.On("/_files/options.xml",
              test::FaultReply::Ok(test::ReadFile(www + "/_files/options.xml")));
    const std::string url = server.Url("/_files/options.xml");
    EXPECT_EQ(Run(url, {"--quiet"}).Last(), core::StatusText(15, 0, 0).value_or("?"));

    test::ScopedEnv env("XDG_CONFIG_HOME", config.c_str());
    shell::OpenSettingsStore();
    shell::WriteSettingInt(shell::kSectionSettings, shell::kValueLanguage, 1);
    shell::CloseSettingsStore();
    EXPECT_EQ(Run(url, {"--quiet"}).Last(), Text(15));
    EXPECT_EQ(Run(url, {"--quiet", "--lang", "ru"}).Last(),
              core::StatusText(15, 0, 0).value_or("?"));
}

TEST_F(UpdaterTest, InterruptCancelsTheRun) {
    test::FaultServer server;
    Publish(server.Url(""));
    test::ServeTree(server, www, std::chrono::milliseconds(300));
    auto p = Start(server.Url("/_files/options.xml"), {"--full", "--lang", "en"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        bool requested = false;
        for (const auto& r : server.Received())
            requested = requested || r.target.find(".lzma") != std::string::npos;
        if (requested)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(p.Pid(), SIGINT);
    Result r = Finish(p);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.Last(), Text(6));
    EXPECT_FALSE(SameTree());
}

// What is left in the game directory besides the files themselves.
std::vector<std::string> Leftovers(const std::string& game) {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(game)) {
        const std::string name = e.path().filename().string();
        if (name.ends_with(".lzma") || name.ends_with(".kestrow-part"))
            out.push_back(name);
    }
    return out;
}

// A disk that fills while the archive arrives or while it is unpacked: the
// run fails and the working l2.ini stays as it was.
TEST_F(UpdaterTest, AFullDiskNeverLeavesAHalfWrittenFile) {
    struct Case {
        const char* name;
        std::string new_ini;
    } cases[] = {
        {"the archive does not fit", test::RandomBytes(2 << 20, 5)},
        {"the unpacked file does not fit", std::string(3 << 20, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(www);
        test::WriteFile(client + "/system/l2.ini", c.new_ini);
        test::FaultServer server;
        Publish(server.Url(""));
        test::ServeTree(server, www, std::chrono::milliseconds(0));
        const std::string old(4096, 'o');
        test::WriteFile(game + "/system/l2.ini", old);
        auto p = Start(server.Url("/_files/options.xml"), {"--full", "--lang", "en", "--quiet"},
                       1 << 20);
        Result r = Finish(p);
        EXPECT_EQ(r.exit_status, 1);
        EXPECT_EQ(r.Last(), Text(6));
        EXPECT_TRUE(test::ReadFile(game + "/system/l2.ini") == old) << "l2.ini was replaced";
        // Archives still queued when unpacking failed stay, as after any failed
        // extraction; l2.ini's own archive and any temporary file are gone.
        for (const std::string& left : Leftovers(game))
            EXPECT_FALSE(left == "l2.ini.lzma" || left.ends_with(".kestrow-part")) << left;
    }
}

// Ctrl-C once is the cancel button; twice stops at once, also in the middle
// of a file that trickles in; during the options fetch once is enough.
TEST_F(UpdaterTest, SecondInterruptStopsAtOnce) {
    test::WriteFile(client + "/system/l2.ini", test::RandomBytes(300000, 9));
    test::FaultServer server;
    Publish(server.Url(""));
    test::ServeTree(server, www, std::chrono::milliseconds(0));
    test::FaultReply trickle =
        test::FaultReply::Ok(test::ReadFile(www + "/client/system/l2.ini.lzma"));
    trickle.trickle = std::chrono::milliseconds(20);
    server.On("/client/system/l2.ini.lzma", trickle);

    auto p = Start(server.Url("/_files/options.xml"), {"--full", "--lang", "en"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    auto requested = [&] {
        for (const auto& r : server.Received())
            if (r.target.starts_with("/client/system/l2.ini.lzma"))
                return true;
        return false;
    };
    while (!requested() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(p.Pid(), SIGINT);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(p.Running()) << "the first Ctrl-C lets the file in progress finish";
    const auto second = std::chrono::steady_clock::now();
    ::kill(p.Pid(), SIGTERM);
    Result r = Finish(p);
    EXPECT_LT(std::chrono::steady_clock::now() - second, std::chrono::seconds(10));
    EXPECT_EQ(r.exit_status, 130);
    EXPECT_EQ(Leftovers(game), std::vector<std::string>{});
    const std::string err = test::ReadFile(dir.File("stderr.txt"));
    EXPECT_NE(err.find("Press Ctrl-C again to stop at once."), std::string::npos) << err;
}

TEST_F(UpdaterTest, InterruptDuringTheOptionsFetchActsAtOnce) {
    test::FaultServer server;
    test::FaultReply silent = test::FaultReply::Ok("<options/>");
    silent.delay = std::chrono::minutes(5);
    server.On("/_files/options.xml", silent);
    auto p = Start(server.Url("/_files/options.xml"), {"--lang", "en", "--quiet"});
    while (server.Requests() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto sent = std::chrono::steady_clock::now();
    ::kill(p.Pid(), SIGINT);
    Result r = Finish(p);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(10));
    EXPECT_EQ(r.exit_status, 130);
    EXPECT_EQ(server.Requests(), 1) << "neither the fallback nor a catalogue is asked for";
}

}  // namespace
}  // namespace kestrow
