// The catalogue stage and the local comparison against a real server on
// loopback, with the client directory and catalogues built per test.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/crc32.h"
#include "core/launcher_state.h"
#include "core/recording_window_port.h"
#include "platform/files.h"
#include "support/fault_server.h"
#include "support/temp_dir.h"
#include "update/catalogue.h"
#include "update/thread_for_download.h"

namespace kestrow::update {
namespace {

namespace fs = std::filesystem;

std::string Crc(const std::string& data) {
    return archive::CrcText(archive::UpdateCRC32(0xFFFFFFFFu, data.data(), data.size()) ^
                            0xFFFFFFFFu);
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    return s;
}

struct Entry {
    std::string name;
    std::optional<std::string> original;  // nullopt: no attribute
    std::optional<std::string> size;
};

std::string Xml(const std::vector<Entry>& entries, const std::vector<std::string>& crit = {}) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<list>\n";
    for (const auto& name : crit)
        xml += "  <CritFiles filename=\"" + name + "\"/>\n";
    for (const auto& e : entries) {
        xml += "  <archive filename=\"" + e.name + "\"";
        if (e.original)
            xml += " original=\"" + *e.original + "\"";
        if (e.size)
            xml += " size=\"" + *e.size + "\"";
        xml += "/>\n";
    }
    return xml + "</list>\n";
}

// Timings vary from run to run; everything else in a log line must not.
std::string Normalized(const std::string& line) {
    static const std::string_view kTimed[] = {"download", "parse", "check", "total", "slowest_crc"};
    std::string out;
    std::size_t i = 0;
    while (i < line.size()) {
        const std::size_t at = line.find("_ms=", i);
        if (at == std::string::npos)
            break;
        std::size_t end = at + 4;
        out.append(line, i, end - i);
        bool timed = false;
        for (std::string_view word : kTimed) {
            timed = timed || std::string_view(line).substr(0, at).ends_with(word);
        }
        std::size_t digits = end;
        while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9')
            ++digits;
        if (timed && digits > end) {
            out += 'N';
            end = digits;
        }
        i = end;
    }
    out.append(line, i, std::string::npos);
    const std::string key = "slowest_crc_file=\"";
    if (std::size_t at = out.find(key); at != std::string::npos) {
        const std::size_t close = out.find('"', at + key.size());
        if (close != std::string::npos)
            out.replace(at, close + 1 - at, "slowest_crc_file=F");
    }
    return out;
}

class TestRun : public ThreadForDownLoad {
  public:
    using ThreadForDownLoad::ThreadForDownLoad;
    std::vector<std::string> logs;  // "INFO text", timings normalised
    int fail_crit_at = -1, fail_archive_at = -1;

  protected:
    void WriteLog(LogLevel level, std::string_view text) override {
        const char* tag = level == LogLevel::Info   ? "INFO "
                          : level == LogLevel::Warn ? "WARN "
                                                    : "ERROR ";
        logs.push_back(tag + Normalized(std::string(text)));
    }
    void ReadCatalogueElement(CatalogueElement kind, std::size_t index) override {
        const int at = kind == CatalogueElement::CritFile ? fail_crit_at : fail_archive_at;
        if (at >= 0 && static_cast<std::size_t>(at) == index)
            throw std::runtime_error("broken");
    }
};

// Forwards to a recorder and runs a hook on every progress step of the scan.
class SteppingPort final : public core::WindowPort {
  public:
    core::RecordingWindowPort inner;
    std::function<void()> on_step;
    void LockUpdateControls() override { inner.LockUpdateControls(); }
    void UnlockUpdateControls() override { inner.UnlockUpdateControls(); }
    void ClearFileProgressBar() override { inner.ClearFileProgressBar(); }
    void ClearTotalProgressBar() override { inner.ClearTotalProgressBar(); }
    void SetFileProgressWidth(float w) override { inner.SetFileProgressWidth(w); }
    void SetTotalProgressWidth(float w) override { inner.SetTotalProgressWidth(w); }
    void AddTotalProgressWidth(float w) override {
        inner.AddTotalProgressWidth(w);
        if (on_step)
            on_step();
    }
    void SetFileProgressValue(std::int64_t c, std::int64_t m) override {
        inner.SetFileProgressValue(c, m);
    }
    void SetTotalProgressValue(std::int64_t c, std::int64_t m) override {
        inner.SetTotalProgressValue(c, m);
    }
    void ShowStatusText(const std::string& t) override { inner.ShowStatusText(t); }
    void ShowStatus() override { inner.ShowStatus(); }
    void ShowMessage(const std::string& t) override { inner.ShowMessage(t); }
};

class ScanTest : public testing::Test {
  protected:
    ScanTest() {
        state->language = 1;
        state->g_PatchURL = server.Url("/patch.xml") + "?1700000000";
        state->g_ClientURL = server.Url("/client.xml") + "?1700000000";
        fs::create_directories(game);
    }

