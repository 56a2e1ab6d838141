#include <gtest/gtest.h>

#include <ctime>

#include "core/launcher_state.h"
#include "shell/cache_buster.h"
#include "shell/date_time.h"
#include "shell/runtime_state.h"

namespace kestrow::shell {
namespace {

TEST(DateTimeToUnix, SecondsSince1970OfTheSameClock) {
    struct Case {
        double date;
        std::int64_t expected;
    };
    const Case cases[] = {
        {25569.0, 0},
        {25570.0, 86400},
        {25569.5, 43200},
        {25569.25, 21600},
        {25568.0, -86400},
        {0.0, -2209161600},
        {25569.0 + 0.4 / 86400.0, 0},   // rounds down
        {25569.0 + 0.6 / 86400.0, 1},   // rounds up
        {25569.0 - 0.6 / 86400.0, -1},  // before 1970
        {45000.0 + 59.9996 / 86400.0, 1678838460},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DateTimeToUnix(c.date), c.expected) << c.date;
}

TEST(EncodeDateTime, CountsDaysFrom18991230WithTheTimeAsFraction) {
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 0, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30, 12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeDateTime(1970, 1, 1, 0, 0, 0, 0), 25569.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2000, 1, 1, 0, 0, 0, 0), 36526.0);
    EXPECT_DOUBLE_EQ(EncodeDateTime(2024, 2, 29, 18, 0, 0, 0), 45351.75);
    EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2026, 12, 10, 17, 30, 15, 400)), 1796923815);
    EXPECT_EQ(DateTimeToUnix(EncodeDateTime(2026, 12, 10, 17, 30, 15, 600)), 1796923816);
}

TEST(NowAsDateTime, IsTheLocalWallClock) {
    const std::time_t before = std::time(nullptr);
    const double now = NowAsDateTime();
    const std::time_t after = std::time(nullptr);
    std::tm local{};
    localtime_r(&before, &local);
    // Local seconds since 1970: the UTC count shifted by the zone's offset.
    const std::int64_t local_before = before + local.tm_gmtoff;
    const std::int64_t local_after = after + local.tm_gmtoff;
    const std::int64_t got = DateTimeToUnix(now);
    EXPECT_GE(got, local_before);
    EXPECT_LE(got, local_after + 1);
}

TEST(InitRuntimeState, SetsTheStartUpFields) {
    core::LauncherState state;
    state.messageId = 5;
    state.canUpdate = false;
    state.g_bIsUpdateClient = true;
    state.g_nFilesOnlyRead = 3;
    state.g_ErrorConnect = 2;
    InitRuntimeState(state);
    EXPECT_GT(state.Today, EncodeDateTime(2020, 1, 1, 0, 0, 0, 0));
    EXPECT_EQ(state.UnixTime, DateTimeToUnix(state.Today));
    EXPECT_EQ(state.messageId, -1);
    EXPECT_TRUE(state.canUpdate);
    EXPECT_FALSE(state.g_bIsUpdateClient);
    EXPECT_EQ(state.g_nFilesOnlyRead, 0);
    EXPECT_EQ(state.g_ErrorConnect, 0);
}

TEST(AddCacheBuster, TrimsAndAppendsTheStartUpNumber) {
    core::ScopedLauncherState state;
    state->UnixTime = 1796923815;
    struct Case {
        const char* url;
        const char* expected;
    };
    const Case cases[] = {
        {"http://h/_files/options.xml", "http://h/_files/options.xml?1796923815"},
        {"  http://h/o.xml\t\r\n", "http://h/o.xml?1796923815"},
        {"http://h/o.xml?a=1", "http://h/o.xml?a=1?1796923815"},
        {"", ""},
        {" \t ", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddCacheBuster(c.url), c.expected) << c.url;
}

}  // namespace
}  // namespace kestrow::shell
