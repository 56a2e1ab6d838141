#include "changelog/change_log_fetch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "support/fault_server.h"

namespace kestrow::changelog {
namespace {

using test::FaultReply;
using test::FaultServer;

FaultReply Served(std::string body, std::string content_type = {}) {
    FaultReply r = FaultReply::Ok(std::move(body));
    if (!content_type.empty())
        r.headers.emplace_back("Content-Type", std::move(content_type));
    return r;
}

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (char16_t ch : text) {
        if (ch < 0x80) {
            out.push_back(static_cast<char>(ch));
        } else if (ch < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
            out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
            out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
        }
    }
    return out;
}

TEST(FetchChangeLog, ShowsTheBodyOrTheFailure) {
    struct Case {
        const char* name;
        FaultReply reply;
        FetchOutcome outcome;
        std::u16string text;
    };
    const Case cases[] = {
        // Windows-1251 without a charset: А..я right, Ё and ё as U+00A8 and U+00B8.
        {"cp1251", Served("\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xB8"), FetchOutcome::Loaded,
         u"Привет, \u00A8\u00B8"},
        {"cp1251-text", Served("\xC0\xFF", "text/plain"), FetchOutcome::Loaded, u"Ая"},
        // Decoded by its charset first; accented Latin letters still move.
        {"utf8", Served("\xD0\x9F\xD1\x80\xD0\xB8 caf\xC3\xA9", "text/plain; charset=utf-8"),
         FetchOutcome::Loaded, u"При cafй"},
        {"empty", Served(""), FetchOutcome::Loaded, u""},
        {"not-found", FaultReply::Status(404, "missing"), FetchOutcome::Failed,
         u"HTTP/1.1 404 Not Found"},
        {"server-error", FaultReply::Status(503), FetchOutcome::Failed,
         u"HTTP/1.1 503 Service Unavailable"},
        {"not-modified", FaultReply::Status(304), FetchOutcome::Failed, u"HTTP/1.1 304 Status"},
        {"redirect", FaultReply::Redirect(302, "http://127.0.0.1:1/elsewhere"),
         FetchOutcome::Redirected, u""},
        {"moved", FaultReply::Redirect(301, "/b"), FetchOutcome::Redirected, u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultServer server;
        FaultReply reply = c.reply;
        if (c.outcome == FetchOutcome::Redirected)
            reply.body = "dropped";
        server.On("/changes.txt", reply);
        const ChangeLogText got = FetchChangeLog(server.Url("/changes.txt?1765400000"));
        EXPECT_EQ(got.outcome, c.outcome);
        EXPECT_EQ(got.text, c.text) << Utf8(got.text);
        // One request, never a followed redirect.
        EXPECT_EQ(server.Requests(), 1);
    }
}

TEST(FetchChangeLog, SendsTheLauncherRequest) {
    FaultServer server;
    server.On("/changes.txt", Served("x"));
    ASSERT_EQ(FetchChangeLog(server.Url("/changes.txt?1765400000")).outcome, FetchOutcome::Loaded);
    const test::FaultRequest r = server.Received().at(0);
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/changes.txt?1765400000");
    EXPECT_EQ(r.headers.at("user-agent"), "Tq8ZbLw3RkPx7JdGs2HcN");
}

TEST(FetchChangeLog, BadAddressesFailWithAMessage) {
    int port;
    {
        FaultServer gone;
        port = gone.Port();
    }
    const std::string refused = "http://127.0.0.1:" + std::to_string(port) + "/changes.txt?1";
    for (const std::string& url : {std::string(), std::string("?1765400000"),
                                   std::string("http://127.0.0.1:99999/x"), refused}) {
        const ChangeLogText got = FetchChangeLog(url);
        EXPECT_EQ(got.outcome, FetchOutcome::Failed) << url;
        EXPECT_FALSE(got.text.empty()) << url;
    }
    EXPECT_NE(Utf8(FetchChangeLog(refused).text).find("127.0.0.1"), std::string::npos);
}

TEST(FetchChangeLog, AStalledAnswerTimesOut) {
    FaultServer server;
    FaultReply stalled = Served("never all of it");
    stalled.stall_after = 5;
    server.On("/changes.txt", stalled);
    net::HttpSettings settings = ChangeLogHttpSettings();
    settings.read_timeout_ms = 200;  // the real 10 s would only slow the suite
    net::HttpClient client(settings);
    const ChangeLogText got = FetchChangeLog(client, server.Url("/changes.txt"));
    EXPECT_EQ(got.outcome, FetchOutcome::Failed);
    EXPECT_EQ(got.text, u"Read timed out.");
}

TEST(FetchChangeLog, ATricklingAnswerEndsAtTheCap) {
    // Every showing carries the cap and the slow-transfer rule.
    const net::HttpSettings standard = ChangeLogHttpSettings();
    EXPECT_EQ(standard.max_total_ms, 20000);
    EXPECT_EQ(standard.low_speed_bytes, 1024);
    EXPECT_EQ(standard.low_speed_time_ms, 60000);

    FaultServer server;
    FaultReply trickle = Served(std::string(1000, 'x'));
    trickle.trickle = std::chrono::milliseconds(20);  // 20 s for the whole body
    server.On("/changes.txt", trickle);
    net::HttpClient client(ChangeLogHttpSettings(std::chrono::milliseconds(300)));
    const auto start = std::chrono::steady_clock::now();
    const ChangeLogText got = FetchChangeLog(client, server.Url("/changes.txt"));
    EXPECT_EQ(got.outcome, FetchOutcome::Failed);
    EXPECT_EQ(got.text, u"The change log took too long to arrive.") << Utf8(got.text);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace kestrow::changelog
