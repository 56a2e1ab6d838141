#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "log/app_logger.h"
#include "log/log_clock.h"
#include "platform/error.h"
#include "platform/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace kestrow::log {
namespace {

static_assert(LoggingEnabled, "the writer tests run against the switched-on build");

platform::LocalDateTime At(int y, int mo, int d, int h, int mi, int s, int ms) {
    return platform::LocalDateTime{y, mo, d, h, mi, s, ms};
}

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t pos; (pos = text.find("\r\n", start)) != std::string::npos; start = pos + 2) {
        lines.push_back(text.substr(start, pos - start));
    }
    EXPECT_EQ(start, text.size()) << "text after the last CR LF";
    return lines;
}

// A fresh LOCALAPPDATA and a clock the test sets; the logger is finalised afterwards.
class AppLoggerTest : public ::testing::Test {
  protected:
    AppLoggerTest() : env_("LOCALAPPDATA", tmp_.Path().string().c_str()) {
        SetLogClock([this] { return now_; });
    }
    ~AppLoggerTest() override {
        FinalizeLogger();
        SetLogClock({});
    }

    std::string LogDir() const { return tmp_.Path().string() + "/Kestrow/Updater/logs/"; }
    std::string DayFile(const char* yyyymmdd) const {
        return LogDir() + "updater_" + yyyymmdd + ".log";
    }
    std::vector<std::string> Lines(const char* yyyymmdd) const {
        return SplitCrLf(test::ReadFile(DayFile(yyyymmdd)));
    }

    test::TempDir tmp_;
    test::ScopedEnv env_;
    // Only written while no other thread logs.
    platform::LocalDateTime now_ = At(2024, 3, 5, 14, 7, 9, 42);
};

TEST_F(AppLoggerTest, InitWritesItsFourLinesInOrderAndCreatesNoCacheFile) {
    InitLogger();
    LogInfo("after init");
    const std::string data = tmp_.Path().string() + "/Kestrow/Updater/";
    const std::string stamp = "2024-03-05 14:07:09.042 [INFO] ";
    EXPECT_EQ(Lines("20240305"), (std::vector<std::string>{
                                     stamp + "Logger initialized",
                                     stamp + "Log directory: " + LogDir(),
                                     stamp + "Data directory: " + data,
                                     stamp + "Cache file path: " + data + "updater_cache_v1.dat",
                                     stamp + "after init",
                                 }));
    EXPECT_FALSE(platform::FileExists(data + "updater_cache_v1.dat"));
}

TEST_F(AppLoggerTest, LineFormatLevelsAndLineBreaks) {
    InitLogger();
    struct Case {
        platform::LocalDateTime at;
        void (*log)(std::string_view);
        const char* message;
        const char* expected;
    } cases[] = {
        {At(2024, 3, 5, 0, 0, 0, 0), LogInfo, "i", "2024-03-05 00:00:00.000 [INFO] i"},
        {At(2024, 3, 5, 9, 5, 7, 3), LogWarn, "w", "2024-03-05 09:05:07.003 [WARN] w"},
        {At(2024, 3, 5, 23, 59, 59, 999), LogError, "e", "2024-03-05 23:59:59.999 [ERROR] e"},
        {At(2024, 3, 5, 1, 2, 3, 45), LogInfo, "Путь \"C:\\Игра\"",
         "2024-03-05 01:02:03.045 [INFO] Путь \"C:\\Игра\""},
        {At(2024, 3, 5, 1, 2, 3, 45), LogInfo, "", "2024-03-05 01:02:03.045 [INFO] "},
    };
    std::vector<std::string> expected = Lines("20240305");
    for (const Case& c : cases) {
        now_ = c.at;
        c.log(c.message);
        expected.push_back(c.expected);
    }
    EXPECT_EQ(Lines("20240305"), expected);

    // A message with line breaks is written as it is: one stamp, several physical lines.
    LogInfo("first\r\nsecond\r\nthird");
    expected.insert(expected.end(), {"2024-03-05 01:02:03.045 [INFO] first", "second", "third"});
    EXPECT_EQ(Lines("20240305"), expected);
}

TEST_F(AppLoggerTest, LogExceptionForms) {
    InitLogger();
    const std::string before = test::ReadFile(DayFile("20240305"));
    const platform::EFOpenError ours("Cannot open file \"a.txt\".");
    const std::runtime_error standard("boom");
    LogException("Extract worker failed", &ours);
    LogException("Download failed", &standard);
    LogException("Fatal application exception", nullptr);
    LogException("From catch", std::make_exception_ptr(platform::EReadError("Stream read error")));
    LogException("Not a std exception", std::make_exception_ptr(42));
    LogException("Empty pointer", std::exception_ptr());

    const std::string stamp = "2024-03-05 14:07:09.042 [ERROR] ";
    EXPECT_EQ(test::ReadFile(DayFile("20240305")).substr(before.size()),
              stamp + "Extract worker failed: EFOpenError: Cannot open file \"a.txt\".\r\n" +
                  stamp + "Download failed: std::runtime_error: boom\r\n" + stamp +
                  "Fatal application exception: unknown exception\r\n" + stamp +
                  "From catch: EReadError: Stream read error\r\n" + stamp +
                  "Not a std exception: unknown exception\r\n" + stamp +
                  "Empty pointer: unknown exception\r\n");
}

