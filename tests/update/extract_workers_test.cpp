// Runs whose archives are unpacked by several threads from the one queue:
// the end state, the files and the log's counts are those of one thread.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/window_port.h"
#include "support/temp_dir.h"
#include "support/tree_state.h"
#include "update/run_fixture.h"

namespace kestrow::update {
namespace {

namespace fs = std::filesystem;
using runtest::LoggedRun;
using runtest::RunFixture;
using runtest::ServedFile;
using runtest::StatusTextOf;

std::size_t Count(const LoggedRun& run, std::string_view prefix) {
    const auto logs = run.Logs();
    return static_cast<std::size_t>(std::count_if(
        logs.begin(), logs.end(), [&](const std::string& l) { return l.starts_with(prefix); }));
}

std::vector<ServedFile> ManyFiles(int count) {
    std::vector<ServedFile> files;
    for (int i = 0; i < count; ++i)
        files.push_back({"dir" + std::to_string(i % 4) + "\\f" + std::to_string(i) + ".dat",
                         test::RandomBytes(static_cast<std::size_t>(2000 + 7000 * i), i),
                         "1",
                         {},
                         {}});
    return files;
}

class ExtractWorkersTest : public ::testing::TestWithParam<int>, public RunFixture {
  protected:
    void Execute(LoggedRun& run) {
        state->g_bIsUpdateClient = true;
        run.SetExtractWorkerCount(GetParam());
        const core::ScopedWindow window(port);
        run.Execute();
    }
    int Status() { return state->messageId.load(); }
};

TEST_P(ExtractWorkersTest, SameEndStateAsOneWorker) {
    const int workers = GetParam();
    const auto files = ManyFiles(24);
    Serve(files);
    Put(files[3].name, "stale");
    LoggedRun run{game};
    Execute(run);

    EXPECT_EQ(Status(), 4);
    for (const auto& f : files)
        EXPECT_TRUE(Read(f.name) == f.data) << f.name;
    EXPECT_EQ(test::ArchivesAndPartsBelow(game), std::vector<std::string>{});
    EXPECT_EQ(port.StatusLine(), StatusTextOf(4));
    EXPECT_EQ(run.Line("INFO Download/extract pipeline enabled:"),
              "INFO Download/extract pipeline enabled: download_ui_two_workers=True, "
              "download_worker_count=2, extract_worker_count=" +
                  std::to_string(workers) + ", visible_worker_status=compact");
    EXPECT_EQ(Count(run, "INFO Extract worker started"), static_cast<std::size_t>(workers));
    EXPECT_EQ(Count(run, "INFO Extract worker finished: has_error=False, pending=0"),
              static_cast<std::size_t>(workers));
    EXPECT_EQ(Count(run, "INFO Extract done:"), files.size());
    EXPECT_TRUE(run.HasLine("INFO Pipeline summary: queued=24, dequeued=24, completed=24, "));
    EXPECT_TRUE(run.HasLine("INFO Update cycle summary: processed_files=24, total_items=24, "));
    for (const auto& l : run.Logs())
        EXPECT_FALSE(l.starts_with("ERROR") || l.starts_with("WARN")) << l;
}

// A broken archive in the middle: whichever thread meets it, the run ends
// cancelled, and no file is left half-written.
TEST_P(ExtractWorkersTest, AFailingArchiveEndsTheRunCancelled) {
    auto files = ManyFiles(12);
    files[5].reply = test::FaultReply::Ok("");
    Serve(files);
    LoggedRun run{game};
    Execute(run);

    EXPECT_EQ(Status(), 6);
    EXPECT_EQ(port.StatusLine(), StatusTextOf(6));
    EXPECT_FALSE(Read(files[5].name));
    for (const auto& f : files) {
        if (const auto data = Read(f.name)) {
            EXPECT_TRUE(*data == f.data) << f.name;
        }
    }
    for (const std::string& left : test::ArchivesAndPartsBelow(game))
        EXPECT_TRUE(left.ends_with(".lzma")) << left;  // still queued when it failed
    EXPECT_EQ(Count(run, "INFO Extract worker finished: has_error=True"), 1u);
    EXPECT_EQ(Count(run, "INFO Extract worker finished:"), static_cast<std::size_t>(GetParam()));
    EXPECT_TRUE(run.HasLine("ERROR Extract worker reported error: "));
    EXPECT_NE(run.Line("INFO Pipeline summary:").find(", worker_error=True, "), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Threads, ExtractWorkersTest, ::testing::Values(1, 2, 4),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
}  // namespace kestrow::update
