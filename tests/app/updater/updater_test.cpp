// kestrow-updater as a player runs it: in a game directory, against a
// service published with the publishing tool; its exit status and its last
// line on standard output.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
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
#include "support/tree_state.h"

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
        for (const std::string& left : test::ArchivesAndPartsBelow(game))
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
    EXPECT_EQ(test::ArchivesAndPartsBelow(game), std::vector<std::string>{});
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

// --check lists what an update would download and why, and changes nothing:
// no attribute, no stale file cleaned, no archive, no request for one.
TEST_F(UpdaterTest, CheckListsTheDifferencesAndChangesNothing) {
    test::FaultServer server;
    Publish(server.Url(""));
    test::ServeTree(server, www, std::chrono::milliseconds(0));
    fs::copy(client, game, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::remove(game + "/dir1/file 1.txt");
    test::WriteFile(game + "/dir0/file 0.txt", "wrong size");
    std::string other = test::ReadFile(client + "/dir2/file 2.txt");
    other[0] = other[0] == 'x' ? 'y' : 'x';
    test::WriteFile(game + "/dir2/file 2.txt", other);
    test::WriteFile(game + "/system/l2.ini", "[ENGINE]\n");
    fs::permissions(game + "/system/l2.ini", fs::perms::owner_write, fs::perm_options::remove);
    test::WriteFile(game + "/system_classic/crash.dmp", "left by a crash");
    const auto before = test::TreeSnapshot(game);
    const std::string options = server.Url("/_files/options.xml");

    Result full = Run(options, {"--check", "--full", "--lang", "en"});
    EXPECT_EQ(full.exit_status, 3) << test::ReadFile(dir.File("stderr.txt"));
    std::vector<std::string> listed(full.lines.begin(), full.lines.end() - 1);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{
                          "dir0\\file 0.txt\tsize", "dir1\\file 1.txt\tmissing",
                          "dir2\\file 2.txt\tchecksum", "system\\l2.ini\tread-only rule"}));
    EXPECT_EQ(full.Last(),
              "check: 4 to download (missing 1, size 1, checksum 1, read-only rule 1, "
              "unreadable 0), 13 entries compared, 0 read-only files left alone");
    EXPECT_EQ(test::TreeSnapshot(game), before);
    for (const auto& r : server.Received())
        EXPECT_EQ(r.target.find(".lzma"), std::string::npos) << r.target;

    struct Case {
        std::string url;
        std::vector<std::string> args;
        int exit_status;
        std::string last;
    } cases[] = {
        {options,  // the patch catalogue lists nothing
         {"--check", "--quiet"},
         0,
         "check: 0 to download (missing 0, size 0, checksum 0, read-only rule 0, "
         "unreadable 0), 0 entries compared, 0 read-only files left alone"},
        {server.Url("/nothing.xml"),
         {"--check", "--full", "--lang", "en"},
         1,
         "Update is not available, try again later! (1) 2"},
    };
    for (const auto& c : cases) {
        Result r = Run(c.url, c.args);
        EXPECT_EQ(r.exit_status, c.exit_status) << c.url;
        EXPECT_EQ(r.Last(), c.last) << c.url;
    }
    EXPECT_EQ(test::TreeSnapshot(game), before);

    fs::permissions(game + "/system/l2.ini", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Run(options, {"--full", "--quiet", "--lang", "en"}).exit_status, 0);
    Result again = Run(options, {"--check", "--full", "--quiet"});
    EXPECT_EQ(again.exit_status, 0);
    EXPECT_EQ(again.lines.size(), 1u);
}

// A blocked service refuses the check as it refuses the update.
TEST_F(UpdaterTest, CheckOfABlockedServiceFails) {
    test::FaultServer server;
    Publish(server.Url(""), /*block_update=*/true);
    test::ServeTree(server, www, std::chrono::milliseconds(0));
    Result r = Run(server.Url("/_files/options.xml"), {"--check", "--lang", "en", "--quiet"});
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.Last(), Text(15));
}

TEST_F(UpdaterTest, CheckReactsToInterrupt) {
    test::FaultServer server;
    Publish(server.Url(""));
    test::ServeTree(server, www, std::chrono::milliseconds(0));
    test::FaultReply silent = test::FaultReply::Ok(test::ReadFile(www + "/_files/clientlist.xml"));
    silent.delay = std::chrono::minutes(5);
    server.On("/_files/clientlist.xml", silent);
    auto p = Start(server.Url("/_files/options.xml"), {"--check", "--full", "--quiet"});
    auto asked = [&] {
        for (const auto& r : server.Received())
            if (r.target.starts_with("/_files/clientlist.xml"))
                return true;
        return false;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!asked() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto sent = std::chrono::steady_clock::now();
    ::kill(p.Pid(), SIGINT);
    Result r = Finish(p);
    EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(10));
    EXPECT_EQ(r.exit_status, 1);
}

// --dir names the game directory (relative to the working one here), and
// several extract threads leave the same files as one.
TEST_F(UpdaterTest, DirAndExtractWorkersRepairAnotherDirectory) {
    test::FaultServer server;
    Publish(server.Url(""));
    test::ServeTree(server, www, std::chrono::milliseconds(0));
    const std::string elsewhere = dir.File("elsewhere");
    fs::create_directories(elsewhere);
    test::WriteFile(elsewhere + "/dir0/file 3.txt", "stale");
    const std::string options = server.Url("/_files/options.xml");

    Result r = Run(options, {"--full", "--quiet", "--lang", "en", "--dir", "../elsewhere",
                             "--extract-workers", "3"});
    EXPECT_EQ(r.exit_status, 0) << test::ReadFile(dir.File("stderr.txt"));
    EXPECT_EQ(r.Last(), Text(4));
    for (const auto& e : fs::recursive_directory_iterator(client)) {
        if (e.is_regular_file()) {
            const fs::path copy = elsewhere / fs::relative(e.path(), client);
            EXPECT_TRUE(fs::exists(copy) &&
                        test::ReadFile(copy.string()) == test::ReadFile(e.path().string()))
                << copy;
        }
    }
    EXPECT_TRUE(fs::is_empty(game));
    EXPECT_EQ(Run(options, {"--check", "--full", "--dir=" + elsewhere}).exit_status, 0);
    EXPECT_EQ(Run(options, {"--check", "--dir", dir.File("none")}).exit_status, 2);
}

TEST_F(UpdaterTest, VersionNamesTheProgramAndItsLibraries) {
    Result r = Run("http://127.0.0.1:1/unused", {"--version"});
    EXPECT_EQ(r.exit_status, 0);
    ASSERT_FALSE(r.lines.empty());
    EXPECT_EQ(r.lines.front(), "kestrow-updater " KESTROW_PROJECT_VERSION);
    for (const char* library : {"liblzma ", "libcurl ", "pugixml ", "ICU "}) {
        EXPECT_TRUE(std::any_of(r.lines.begin(), r.lines.end(), [&](const std::string& l) {
            return l.starts_with(library);
        })) << library;
    }
}

}  // namespace
}  // namespace kestrow