TEST_F(AppLoggerTest, MidnightRollsOverToTheNextDaysFile) {
    now_ = At(2024, 12, 31, 23, 59, 59, 999);
    InitLogger();
    LogInfo("last of the year");
    now_ = At(2025, 1, 1, 0, 0, 0, 0);
    LogInfo("first of the year");

    const std::vector<std::string> old_day = Lines("20241231");
    ASSERT_EQ(old_day.size(), 5u);
    EXPECT_EQ(old_day.back(), "2024-12-31 23:59:59.999 [INFO] last of the year");
    EXPECT_EQ(Lines("20250101"),
              std::vector<std::string>{"2025-01-01 00:00:00.000 [INFO] first of the year"});
}

TEST_F(AppLoggerTest, RunsAppendWithoutTruncatingAndWithoutByteOrderMark) {
    test::WriteFile(DayFile("20240305"), "earlier line\r\n");
    InitLogger();
    LogInfo("first run");
    FinalizeLogger();
    InitLogger();
    LogInfo("second run");
    FinalizeLogger();
    LogInfo("after finalize starts over");

    const std::string text = test::ReadFile(DayFile("20240305"));
    EXPECT_EQ(text.rfind("earlier line\r\n", 0), 0u);
    EXPECT_EQ(text.find("\xEF\xBB\xBF"), std::string::npos);
    std::vector<std::string> messages;
    for (const std::string& line : SplitCrLf(text)) {
        const size_t at = line.find("] ");
        if (at != std::string::npos && line.find("directory") == std::string::npos &&
            line.find("Cache file") == std::string::npos) {
            messages.push_back(line.substr(at + 2));
        }
    }
    EXPECT_EQ(messages,
              (std::vector<std::string>{"Logger initialized", "first run", "Logger finalized",
                                        "Logger initialized", "second run", "Logger finalized",
                                        "Logger initialized", "after finalize starts over"}));
}

TEST_F(AppLoggerTest, AFileThatCannotBeOpenedLosesTheLineWithoutRaising) {
    InitLogger();
    std::filesystem::remove(DayFile("20240305"));
    // The day's file name taken by a directory: opening it fails every time.
    std::filesystem::create_directory(DayFile("20240305"));
    LogInfo("lost");
    LogException("also lost", nullptr);
    EXPECT_TRUE(platform::DirectoryExists(DayFile("20240305")));

    now_ = At(2024, 3, 6, 8, 0, 0, 0);
    LogInfo("kept");
    EXPECT_EQ(Lines("20240306"), std::vector<std::string>{"2024-03-06 08:00:00.000 [INFO] kept"});
}

TEST_F(AppLoggerTest, AFailedInitialisationIsRetriedByTheNextLine) {
    // LOCALAPPDATA names a file, so no directory can be made below it.
    const std::string blocker = tmp_.File("blocker");
    test::WriteFile(blocker, "x");
    test::ScopedEnv env("LOCALAPPDATA", blocker.c_str());
    InitLogger();
    LogInfo("lost");
    EXPECT_FALSE(platform::DirectoryExists(blocker + "/Kestrow"));

    std::filesystem::remove(blocker);
    LogInfo("kept");
    const std::vector<std::string> lines =
        SplitCrLf(test::ReadFile(blocker + "/Kestrow/Updater/logs/updater_20240305.log"));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines.front(), "2024-03-05 14:07:09.042 [INFO] Logger initialized");
    EXPECT_EQ(lines.back(), "2024-03-05 14:07:09.042 [INFO] kept");
}

// Long bodies make a torn write show up as a broken line.
std::string ThreadMessage(int t) {
    std::string message = "t";
    message.append(std::to_string(t)).append(" ").append(2000, static_cast<char>('a' + t));
    return message;
}

TEST_F(AppLoggerTest, ConcurrentWritersNeverInterleaveInsideALine) {
    constexpr int kThreads = 6;
    constexpr int kLines = 150;
    InitLogger();
    {
        std::vector<std::jthread> writers;
        for (int t = 0; t < kThreads; ++t) {
            writers.emplace_back([t] {
                const std::string message = ThreadMessage(t);
                for (int i = 0; i < kLines; ++i) {
                    if (i % 3 == 0) {
                        LogWarn(message);
                    } else {
                        LogInfo(message);
                    }
                }
            });
        }
    }
    const std::vector<std::string> lines = Lines("20240305");
    ASSERT_EQ(lines.size(), 4u + kThreads * kLines);
    std::vector<int> per_thread(kThreads, 0);
    for (size_t i = 4; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const size_t at = line.find("] t");
        ASSERT_NE(at, std::string::npos) << line.substr(0, 80);
        const int t = line[at + 3] - '0';
        ASSERT_TRUE(t >= 0 && t < kThreads);
        const std::string stamp = "2024-03-05 14:07:09.042 [";
        const bool warn = line.compare(0, stamp.size() + 6, stamp + "WARN] ") == 0;
        const bool info = line.compare(0, stamp.size() + 6, stamp + "INFO] ") == 0;
        EXPECT_TRUE(warn || info) << line.substr(0, 80);
        EXPECT_EQ(line.substr(at + 2), ThreadMessage(t));
        ++per_thread[t];
    }
    EXPECT_EQ(per_thread, std::vector<int>(kThreads, kLines));
}

}  // namespace
}  // namespace kestrow::log
