#include <sys/stat.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/recording_window_port.h"
#include "core/window_port.h"
#include "shell/client_cleanup.h"
#include "support/temp_dir.h"

namespace kestrow::shell {
namespace {

namespace fs = std::filesystem;

TEST(MatchesMask, AsFindFirstFileMatchesLongNames) {
    struct Case {
        const char* name;
        const char* mask;
        bool matches;
    };
    const Case cases[] = {
        {"crash.dmp", "*.dmp", true}, {"CRASH.DMP", "*.dmp", true},
        {".dmp", "*.dmp", true},      {"crash.dmp.bak", "*.dmp", false},
        {"crashdmp", "*.dmp", false}, {"a.b.log", "*.log", true},
        {"l2.log", "l?.log", true},   {"l22.log", "l?.log", false},
        {"anything", "*", true},      {"a.log", "*.*", true},
        {"x.dmp", "*.dmp*", true},    {"Crest.utx", "crest.UTX", true},
        {"aXbXc", "a*b*c", true},     {"aXbXcX", "a*b*c", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesMask(c.name, c.mask), c.matches) << c.name << " / " << c.mask;
}

class CleanupTest : public ::testing::Test {
  protected:
    std::string Make(const std::string& relative, bool read_only = false) {
        const std::string path = dir_.File("game/" + relative);
        if (relative.ends_with("/")) {
            fs::create_directories(path);
        } else {
            kestrow::test::WriteFile(path, "x");
            if (read_only)
                ::chmod(path.c_str(), 0444);
        }
        return path;
    }
    bool Exists(const std::string& relative) const {
        return fs::exists(fs::symlink_status(dir_.File("game/" + relative)));
    }
    std::string Game() const { return dir_.File("game"); }

    kestrow::test::TempDir dir_;
};

TEST_F(CleanupTest, DeleteFileIfExistsTrimsAndDeletesOnlyWritableFiles) {
    Make("system/a.txt");
    Make("system/b.txt");
    Make("system/ro.txt", true);
    Make("system/folder/");
    struct Case {
        std::string path;
        bool deleted;
    };
    const Case cases[] = {
        {"", false},
        {"   ", false},
        {dir_.File("game/system/a.txt"), true},
        {dir_.File("game/system/a.txt"), false},  // already gone
        {"  " + dir_.File("game/system/b.txt") + " \t", true},
        {dir_.File("game/system/ro.txt"), false},
        {dir_.File("game/system/folder"), false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DeleteFileIfExists(c.path), c.deleted) << "[" << c.path << "]";
    EXPECT_TRUE(Exists("system/ro.txt"));
    EXPECT_TRUE(Exists("system/folder"));
}

TEST_F(CleanupTest, CleanClientFilesRemovesTheStaleFilesAndNothingElse) {
    struct Case {
        const char* path;
        bool removed;
        bool read_only = false;
    };
    const Case cases[] = {
        {"system_classic/crash.dmp", true},
        {"system_classic/CRASH2.DMP", true},
        {"system_classic/l2.log", true},
        {"system_classic/old.log.txt", false},
        {"system_classic/l2.ini", false},
        {"system_classic/kept.dmp", false, true},  // read-only
        {"system_classic/sub.log/", false},        // a directory, also its files
        {"system_classic/sub.log/inner.log", false},
        {"system/crash.dmp", false},
        {"system/Upload.exe", true},
        {"system/l2.exe", false},
        {"systextures/Crest.utx", true},
        {"systextures/Other.utx", false},
        {"resource/cr/Crest.utx", true},
        {"Start Kestrow.exe", false},
    };
    for (const Case& c : cases)
        Make(c.path, c.read_only);
    core::RecordingWindowPort window;
    core::ScopedWindow scoped(window);
    CleanClientFiles({Game(), {}});
    for (const Case& c : cases)
        EXPECT_EQ(Exists(c.path), !c.removed) << c.path;
    EXPECT_TRUE(window.Messages().empty());

    // Nothing left to remove, and missing folders are no error.
    fs::remove_all(Game() + "/system_classic");
    CleanClientFiles({Game(), {}});
    EXPECT_TRUE(window.Messages().empty());
}

TEST_F(CleanupTest, DeleteFilesByMaskIgnoresBlankArgumentsAndMissingFolders) {
    Make("system_classic/a.dmp");
    Make("system_classic/b.dmp");
    DeleteFilesByMask("", "*.dmp");
    DeleteFilesByMask(Game() + "/system_classic", "  ");
    DeleteFilesByMask(Game() + "/missing", "*.dmp");
    EXPECT_TRUE(Exists("system_classic/a.dmp"));
    DeleteFilesByMask(" " + Game() + "/system_classic/ ", "a.*");
    EXPECT_FALSE(Exists("system_classic/a.dmp"));
    EXPECT_TRUE(Exists("system_classic/b.dmp"));
}

TEST_F(CleanupTest, AFailingStepSkipsTheRestAndShowsCode033) {
    Make("system_classic/crash.dmp");
    std::vector<std::string> asked;
    auto delete_file = [&](const std::string& path) -> bool {
        asked.push_back(fs::path(path).lexically_relative(Game()).generic_string());
        if (path.ends_with("Crest.utx"))
            throw std::runtime_error("disk gone");
        return DeleteFileIfExists(path);
    };
    core::RecordingWindowPort window;
    core::ScopedWindow scoped(window);
    CleanClientFiles({Game(), delete_file});
    EXPECT_EQ(asked,
              (std::vector<std::string>{"system_classic/crash.dmp", "systextures/Crest.utx"}));
    EXPECT_EQ(window.Messages(), (std::vector<std::string>{"Code Error: #033"}));
}

}  // namespace
}  // namespace kestrow::shell