    void Put(const std::string& name, const std::string& data, bool read_only = false) {
        std::string host = name;
        for (char& c : host)
            if (c == '\\')
                c = '/';
        test::WriteFile(game + host, data);
        if (read_only)
            fs::permissions(game + host, fs::perms::owner_write, fs::perm_options::remove);
    }
    bool ReadOnly(const std::string& name) {
        return platform::IsReadOnly(game + platform::GameToHostPath(name));
    }
    bool Check() {
        run.ApplyHttpTuning();
        return run.CheckAllFiles();
    }
    std::vector<std::string> Targets() const {
        std::vector<std::string> targets;
        for (const auto& r : server.Received())
            targets.push_back(r.target);
        return targets;
    }

    test::TempDir dir;
    test::FaultServer server;
    core::ScopedLauncherState state;
    SteppingPort port;
    core::ScopedWindow window{port};
    std::string game = dir.File("game") + "/";
    TestRun run{game};
};

TEST_F(ScanTest, PatchOnlyScanDecidesBySizeThenCrc) {
    const std::string lower_crc_data = "data";  // its CRC has hex letters
    ASSERT_NE(Lower(Crc(lower_crc_data)), Crc(lower_crc_data));
    Put("system\\ok.dat", "hello");
    Put("maps\\wrongsize.unr", "abc");
    Put("textures\\nosize.utx", "xyz");
    Put("sounds\\lower.uax", lower_crc_data);
    Put("empty.bin", "");
    Put("empty2.bin", "");
    Put("Текстуры\\Ёлка.utx", "ёлка");
    const std::vector<Entry> entries = {
        {"system\\ok.dat", Crc("hello"), "5"},
        {"system\\missing.dat", "00000001", "10"},
        {"maps\\wrongsize.unr", Crc("abc"), "4"},
        {"textures\\nosize.utx", Crc("xyz"), std::nullopt},
        {"sounds\\lower.uax", Lower(Crc(lower_crc_data)), "4"},
        {"empty.bin", "00000000", "0"},
        {"empty2.bin", "12345678", "0"},
        {"..\\escape.txt", "00000000", "1"},
        {"Текстуры\\Ёлка.utx", Crc("ёлка"), "8"},
        {"maps\\noorig.unr", std::nullopt, "3"},
    };
    const std::string xml = Xml(entries, {"System\\L2.EXE", "maps\\x"});
    server.On("/patch.xml", test::FaultReply::Ok(xml));

    ASSERT_TRUE(Check());

    EXPECT_EQ(run.ListFiles.size(), 9u);
    EXPECT_EQ(run.ListFiles[0], "system\\ok.dat\x06" + Crc("hello") +
                                    "\x06"
                                    "2\x06"
                                    "5");
    EXPECT_EQ(run.ListFiles[3], "textures\\nosize.utx\x06" + Crc("xyz") +
                                    "\x06"
                                    "2\x06");
    EXPECT_EQ(run.ListWithUpdate, (TextList{"system\\missing.dat\x06"
                                            "2\x06"
                                            "10",
                                            "maps\\wrongsize.unr\x06"
                                            "2\x06"
                                            "4",
                                            "sounds\\lower.uax\x06"
                                            "2\x06"
                                            "4",
                                            "empty2.bin\x06"
                                            "2\x06"
                                            "0",
                                            "maps\\noorig.unr\x06"
                                            "2\x06"
                                            "3"}));
    EXPECT_EQ(run.CritFiles, (TextList{"system\\l2.exe\x06", "maps\\x\x06"}));
    EXPECT_FALSE(state->g_bIsUpdateClient);

    const std::string bytes = std::to_string(Utf16Length(JoinCatalogueLines(xml)));
    EXPECT_EQ(
        run.logs,
        (std::vector<std::string>{
            "INFO HTTP tuning applied: connect_timeout_ms=10000, read_timeout_ms=60000, "
            "connection=keep-alive, "
            "strategy=parallel_2_workers_keep_alive_large_file_priority_pipeline_summary_"
            "cleanup",
            "INFO Scan benchmark start",
            "INFO Size-first scan enabled: XML size is checked before CRC when available",
            "INFO CRC reader optimized: buffer_bytes=1048576, share_mode=fmShareDenyNone",
            "INFO CheckAllFiles mode=patch_only",
            "INFO Client file list skipped for patch-only update",
            "INFO Patch XML loaded: bytes=" + bytes + ", crit_count=2, download_ms=N, parse_ms=N",
            "INFO Patch archive list parsed: archive_count=10",
            "WARN Unsafe catalogue file name skipped: filename=\"..\\escape.txt\", kind=2",
            "INFO Scan summary: list_files=9, client_archive_count=0, patch_archive_count=10, "
            "crit_count=2, missing_files=2, size_checked=6, size_mismatch=1, "
            "crc_skipped_by_size=1, crc_checked=6, crc_mismatch=2, readonly_files=0, "
            "queued_files=5, client_xml_download_ms=N, patch_xml_download_ms=N, "
            "client_xml_parse_ms=N, patch_xml_parse_ms=N, file_check_ms=N, crc_total_ms=N, "
            "slowest_crc_ms=N, slowest_crc_file=F, scan_total_ms=N, unsafe_names=1",
        }));
    EXPECT_EQ(run.LastScan().client_xml_download_ms, 0);
    EXPECT_EQ(run.LastScan().client_xml_parse_ms, 0);

    // One request, with the shared client settings.
    const auto received = server.Received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].target, "/patch.xml?1700000000");
    EXPECT_EQ(received[0].headers.at("user-agent"), "Tq8ZbLw3RkPx7JdGs2HcN");
    EXPECT_EQ(received[0].headers.at("accept"), "*/*");
    EXPECT_EQ(Lower(received[0].headers.at("connection")), "keep-alive");

    // Window: the total bar cleared, then one step of 341/9 per entry; the
    // file bar follows the catalogue download and is cleared after it.
    const auto calls = port.inner.Calls();
    EXPECT_EQ(calls.front(), "ClearTotalProgressBar");
    EXPECT_EQ(std::count_if(
                  calls.begin(), calls.end(),
                  [](const std::string& c) { return c.rfind("AddTotalProgressWidth", 0) == 0; }),
              9);
    EXPECT_NEAR(port.inner.TotalWidth(), 341.0f, 0.01f);
    const std::string full = "SetFileProgressValue(" + std::to_string(xml.size()) + ", " +
                             std::to_string(xml.size()) + ")";
    EXPECT_NE(std::find(calls.begin(), calls.end(), full), calls.end());
    EXPECT_EQ(port.inner.StatusTexts(), (std::vector<std::string>{"Scan of files, please wait"}));
    EXPECT_TRUE(port.inner.Messages().empty());
}

