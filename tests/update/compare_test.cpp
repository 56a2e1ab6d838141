// The comparison without side effects (CompareFiles) against the scan of a
// real run: the same files queued for the same reasons, but nothing on disk
// touched.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/window_port.h"
#include "platform/files.h"
#include "support/tree_state.h"
#include "update/run_fixture.h"

namespace kestrow::update {
namespace {

namespace fs = std::filesystem;
using runtest::LoggedRun;
using runtest::RunFixture;
using runtest::ServedFile;

struct Case {
    std::string name;
    std::optional<std::string> local;  // nullopt: no such file
    bool read_only;
    std::optional<QueueReason> reason;  // nullopt: not queued
};

class CompareTest : public ::testing::Test, public RunFixture {
  protected:
    // Serves "content" for every case and lays out the game directory.
    void Prepare(const std::vector<Case>& cases) {
        std::vector<ServedFile> files;
        for (const Case& c : cases) {
            files.push_back({c.name, "content", "2", {}, {}});
            if (c.local) {
                Put(c.name, *c.local);
                if (c.read_only)
                    fs::permissions(HostPath(c.name), fs::perms::owner_write,
                                    fs::perm_options::remove);
            }
        }
        Serve(files);
    }
    static void ExpectQueued(const LoggedRun& run, const std::vector<Case>& cases) {
        ASSERT_EQ(run.ListWithUpdate.size(), run.ListWithUpdateReasons.size());
        std::map<std::string, QueueReason> queued;
        for (std::size_t i = 0; i < run.ListWithUpdate.size(); ++i) {
            const std::string& item = run.ListWithUpdate[i];
            queued[item.substr(0, item.find(kItemSeparator))] = run.ListWithUpdateReasons[i];
        }
        for (const Case& c : cases) {
            const auto found = queued.find(c.name);
            EXPECT_EQ(found != queued.end(), c.reason.has_value()) << c.name;
            if (found != queued.end() && c.reason) {
                EXPECT_EQ(QueueReasonName(found->second), QueueReasonName(*c.reason)) << c.name;
            }
        }
    }
};

TEST_F(CompareTest, QueuesForTheScansReasonsWithoutTouchingTheDisk) {
    std::vector<Case> cases = {
        {"maps\\missing.unr", std::nullopt, false, QueueReason::Missing},
        {"maps\\short.unr", "cont", false, QueueReason::Size},
        {"maps\\other.unr", "CONTENT", false, QueueReason::Checksum},
        {"system\\ro.ini", "CONTENT", true, QueueReason::ReadOnlyRule},
        {"maps\\ro.unr", "CONTENT", true, std::nullopt},  // left alone, counted
        {"maps\\same.unr", "content", false, std::nullopt},
        {"locked.dat", "CONTENT", false, QueueReason::Unreadable},
    };
    Prepare(cases);
    fs::permissions(HostPath("locked.dat"), fs::perms::owner_write);  // unreadable, not read-only
    if (std::FILE* f = std::fopen(HostPath("locked.dat").c_str(), "rb")) {  // root reads anyway
        std::fclose(f);
        cases.back().reason = QueueReason::Checksum;
    }
    // A stale crash dump that an update request would clean.
    Put("system_classic\\crash.dmp", "dump");
    const auto before = test::TreeSnapshot(game);
    const core::ScopedWindow window(port);

    LoggedRun check{game};
    ASSERT_TRUE(check.CompareFiles());
    ExpectQueued(check, cases);
    EXPECT_EQ(check.LastScan().readonly_files, 1);
    EXPECT_EQ(test::TreeSnapshot(game), before);
    EXPECT_FALSE(port.Locked());

    // The real scan queues the same, and only it clears the read-only bit.
    LoggedRun run{game};
    run.ApplyHttpTuning();
    ASSERT_TRUE(run.CheckAllFiles());
    ExpectQueued(run, cases);
    EXPECT_EQ(run.ListWithUpdate, check.ListWithUpdate);
    EXPECT_FALSE(platform::IsReadOnly(HostPath("system\\ro.ini")));
    EXPECT_TRUE(platform::IsReadOnly(HostPath("maps\\ro.unr")));
    fs::permissions(HostPath("locked.dat"), fs::perms::owner_all);
}

}  // namespace
}  // namespace kestrow::update
