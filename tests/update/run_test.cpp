// Whole update runs on one thread against the scripted server: the update
// phase's end states, its log lines and the window it leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/launcher_state.h"
#include "core/window_port.h"
#include "support/temp_dir.h"
#include "update/download_worker.h"
#include "update/run_fixture.h"

namespace kestrow::update {
namespace {

using runtest::ArchiveOf;
using runtest::LoggedRun;
using runtest::RunFixture;
using runtest::ServedFile;
using runtest::StatusTextOf;

std::vector<ServedFile> SampleClient() {
    return {
        {"system\\l2.ini", std::string(3000, 'i'), "1", {}, {}},
        {"system\\A B.ini", "spaced name", "1", {}, {}},
        {"maps\\17_21.unr", test::RandomBytes(300000, 7), "1", {}, {}},
        {"textures\\big.utx", test::RandomBytes(1200000, 8), "1", {}, {}},
        {"empty.txt", "", "1", {}, {}},
        {"Текстуры\\ёлка.utx", "ёлка", "2", {}, {}},
    };
}

class RunTest : public ::testing::Test, public RunFixture {
  protected:
    void Execute() {
        const core::ScopedWindow window(port);
        run.Execute();
    }
    int Status() { return state->messageId.load(); }
    std::size_t Count(std::string_view prefix) const {
        const auto logs = run.Logs();
        return static_cast<std::size_t>(std::count_if(logs.begin(), logs.end(), [&](const auto& l) {
            return std::string_view(l).starts_with(prefix);
        }));
    }

    LoggedRun run{game};
};

TEST_F(RunTest, FullUpdateDownloadsEverythingThenFindsTheClientUpToDate) {
    state->g_bIsUpdateClient = true;
    const auto files = SampleClient();
    Serve(files);
    Put("system\\l2.ini", "stale");                         // wrong size
    Put("maps\\17_21.unr", test::RandomBytes(300000, 99));  // same size, other CRC
    Execute();

    EXPECT_EQ(Status(), 4);
    for (const auto& l : run.Logs())
        if (l.starts_with("ERROR") || l.starts_with("WARN"))
            ADD_FAILURE() << l;
    for (const auto& f : files) {
        EXPECT_TRUE(Read(f.name) == f.data) << f.name;
        EXPECT_FALSE(Read(f.name + ".lzma")) << f.name;
    }
    EXPECT_EQ(port.StatusLine(), StatusTextOf(4));
    EXPECT_FALSE(port.Locked());
    EXPECT_EQ(port.FileWidth(), 341.0f);
    EXPECT_EQ(port.TotalWidth(), 341.0f);
    EXPECT_EQ(run.Line("INFO Update list prepared:"),
              "INFO Update list prepared: remote_files=6, local_files=0, total_items=6");
    EXPECT_EQ(run.Line("INFO Download strategy:"),
              "INFO Download strategy: parallel_2_workers_keep_alive_large_file_priority_"
              "pipeline_summary_cleanup, queue_sorted_by=expected_unpacked_size_desc, "
              "queue_largest_size=1200000, queue_smallest_size=0");
    EXPECT_EQ(Count("INFO Worker download done:"), 6u);
    EXPECT_TRUE(run.HasLine("INFO Pipeline summary: queued=6, dequeued=6, completed=6, "));
    EXPECT_TRUE(
        run.HasLine("INFO Parallel download summary: workers=2, combined_file_progress="
                    "True, compact_visible_status=True, completed=6, total_items=6, "
                    "worker_error=False, worker_error_message=\"\""));
    // Either worker may log its first start first; the largest file goes out first.
    const auto logs = run.Logs();
    EXPECT_TRUE(std::any_of(logs.begin(), logs.end(), [](const std::string& l) {
        return l.starts_with("INFO Worker download start: worker=") &&
               l.find("index=1/6, gap_since_previous_file_ms=0, file=\"textures\\big.utx\"") !=
                   std::string::npos;
    }));
    const bool encoded = std::any_of(logs.begin(), logs.end(), [&](const std::string& l) {
        return l.find("url_raw=\"" + state->g_ClientURL_Folder +
                      "system\\A B.ini.lzma?1700000000"
                      "\", url_final=\"" +
                      state->g_ClientURL_Folder + "system/A%20B.ini.lzma?1700000000\"") !=
               std::string::npos;
    });
    EXPECT_TRUE(encoded);
    // The total bar counts finished downloads from an empty bar.
    const auto calls = port.Calls();
    const auto cleared = std::find(calls.begin(), calls.end(), "ClearTotalProgressBar");
    ASSERT_NE(cleared, calls.end());
    std::vector<std::string> steps;
    for (auto it = cleared; it != calls.end(); ++it)
        if (it->starts_with("SetTotalProgressValue"))
            steps.push_back(*it);
    // One step per finished download, showing the count at that moment: two
    // downloads ending together may both show the second.
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end())) << steps.front();
    EXPECT_TRUE(steps.front() == "SetTotalProgressValue(1, 6)" ||
                steps.front() == "SetTotalProgressValue(2, 6)")
        << steps.front();
    EXPECT_EQ(steps.back(), "SetTotalProgressValue(6, 6)");