TEST_F(ScanTest, FullClientTakesClientLinesFirstAndSpendsTheFlag) {
    state->g_bIsUpdateClient = true;
    state->language = 0;
    server.On("/client.xml",
              test::FaultReply::Ok(Xml({{"a.dat", "00000000", "1"}, {"B.dat", "00000000", ""}})));
    server.On("/patch.xml",
              test::FaultReply::Ok(Xml({{"b.dat", "00000000", "2"}, {"c.dat", "00000000", "3"}})));

    ASSERT_TRUE(Check());

    EXPECT_FALSE(state->g_bIsUpdateClient);
    EXPECT_EQ(Targets(),
              (std::vector<std::string>{"/client.xml?1700000000", "/patch.xml?1700000000"}));
    EXPECT_EQ(run.ListWithUpdate, (TextList{"a.dat\x06"
                                            "1\x06"
                                            "1",
                                            "B.dat\x06"
                                            "1\x06",
                                            "b.dat\x06"
                                            "2\x06"
                                            "2",
                                            "c.dat\x06"
                                            "2\x06"
                                            "3"}));
    EXPECT_EQ(run.logs[4], "INFO CheckAllFiles mode=full_client");
    EXPECT_EQ(run.logs[5].rfind("INFO Client XML loaded: bytes=", 0), 0u) << run.logs[5];
    EXPECT_NE(run.logs[5].find(", archive_count=2, download_ms=N, parse_ms=N"), std::string::npos);
    EXPECT_EQ(run.LastScan().client_archive_count, 2);
    EXPECT_EQ(run.LastScan().missing_files, 4);
    EXPECT_EQ(port.inner.StatusTexts(),
              (std::vector<std::string>{"Идет проверка файлов, пожалуйста подождите!"}));
}

