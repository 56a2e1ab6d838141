// Update runs against a broken or hostile service: whatever it sends, the run
// ends with a final status, a working file is never left half-written and
// nothing of the attempt stays on disk.
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "archive/lzma_fixtures.h"
#include "core/window_port.h"
#include "support/temp_dir.h"
#include "update/run_fixture.h"

namespace kestrow::update {
namespace {

namespace fs = std::filesystem;
using runtest::ArchiveOf;
using runtest::LoggedRun;
using runtest::RunFixture;
using runtest::ServedFile;
using runtest::StatusTextOf;

const std::string kOld = "[Engine]\nworking=1\n";

class FaultTest : public ::testing::Test, public RunFixture {
  protected:
    void Execute() {
        const core::ScopedWindow window(port);
        run.Execute();
    }
    int Status() { return state->messageId.load(); }
    // Files of the game directory, names relative, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(game))
            if (e.is_regular_file())
                out.push_back(fs::relative(e.path(), game).generic_string());
        std::sort(out.begin(), out.end());
        return out;
    }
    LoggedRun run{game};
};

void Trickle(net::HttpSettings& s) {
    s.low_speed_bytes = 4096;
    s.low_speed_time_ms = 300;
}

// A new l2.ini that must not replace the working one.
TEST_F(FaultTest, ABadArchiveLeavesTheWorkingFileWhole) {
    struct Case {
        const char* name;
        std::string data;
        std::optional<std::string> catalogue_size;
        std::optional<test::FaultReply> reply;
        void (*tune)(net::HttpSettings&);
        const char* log;  // a line of the failure
    };
    const std::string big(5 << 20, 'z');
    test::FaultReply unknown_size =
        test::FaultReply::Ok(test::MakeArchive(big, test::kUnknownSize, true));
    const std::string noise = test::RandomBytes(3000, 4);  // an archive as large as the file
    test::FaultReply trickle = test::FaultReply::Ok(ArchiveOf(noise));
    trickle.trickle = std::chrono::milliseconds(2);
    test::FaultReply cut = test::FaultReply::Ok(ArchiveOf(test::RandomBytes(200000, 3)));
    cut.reset_after = 50000;
    const Case cases[] = {
        {"output larger than the catalogue says",
         big,
         "204800",
         {},
         nullptr,
         "ERROR Extract failed: file=\"system\\l2.ini.lzma\""},
        {"unknown size, more output than the catalogue says", big, "204800", unknown_size, nullptr,
         "ERROR Extract failed: file=\"system\\l2.ini.lzma\""},
        {"archive trickles", noise, {}, trickle, Trickle, "ERROR Worker download failed:"},
        {"connection reset mid-archive",
         test::RandomBytes(200000, 3),
         {},
         cut,
         nullptr,
         "ERROR Worker download failed:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture fresh;  // a service, directory and state of its own
        LoggedRun r{fresh.game};
        r.SetHttpAdjuster([tune = c.tune](ThreadForDownLoad::HttpClientRole, net::HttpSettings& s) {
            if (tune)
                tune(s);
        });
        fresh.Serve({{"system\\l2.ini", c.data, "2", c.catalogue_size, c.reply}});
        fresh.Put("system\\l2.ini", kOld);
        {
            const core::ScopedWindow window(fresh.port);
            r.Execute();
        }
        EXPECT_EQ(fresh.state->messageId.load(), 6);
        EXPECT_EQ(fresh.port.StatusLine(), StatusTextOf(6));
        EXPECT_TRUE(fresh.Read("system\\l2.ini") == kOld) << "the working file was replaced";
        EXPECT_TRUE(r.HasLine(c.log)) << c.log;
        std::vector<std::string> left;
        for (const auto& e : fs::recursive_directory_iterator(fresh.game))
            if (e.is_regular_file())
                left.push_back(fs::relative(e.path(), fresh.game).generic_string());
        EXPECT_EQ(left, std::vector<std::string>{"system/l2.ini"});
    }
}

std::string ToCharset(const std::string& utf8, const char* charset) {
    iconv_t cd = iconv_open(charset, "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string out(utf8.size() * 4 + 4, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t in_left = utf8.size();
    char* o = out.data();
    std::size_t out_left = out.size();
    iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}

// Names outside ASCII arrive whole whatever character set the catalogue was
// served in.
TEST_F(FaultTest, CataloguesAreReadInTheirCharacterSet) {
    const std::string name = "Текстуры\\ёлка №1.utx";
    const std::string data = "ёлка";
    struct Case {
        const char* name;
        const char* charset;      // the body's encoding
        const char* declaration;  // encoding="..." of the XML declaration
        const char* content_type;
        const char* bom;
    };
    const Case cases[] = {
        {"windows-1251 by Content-Type", "CP1251", "utf-8", "text/xml; charset=windows-1251", ""},
        {"windows-1251 by declaration", "CP1251", "windows-1251", "text/xml", ""},
        {"UTF-16 LE with BOM", "UTF-16LE", "utf-16", "text/xml", "\xFF\xFE"},
        {"UTF-16 BE with BOM", "UTF-16BE", "utf-16", "text/xml", "\xFE\xFF"},
        {"UTF-8 with BOM", "UTF-8", "utf-8", "text/xml", "\xEF\xBB\xBF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture fresh;
        LoggedRun r{fresh.game};
        fresh.Serve({{name, data, "2", {}, {}}});
        // The fixture's UTF-8 catalogue, re-encoded and re-declared.
        net::HttpClient http;
        const std::string utf8 = http.Get(fresh.server.Url("/patchlist.xml"));
        const std::string xml = std::string("<?xml version=\"1.0\" encoding=\"") + c.declaration +
                                "\"?>\n<list>\n" + utf8.substr(utf8.find("<archive"));
        test::FaultReply reply = test::FaultReply::Ok(c.bom + ToCharset(xml, c.charset));
        reply.headers = {{"Content-Type", c.content_type}};
        fresh.server.On("/patchlist.xml", reply);
        {
            const core::ScopedWindow window(fresh.port);
            r.Execute();
        }
        EXPECT_EQ(fresh.state->messageId.load(), 4);
        EXPECT_EQ(fresh.Read(name), data);
    }
}

TEST_F(FaultTest, CatalogueTooSlowOrTooLargeEndsTheStage) {
    struct Case {
        const char* name;
        void (*tune)(net::HttpSettings&);
        std::chrono::milliseconds trickle;
    };
    const Case cases[] = {
        {"trickle", Trickle, std::chrono::milliseconds(5)},
        {"too large", [](net::HttpSettings& s) { s.max_body_bytes = 100; },
         std::chrono::milliseconds(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunFixture fresh;
        LoggedRun r{fresh.game};
        r.SetHttpAdjuster(
            [tune = c.tune](ThreadForDownLoad::HttpClientRole role, net::HttpSettings& s) {
                if (role == ThreadForDownLoad::HttpClientRole::Catalogue)
                    tune(s);
            });
        std::vector<ServedFile> files;
        for (int i = 0; i < 20; ++i)
            files.push_back({"f" + std::to_string(i) + ".txt", "data", "2", {}, {}});
        fresh.Serve(files);
        test::FaultReply slow = test::FaultReply::Ok(std::string(4000, ' ') + "<list/>");
        slow.trickle = c.trickle;
        if (c.trickle.count() > 0)
            fresh.server.On("/patchlist.xml", slow);
        {
            const core::ScopedWindow window(fresh.port);
            r.Execute();
        }
        EXPECT_EQ(fresh.port.StatusLine(), "Update is not available, try again later! (2) 0");
        EXPECT_FALSE(fresh.port.Locked());
    }
}

// The unsafe-name rule holds for the name the run takes apart, not only for
// the attribute as a whole.
TEST_F(FaultTest, NamesWithTheSeparatorOrControlCharactersAreSkipped) {
    Serve({{"good.txt", "good", "2", {}, {}}});
    std::string xml = "<list>\n";
    for (const char* bad : {"sub\\..&#6;FFFFFFFF&#6;1&#6;5", "a&#13;b.txt", "a&#10;b.txt",
                            "a&#27;[2Jb.txt", "a&#9;b.txt", "a&#1;b.txt", "a&#127;b.txt"}) {
        xml += std::string("<archive filename=\"") + bad + "\" original=\"0\" size=\"5\"/>\n";
    }
    xml += "<archive filename=\"sep.txt\" original=\"00&#6;1\" size=\"5\"/>\n";
    net::HttpClient http;
    const std::string good = http.Get(server.Url("/patchlist.xml"));
    xml += good.substr(good.find("<archive"));
    server.On("/patchlist.xml", test::FaultReply::Ok(xml));
    Execute();

    EXPECT_EQ(Status(), 4);
    std::size_t skipped = 0;
    for (const auto& l : run.Logs())
        skipped += l.starts_with("WARN Unsafe catalogue file name skipped:");
    EXPECT_EQ(skipped, 8u);
    for (const auto& request : server.Received())
        EXPECT_TRUE(request.target.starts_with("/patchlist.xml") ||
                    request.target.starts_with("/patch/good.txt.lzma"))
            << request.target;
    EXPECT_EQ(Files(), std::vector<std::string>{"good.txt"});
}

// A worker thread that cannot start must not leave the extractor waiting for
// ever: the run ends with a status and an unlocked window.
TEST_F(FaultTest, AThreadThatCannotStartEndsTheRun) {
    for (int failing_start : {1, 2, 3}) {
        SCOPED_TRACE(failing_start);
        RunFixture fresh;
        LoggedRun r{fresh.game};
        fresh.Serve({{"a.txt", std::string(100000, 'a'), "2", {}, {}},
                     {"b.txt", std::string(200000, 'b'), "2", {}, {}}});
        int starts = 0;
        r.SetThreadStarter([&](std::function<void()> body) -> std::jthread {
            if (++starts == failing_start)
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            return std::jthread(std::move(body));
        });
        {
            const core::ScopedWindow window(fresh.port);
            r.Execute();
        }
        EXPECT_EQ(fresh.state->messageId.load(), 6);
        EXPECT_EQ(fresh.port.StatusLine(), StatusTextOf(6));
        EXPECT_FALSE(fresh.port.Locked());
        EXPECT_TRUE(r.HasLine("ERROR Update run failed:"));
        EXPECT_TRUE(r.HasLine("INFO Download thread finished"));
    }
}

// The program is ending: Abort cuts the transfers in progress at once, and
// nothing of them stays on disk.
TEST_F(FaultTest, AbortEndsARunAtOnce) {
    test::FaultReply trickle = test::FaultReply::Ok(ArchiveOf(test::RandomBytes(100000, 6)));
    trickle.trickle = std::chrono::milliseconds(20);
    Serve({{"system\\l2.ini", test::RandomBytes(100000, 6), "2", {}, trickle},
           {"system\\l2.dat", test::RandomBytes(90000, 7), "2", {}, trickle}});
    Put("system\\l2.ini", kOld);
    std::jthread thread([this] { Execute(); });
    while (server.Requests() < 3)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto abort = std::chrono::steady_clock::now();
    run.Abort();
    thread.join();
    // Far below what either trickle or the slow-transfer limit would take.
    EXPECT_LT(std::chrono::steady_clock::now() - abort, std::chrono::seconds(5));
    EXPECT_EQ(Status(), 6);
    EXPECT_TRUE(Read("system\\l2.ini") == kOld);
    EXPECT_EQ(Files(), std::vector<std::string>{"system/l2.ini"});
}

// A client file nobody may read (root reads every file, so the run is made
// by an ordinary user in a child process).
[[noreturn]] void UnreadableFileRun() {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
        std::_Exit(10);
    RunFixture fresh;
    LoggedRun r{fresh.game};
    fresh.Serve({{"locked.dat", std::string(100, 'n'), "2", {}, {}}});
    fresh.Put("locked.dat", std::string(100, 'o'));
    ::chmod(fresh.HostPath("locked.dat").c_str(), 0);
    {
        const core::ScopedWindow window(fresh.port);
        r.Execute();
    }
    ::chmod(fresh.HostPath("locked.dat").c_str(), 0600);
    const bool warned = r.HasLine(
        "WARN File cannot be read, queued for download: file=\"locked.dat\", "
        "reason=\"EFOpenError: ");
    // The file cannot be replaced either: the run names it and fails.
    const bool named =
        r.HasLine("ERROR Extract failed: file=\"locked.dat.lzma\", target=\"locked.dat\"");
    const bool ok = warned && named && fresh.state->messageId.load() == 6 &&
                    fresh.Read("locked.dat") == std::string(100, 'o') && !fresh.port.Locked();
    std::_Exit(ok ? 0 : 1);
}

TEST(FaultDeathTest, AnUnreadableFileIsQueuedAndNamedWhenItCannotBeReplaced) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(UnreadableFileRun(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kestrow::update