    LoggedRun again{game};
    {
        const core::ScopedWindow window(port);
        again.Execute();
    }
    EXPECT_EQ(Status(), 7);
    EXPECT_EQ(again.Line("INFO Update list prepared:"),
              "INFO Update list prepared: remote_files=0, local_files=0, total_items=0");
    EXPECT_TRUE(again.HasLine("INFO Download strategy:"));
    EXPECT_NE(again.Line("INFO Download strategy:")
                  .find("queue_largest_size=-1, "
                        "queue_smallest_size=-1"),
              std::string::npos);
    EXPECT_FALSE(again.HasLine("INFO Download worker started"));
    EXPECT_FALSE(again.HasLine("INFO Extract worker started"));
    EXPECT_EQ(port.StatusLine(), StatusTextOf(7));
}

TEST_F(RunTest, PatchOnlyLeavesTheClientAndThePatchWinsInAFullRun) {
    Serve({{"system\\l2.ini", "client copy", "1", {}, {}},
           {"system\\L2.INI", "patch copy!", "2", {}, {}},
           {"maps\\only_client.unr", "c", "1", {}, {}}});
    Execute();  // patch only
    EXPECT_EQ(Status(), 4);
    EXPECT_EQ(Read("system\\L2.INI").value_or(Read("system\\l2.ini").value_or("")), "patch copy!");
    EXPECT_FALSE(Read("maps\\only_client.unr"));

    std::filesystem::remove_all(game + "system");
    state->g_bIsUpdateClient = true;
    LoggedRun full{game};
    {
        const core::ScopedWindow window(port);
        full.Execute();
    }
    EXPECT_EQ(Status(), 4);
    EXPECT_EQ(full.Line("INFO Full-client duplicate cleanup:"),
              "INFO Full-client duplicate cleanup: before=3, removed=1, after=2, "
              "rule=patch_overrides_client_same_filename");
    EXPECT_EQ(Read("system\\L2.INI").value_or(Read("system\\l2.ini").value_or("")), "patch copy!");
    EXPECT_EQ(Read("maps\\only_client.unr"), "c");
}

// One broken answer among good ones: the end state and the log lines that
// name it.
struct FailureCase {
    const char* what;
    test::FaultReply reply;
    std::vector<std::string> expected_lines;  // pieces of lines, in any line
    bool download_error;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
    *os << c.what;
}