TEST_F(ScanTest, CatalogueFailuresEndTheStageWithItsNumber) {
    struct Case {
        const char* what;
        bool full_client;
        std::optional<test::FaultReply> client, patch;  // nullopt: 404
        bool unreachable_patch;
        int error_connect, language;
        std::string status;
        std::size_t requests;
        int reloads;
    };
    const Case cases[] = {
        {"patch 404",
         false,
         {},
         {},
         false,
         0,
         1,
         "Update is not available, try again later! (2) 0",
         1,
         0},
        {"client 500, no patch request", true, test::FaultReply::Status(500),
         test::FaultReply::Ok(Xml({})), false, 1, 1,
         "Update is not available, try again later! (1) 1", 1, 0},
        {"client broken xml",
         true,
         test::FaultReply::Ok("<list><archive>"),
         {},
         false,
         0,
         0,
         "Обновление недоступно, попробуйте позже! (1) 0",
         1,
         0},
        {"patch broken xml", true, test::FaultReply::Ok(Xml({})), test::FaultReply::Ok("not xml"),
         false, 0, 0, "Обновление недоступно, попробуйте позже! (2) 0", 2, 0},
        {"patch refused, options reloaded",
         false,
         {},
         {},
         true,
         2,
         1,
         "Update is not available, try again later! (2) 2",
         0,
         1},
        {"other language keeps the text", false, {}, {}, false, 0, 7, "earlier text", 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::FaultServer local;
        core::ScopedLauncherState s;
        SteppingPort p;
        core::ScopedWindow w{p};
        s->language = c.language;
        s->g_ErrorConnect = c.error_connect;
        s->g_bIsUpdateClient = c.full_client;
        int reloads = 0;
        s->reloadOptions = [&] { ++reloads; };
        s->g_ClientURL = local.Url("/client.xml") + "?1";
        s->g_PatchURL =
            c.unreachable_patch ? "http://127.0.0.1:1/patch.xml?1" : local.Url("/patch.xml") + "?1";
        if (c.client)
            local.On("/client.xml", *c.client);
        if (c.patch)
            local.On("/patch.xml", *c.patch);
        TestRun r{game};
        r.status = "earlier text";
        r.ApplyHttpTuning();
        EXPECT_FALSE(r.CheckAllFiles());
        EXPECT_FALSE(s->g_bIsUpdateClient);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(p.inner.StatusTexts(), std::vector<std::string>{c.status});
        EXPECT_EQ(local.Received().size(), c.requests);
        EXPECT_EQ(reloads, c.reloads);
        EXPECT_TRUE(r.ListWithUpdate.empty());
        EXPECT_TRUE(p.inner.Messages().empty());
        EXPECT_EQ(std::count_if(r.logs.begin(), r.logs.end(),
                                [](const std::string& l) {
                                    return l.find("Scan summary") != std::string::npos;
                                }),
                  0);
    }
}

TEST_F(ScanTest, CatalogueErrorMessages044And042) {
    const std::string e044 =
        "The error code #044, isnt present an opportunity to update the client!\r\n\r\n"
        "Report in technical support, your project.\r\n\r\n"
        "Or remove a tick in the settings \"For Experienced Users\"";
    const std::string r044 =
        "Код ошибки #044, нет возможности обновить патч!\r\n\r\n"
        "Сообщите в техническую поддержку, вашего проекта.\r\n\r\n"
        "Либо снимите галочку в настройках \"Для опытных пользователей\"";
    const std::string e042 =
        "The error code #042, isnt present an opportunity to update the client!\r\n\r\n"
        "Report in technical support, your project.";
    const std::string r042 =
        "Код ошибки #042, нет возможности обновить патч!\r\n\r\n"
        "Сообщите в техническую поддержку, вашего проекта.";
    struct Case {
        int crit_at, archive_at, language;
        std::string message;
        bool result;
        std::size_t list_files;
    };
    const Case cases[] = {
        {1, -1, 1, e044, false, 0},
        {0, -1, 0, r044, false, 0},
        {-1, 1, 1, e042, true, 1},
        {-1, 0, 0, r042, true, 0},
    };
    server.On("/patch.xml",
              test::FaultReply::Ok(Xml({{"a", "1", "1"}, {"b", "1", "1"}}, {"x", "y"})));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        SteppingPort p;
        core::ScopedWindow w{p};
        state->language = c.language;
        TestRun r{game};
        r.fail_crit_at = c.crit_at;
        r.fail_archive_at = c.archive_at;
        r.ApplyHttpTuning();
        EXPECT_EQ(r.CheckAllFiles(), c.result);
        EXPECT_EQ(p.inner.Messages(), std::vector<std::string>{c.message});
        EXPECT_EQ(r.ListFiles.size(), c.list_files);
        if (c.result) {  // the scan goes on and writes its own status text
            EXPECT_EQ(p.inner.StatusTexts().size(), 1u);
            EXPECT_EQ(r.ListWithUpdate.size(), c.list_files);
        } else {
            EXPECT_EQ(r.status, c.message);
            EXPECT_TRUE(p.inner.StatusTexts().empty());
        }
    }
}

TEST_F(ScanTest, ReadOnlyRules) {
    struct Case {
        std::string name;
        bool wrong_size, wrong_crc, read_only;
        bool queued, read_only_after;
    };
    const Case cases[] = {
        {"system\\a.dat", false, true, true, true, false},
        {"System\\b.dat", false, true, true, false, true},
        {"maps\\c.unr", false, true, true, false, true},
        {"systemx\\d.dat", false, true, true, false, true},
        {"maps\\e.unr", true, true, true, true, true},  // size decides, no CRC
        {"maps\\f.unr", false, false, true, false, true},
        {"maps\\g.unr", false, true, false, true, false},
        {"system/h.dat", false, true, true, false, true},  // only "system\" counts
    };
    std::vector<Entry> entries;
    for (const auto& c : cases) {
        Put(c.name, "content", c.read_only);
        entries.push_back(
            {c.name, c.wrong_crc ? "00000000" : Crc("content"), c.wrong_size ? "3" : "7"});
    }
    server.On("/patch.xml", test::FaultReply::Ok(Xml(entries)));
    state->g_nFilesOnlyRead = 0;
    ASSERT_TRUE(Check());
    int counted = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = UpdateItem(c.name, "2", c.wrong_size ? "3" : "7");
        const bool queued = std::find(run.ListWithUpdate.begin(), run.ListWithUpdate.end(), line) !=
                            run.ListWithUpdate.end();
        EXPECT_EQ(queued, c.queued);
        EXPECT_EQ(ReadOnly(c.name), c.read_only_after);
        counted += (!c.queued && c.wrong_crc && !c.wrong_size) ? 1 : 0;
    }
    EXPECT_EQ(state->g_nFilesOnlyRead, counted);
    EXPECT_EQ(run.LastScan().readonly_files, counted);
    EXPECT_EQ(run.LastScan().crc_checked, 7);
    EXPECT_EQ(run.LastScan().crc_mismatch, 6);
}

TEST_F(ScanTest, StopRequestPassesOverTheRemainingEntries) {
    server.On("/patch.xml", test::FaultReply::Ok(Xml({{"a", "0", "1"},
                                                      {"b", "0", "1"},
                                                      {"c", "0", "1"},
                                                      {"d", "0", "1"},
                                                      {"e", "0", "1"}})));
    int steps = 0;
    port.on_step = [&] {
        if (++steps == 2)
            run.RequestStop();
    };
    ASSERT_TRUE(Check());
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(run.ListWithUpdate.size(), 2u);
    EXPECT_EQ(run.LastScan().missing_files, 2);
    EXPECT_EQ(run.LastScan().list_files, 5);
    EXPECT_EQ(run.logs.back().rfind("INFO Scan summary: list_files=5,", 0), 0u);
}

TEST_F(ScanTest, EmptyCatalogueMakesNoStep) {
    server.On("/patch.xml", test::FaultReply::Ok("<list><other/></list>"));
    ASSERT_TRUE(Check());
    EXPECT_TRUE(run.ListWithUpdate.empty());
    EXPECT_EQ(run.logs.back().rfind("INFO Scan summary: list_files=0, ", 0), 0u);
    EXPECT_NE(run.logs.back().find("queued_files=0, "), std::string::npos);
    const auto calls = port.inner.Calls();
    EXPECT_EQ(std::count_if(
                  calls.begin(), calls.end(),
                  [](const std::string& c) { return c.rfind("AddTotalProgressWidth", 0) == 0; }),
              0);
}

// Treated like a size that cannot be read: queued, with a warning that names it.
TEST_F(ScanTest, UnreadableFileIsQueuedWithAWarning) {
    Put("locked.dat", "1234");
    fs::permissions(game + "locked.dat", fs::perms::none);
    if (std::FILE* f = std::fopen((game + "locked.dat").c_str(), "rb")) {  // root reads anyway
        std::fclose(f);
        GTEST_SKIP() << "files without permissions are readable here";
    }
    server.On("/patch.xml", test::FaultReply::Ok(Xml({{"locked.dat", "00000000", "4"}})));
    run.ApplyHttpTuning();
    EXPECT_TRUE(run.CheckAllFiles());
    EXPECT_EQ(run.ListWithUpdate.size(), 1u);
    const bool warned = std::any_of(run.logs.begin(), run.logs.end(), [](const std::string& l) {
        return l.starts_with(
            "WARN File cannot be read, queued for download: file=\"locked.dat\", "
            "reason=\"EFOpenError: ");
    });
    EXPECT_TRUE(warned);
}

}  // namespace
}  // namespace kestrow::update