class RunFailureTest : public RunTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RunFailureTest, EndsCancelledAfterTheOtherWorkerEmptiedTheQueue) {
    const FailureCase& c = GetParam();
    std::vector<ServedFile> files;
    files.push_back({"bad\\broken.dat", std::string(5000, 'b'), "2", {}, c.reply});
    for (int i = 0; i < 6; ++i)
        files.push_back(
            {"ok\\f" + std::to_string(i) + ".dat", std::string(100 + i, 'o'), "2", {}, {}});
    Serve(files);
    Execute();

    EXPECT_EQ(Status(), 6) << c.what;
    EXPECT_EQ(port.StatusLine(), StatusTextOf(6));
    // The extractor is stopped with the run: archives still queued then stay
    // packed, but nothing is ever unpacked wrongly.
    for (int i = 0; i < 6; ++i) {
        const std::string name = "ok\\f" + std::to_string(i) + ".dat";
        const std::optional<std::string> data = Read(name);
        if (data) {
            EXPECT_EQ(*data, files[i + 1].data) << name;
        }
    }
    EXPECT_FALSE(Read("bad\\broken.dat.lzma")) << c.what;
    const auto logs = run.Logs();
    for (const auto& piece : c.expected_lines) {
        EXPECT_TRUE(std::any_of(logs.begin(), logs.end(),
                                [&](const std::string& l) { return l.find(piece) != l.npos; }))
            << c.what << ": " << piece;
    }
    if (c.download_error) {
        EXPECT_TRUE(
            run.HasLine("WARN Pipeline cancellation requested; terminating extract "
                        "worker. pending="));
        EXPECT_EQ(Count("INFO Worker download done:"), 6u);
    }
    EXPECT_FALSE(port.Locked());
    EXPECT_EQ(port.TotalWidth(), 341.0f);
}

test::FaultReply ShortBody() {
    test::FaultReply r = test::FaultReply::Ok("0123456789");
    r.content_length = 5000;
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RunFailureTest,
    ::testing::Values(
        FailureCase{"missing archive",
                    test::FaultReply::Status(404),
                    {"ERROR Parallel download failed: [worker",
                     "] EIdHTTPProtocolException: HTTP/1.1 404 Not Found ",
                     ", index=1/7, file=\"bad\\broken.dat\", url_final=\"",
                     "/patch/bad/broken.dat.lzma?1700000000\": EIdHTTPProtocolException: "},
                    true},
        FailureCase{"body shorter than its length",
                    ShortBody(),
                    {"ERROR Parallel download failed: [worker",
                     "] EIdSocketError: ", "ERROR Worker download failed: worker="},
                    true},
        FailureCase{"empty archive",
                    test::FaultReply::Ok(""),
                    {"ERROR Extract failed: file=\"bad\\broken.dat.lzma\", target=\"bad\\broken."
                     "dat\": ",
                     "ERROR Extract worker failed: ", "ERROR Extract worker reported error: ",
                     "INFO Parallel download summary: workers=2, combined_file_progress=True, "
                     "compact_visible_status=True, completed=7, total_items=7, worker_error=False"},
                    false}),
    [](const auto& info) {
        std::string n = info.param.what;
        std::replace(n.begin(), n.end(), ' ', '_');
        return n;
    });

TEST_F(RunTest, SizeMismatchWarnsButCompletes) {
    Serve({{"maps\\a.unr", "twelve bytes", "2", std::string("13"), {}}});
    Execute();
    EXPECT_EQ(Status(), 4);
    EXPECT_EQ(Read("maps\\a.unr"), "twelve bytes");
    EXPECT_TRUE(
        run.HasLine("INFO Extract done: file=\"maps\\a.unr.lzma\", target=\"maps\\a.unr\", "
                    "output_size=12, expected_unpacked_size=13, output_size_match=False"));
    EXPECT_TRUE(
        run.HasLine("WARN Extract output size mismatch: target=\"maps\\a.unr\", "
                    "output_size=12, expected_unpacked_size=13"));
}

// A stop request at each stage of a run, made from the run's own calls.
TEST_F(RunTest, StopDuringTheDownloadsLetsCurrentFilesFinish) {
    std::vector<ServedFile> files;
    for (int i = 0; i < 12; ++i) {
        test::FaultReply slow = test::FaultReply::Ok(ArchiveOf(std::string(2000 + i, 'x')));
        slow.delay = std::chrono::milliseconds(30);
        files.push_back(
            {"f" + std::to_string(i) + ".dat", std::string(2000 + i, 'x'), "2", {}, slow});
    }
    Serve(files);
    run.on_log = [&](const std::string& line) {
        if (line.starts_with("INFO Worker download start:"))
            run.Terminate();
    };
    Execute();
    EXPECT_EQ(Status(), 6);
    const std::size_t done = Count("INFO Worker download done:");
    EXPECT_GE(done, 1u);
    EXPECT_LE(done, 2u);
    EXPECT_EQ(Count("INFO Extract queued:"), done);
    EXPECT_TRUE(run.HasLine("WARN Pipeline cancellation requested; terminating extract worker."));
    EXPECT_EQ(port.StatusLine(), StatusTextOf(6));
}

TEST_F(RunTest, StopWhileApplyingStillUnpacksEverythingQueued) {
    std::vector<ServedFile> files;
    for (int i = 0; i < 8; ++i)
        files.push_back(
            {"f" + std::to_string(i) + ".dat", test::RandomBytes(40000, i), "2", {}, {}});
    Serve(files);
    run.on_log = [&](const std::string& line) {
        if (line.starts_with("INFO Waiting for extract worker:"))
            run.Terminate();
    };
    Execute();
    EXPECT_EQ(Status(), 6);
    for (const auto& f : files)
        EXPECT_TRUE(Read(f.name) == f.data) << f.name;
    EXPECT_TRUE(run.HasLine("INFO Pipeline summary: queued=8, dequeued=8, completed=8"));
    const auto texts = port.StatusTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Applying update..."), texts.end());
}

TEST_F(RunTest, StopDuringTheScanQueuesNothingMoreAndEndsCancelled) {
    Serve({{"a.dat", "a", "2", {}, {}}, {"b.dat", "b", "2", {}, {}}});
    run.on_log = [&](const std::string& line) {
        if (line.starts_with("INFO Size-first scan enabled"))
            run.Terminate();
    };
    Execute();
    EXPECT_EQ(Status(), 6);
    EXPECT_FALSE(Read("a.dat"));
    EXPECT_EQ(port.StatusLine(), StatusTextOf(6));
    EXPECT_EQ(port.TotalWidth(), 341.0f);
}

TEST(WorkerTexts, UrlEncodingSpeedAndCompactStatus) {
    EXPECT_EQ(EncodeUrl("http://h\\p/system\\A B.ini.lzma?1"),
              "http://h/p/system/A%20B.ini.lzma?1");
    EXPECT_EQ(BareFileName("system\\sub/A B.ini"), "A B.ini");
    EXPECT_EQ(FormatSpeedMbs(3 * 1024 * 1024, 2000), "1.50");
    EXPECT_EQ(FormatSpeedMbs(5, 0), "0.00");
    const std::string idle(kWorkerIdle);
    struct Case {
        std::string s1, s2;
        int language;
        std::optional<std::string> expected;
    } cases[] = {
        {"a.ini", "b.dat", 0, "a.ini ... / b.dat ..."},
        {"a.ini", "b.dat", 5, "a.ini ... / b.dat ..."},
        {"a.ini", idle, 0, "Скачивается: a.ini ..."},
        {idle, "b.dat", 1, "Downloading: b.dat ..."},
        {idle, idle, 0, "Ожидание скачивания..."},
        {idle, idle, 1, "Waiting for download..."},
        {"a.ini", idle, 2, std::nullopt},
        {idle, idle, 2, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeWorkerStatus(c.s1, c.s2, c.language), c.expected) << c.s1 << "|" << c.s2;
}

}  // namespace
}  // namespace kestrow::update
