#include "net/http_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/files.h"
#include "support/fault_server.h"
#include "support/temp_dir.h"

namespace kestrow::net {
namespace {

using test::FaultReply;
using test::FaultServer;

HttpSettings Tuned() {
    HttpSettings s;
    s.user_agent = "Tq8ZbLw3RkPx7JdGs2HcN";
    s.accept = "*/*";
    s.extra_headers = {"Connection: keep-alive"};
    s.follow_redirects = true;
    s.connect_timeout_ms = 10000;
    s.read_timeout_ms = 60000;
    return s;
}

TEST(HttpClient, ReusesOneConnectionAndSendsItsHeaders) {
    FaultServer server;
    server.On("/a.xml", FaultReply::Ok("alpha"));
    server.On("/b.bin", FaultReply::Ok(std::string(70000, 'b')));
    HttpClient http(Tuned());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(http.Get(server.Url("/a.xml?1234")), "alpha");
        EXPECT_EQ(http.Get(server.Url("/b.bin")).size(), 70000u);
    }
    EXPECT_EQ(server.Connections(), 1);
    EXPECT_EQ(server.Requests(), 20);
    EXPECT_EQ(http.ResponseCode(), 200);
    EXPECT_EQ(http.ContentLength(), 70000);

    const test::FaultRequest first = server.Received().front();
    EXPECT_EQ(first.method, "GET");
    EXPECT_EQ(first.target, "/a.xml?1234");
    EXPECT_EQ(first.headers.at("user-agent"), "Tq8ZbLw3RkPx7JdGs2HcN");
    EXPECT_EQ(first.headers.at("accept"), "*/*");
    EXPECT_EQ(first.headers.at("connection"), "keep-alive");
}

TEST(HttpClient, WithoutSettingsSendsOnlyTheUserAgent) {
    FaultServer server;
    server.On("/o", FaultReply::Ok("x"));
    HttpClient http;
    http.Settings().user_agent = "UA";
    EXPECT_EQ(http.Get(server.Url("/o")), "x");
    const test::FaultRequest r = server.Received().front();
    EXPECT_EQ(r.headers.at("user-agent"), "UA");
    EXPECT_EQ(r.headers.count("accept"), 0u);
}

TEST(HttpClient, RedirectsFollowedOrRefused) {
    FaultServer server;
    server.On("/old", FaultReply::Redirect(302, server.Url("/new")));
    server.On("/new", FaultReply::Ok("moved here"));

    HttpClient follow(Tuned());
    EXPECT_EQ(follow.Get(server.Url("/old")), "moved here");
    EXPECT_EQ(follow.ResponseCode(), 200);

    HttpSettings s = Tuned();
    s.follow_redirects = false;
    HttpClient strict(s);
    try {
        strict.Get(server.Url("/old"));
        FAIL() << "a redirect must fail";
    } catch (const EIdHTTPProtocolException& e) {
        EXPECT_EQ(e.Code(), 302);
        EXPECT_STREQ(e.what(), "HTTP/1.1 302 Found");
        EXPECT_STREQ(e.ClassName(), "EIdHTTPProtocolException");
    }
}

TEST(HttpClient, RedirectLoopFails) {
    FaultServer server;
    server.On("/loop", FaultReply::Redirect(301, "/loop"));
    HttpClient http(Tuned());
    EXPECT_THROW(http.Get(server.Url("/loop")), EIdHTTPProtocolException);
}

TEST(HttpClient, ErrorStatusesFailAndLeaveTheFileAlone) {
    test::TempDir dir;
    const std::string target = dir.File("kept.bin");
    test::WriteFile(target, "old content");
    FaultServer server;
    for (int status : {400, 403, 404, 500, 503}) {
        SCOPED_TRACE(status);
        server.On("/e", FaultReply::Status(status, "error page"));
        HttpClient http(Tuned());
        try {
            http.GetToFile(server.Url("/e"), target);
            FAIL() << "an error status must fail";
        } catch (const EIdHTTPProtocolException& e) {
            EXPECT_EQ(e.Code(), status);
            EXPECT_EQ(http.ResponseCode(), status);
        }
        EXPECT_EQ(test::ReadFile(target), "old content");
        EXPECT_THROW(http.Get(server.Url("/e")), EIdHTTPProtocolException);
    }
}

TEST(HttpClient, BrokenBodiesFailAndLeaveNoFile) {
    struct Case {
        const char* name;
        FaultReply reply;
    };
    FaultReply truncated = FaultReply::Ok(std::string(1000, 't'));
    truncated.content_length = 5000;
    FaultReply reset = FaultReply::Ok(std::string(100000, 'r'));
    reset.reset_after = 30000;
    FaultReply reset_unsized = reset;
    reset_unsized.omit_content_length = true;
    const Case cases[] = {
        {"truncated", truncated}, {"reset", reset}, {"reset without length", reset_unsized}};
    test::TempDir dir;
    FaultServer server;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.On("/f", c.reply);
        const std::string target = dir.File("f.lzma");
        HttpClient http(Tuned());
        EXPECT_THROW(http.GetToFile(server.Url("/f"), target), EIdSocketError);
        EXPECT_FALSE(std::filesystem::exists(target));
        EXPECT_THROW(http.Get(server.Url("/f")), EIdSocketError);
    }
}

TEST(HttpClient, BodyWithoutContentLength) {
    FaultServer server;
    FaultReply r = FaultReply::Ok("until the connection closes");
    r.omit_content_length = true;
    server.On("/n", r);
    HttpClient http(Tuned());
    std::int64_t announced = -2;
    http.SetProgressHandlers({[&](std::int64_t max) { announced = max; }, nullptr, nullptr});
    EXPECT_EQ(http.Get(server.Url("/n")), "until the connection closes");
    EXPECT_EQ(http.ContentLength(), -1);
    EXPECT_EQ(announced, 0);
    // The closed connection is replaced on the next request.
    EXPECT_EQ(http.Get(server.Url("/n")), "until the connection closes");
    EXPECT_EQ(server.Connections(), 2);
}

TEST(HttpClient, GetToFileStreamsTheBodyWithProgress) {
    test::TempDir dir;
    const std::string body = test::RandomBytes(6 * 1024 * 1024 + 17, 7);
    FaultServer server;
    server.On("/big.lzma", FaultReply::Ok(body));
    server.On("/empty", FaultReply::Ok(""));
    HttpClient http(Tuned());
    std::vector<std::int64_t> begins;
    std::int64_t last = 0;
    int calls = 0, ends = 0;
    bool growing = true;
    http.SetProgressHandlers({[&](std::int64_t max) { begins.push_back(max); },
                              [&](std::int64_t count) {
                                  growing = growing && count > last;
                                  last = count;
                                  ++calls;
                              },
                              [&] { ++ends; }});
    const std::string target = dir.File("big.lzma");
    http.GetToFile(server.Url("/big.lzma"), target);
    EXPECT_TRUE(test::ReadFile(target) == body);
    ASSERT_EQ(begins.size(), 1u);
    EXPECT_EQ(begins[0], static_cast<std::int64_t>(body.size()));
    EXPECT_EQ(last, static_cast<std::int64_t>(body.size()));
    EXPECT_GT(calls, 1);
    EXPECT_TRUE(growing);
    EXPECT_EQ(ends, 1);

    const std::string empty = dir.File("empty");
    http.GetToFile(server.Url("/empty"), empty);
    EXPECT_TRUE(std::filesystem::exists(empty));
    EXPECT_EQ(std::filesystem::file_size(empty), 0u);
    EXPECT_EQ(ends, 2);
}

TEST(HttpClient, ReadTimeoutEndsAStalledAnswer) {
    FaultReply mid_body = FaultReply::Ok(std::string(50000, 's'));
    mid_body.stall_after = 1000;
    FaultReply before_headers = FaultReply::Ok("late");
    before_headers.delay = std::chrono::minutes(5);
    FaultServer server;
    server.On("/mid", mid_body);
    server.On("/head", before_headers);
    test::TempDir dir;
    for (const char* path : {"/mid", "/head"}) {
        SCOPED_TRACE(path);
        HttpSettings s = Tuned();
        s.read_timeout_ms = 300;
        HttpClient http(s);
        try {
            http.GetToFile(server.Url(path), dir.File("stalled"));
            FAIL() << "a stall must time out";
        } catch (const EIdSocketError& e) {
            EXPECT_STREQ(e.what(), "Read timed out.");
        }
        EXPECT_FALSE(std::filesystem::exists(dir.File("stalled")));
    }
}

TEST(HttpClient, ReadTimeoutIsAboutSilenceNotTotalTime) {
    // Every chunk arrives well within the limit, the whole answer does not.
    FaultServer server;
    FaultReply slow = FaultReply::Ok("x");
    slow.delay = std::chrono::milliseconds(150);
    server.On("/slow", slow);
    HttpSettings s = Tuned();
    s.read_timeout_ms = 400;
    HttpClient http(s);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(http.Get(server.Url("/slow")), "x");
}

TEST(HttpClient, DisconnectFromAnotherThreadEndsAStall) {
    FaultReply mid_body = FaultReply::Ok(std::string(50000, 'd'));
    mid_body.stall_after = 1000;
    FaultReply silent = FaultReply::Ok("never");
    silent.delay = std::chrono::minutes(5);
    FaultServer server;
    server.On("/mid", mid_body);
    server.On("/silent", silent);
    server.On("/ok", FaultReply::Ok("fine"));
    int expected_requests = 0;
    for (const char* path : {"/mid", "/silent"}) {
        SCOPED_TRACE(path);
        HttpClient http(Tuned());  // read time-out of a minute: only Disconnect ends it
        ++expected_requests;
        std::jthread canceller([&] {
            while (server.Requests() < expected_requests) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            http.Disconnect();
        });
        const auto start = std::chrono::steady_clock::now();
        try {
            http.Get(server.Url(path));
            FAIL() << "a disconnected request must fail";
        } catch (const EIdSocketError& e) {
            EXPECT_STREQ(e.what(), "Disconnected.");
        }
        canceller.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
        // The client stays usable, on a new connection.
        const int before = server.Connections();
        EXPECT_EQ(http.Get(server.Url("/ok")), "fine");
        ++expected_requests;
        EXPECT_EQ(server.Connections(), before + 1);
    }
}

TEST(HttpClient, DisconnectWhileIdleDropsTheKeptConnection) {
    FaultServer server;
    server.On("/ok", FaultReply::Ok("fine"));
    HttpClient http(Tuned());
    EXPECT_EQ(http.Get(server.Url("/ok")), "fine");
    http.Disconnect();
    EXPECT_EQ(http.Get(server.Url("/ok")), "fine");
    EXPECT_EQ(server.Connections(), 2);
}

TEST(HttpClient, ProxySettingsSendTheRequestToTheProxy) {
    FaultServer proxy;
    proxy.On("http://files.kestrow.example/_files/options.xml", FaultReply::Ok("via proxy"));
    HttpClient http(Tuned());
    http.Settings().proxy_host = "127.0.0.1";
    http.Settings().proxy_port = proxy.Port();
    EXPECT_EQ(http.Get("http://files.kestrow.example/_files/options.xml"), "via proxy");
    EXPECT_EQ(proxy.Received().at(0).target, "http://files.kestrow.example/_files/options.xml");
}

TEST(HttpClient, RefusedConnectionFails) {
    int port;
    {
        FaultServer gone;
        port = gone.Port();
    }
    HttpClient http(Tuned());
    try {
        http.Get("http://127.0.0.1:" + std::to_string(port) + "/x");
        FAIL() << "no server listens";
    } catch (const EIdSocketError& e) {
        EXPECT_STREQ(e.ClassName(), "EIdSocketError");
        EXPECT_NE(std::string(e.what()).find("127.0.0.1"), std::string::npos) << e.what();
    }
}

TEST(HttpClient, HandlerFailureEndsTheRequestWithItsOwnError) {
    test::TempDir dir;
    FaultServer server;
    server.On("/p", FaultReply::Ok(std::string(300000, 'p')));
    HttpClient http(Tuned());
    http.SetProgressHandlers(
        {nullptr, [](std::int64_t) { throw platform::EWriteError("disk full"); }, nullptr});
    EXPECT_THROW(http.GetToFile(server.Url("/p"), dir.File("p")), platform::EWriteError);
    EXPECT_FALSE(std::filesystem::exists(dir.File("p")));
}

// Servers that never go silent long enough for the read time-out: a trickle,
// a body too large to keep. Every request of the program has these limits.
TEST(HttpClient, SlowAndOversizedAnswersFail) {
    struct Case {
        const char* name;
        FaultReply reply;
        void (*tune)(HttpSettings&);
        const char* error;  // class name; nullptr: success
        const char* message_start;
    };
    auto trickle = [](std::size_t bytes, int ms) {
        FaultReply r = FaultReply::Ok(std::string(bytes, 't'));
        r.trickle = std::chrono::milliseconds(ms);
        return r;
    };
    FaultReply unannounced = FaultReply::Ok(std::string(5000, 'u'));
    unannounced.omit_content_length = true;
    const Case cases[] = {
        {"trickle below the low-speed limit", trickle(2000, 40),
         [](HttpSettings& s) {
             s.low_speed_bytes = 100;
             s.low_speed_time_ms = 500;
         },
         "EIdSocketError", "Read timed out: fewer than 100 bytes in 500 ms."},
        {"trickle fast enough but longer than the whole-request cap", trickle(400, 5),
         [](HttpSettings& s) {
             s.low_speed_bytes = 10;
             s.low_speed_time_ms = 500;
             s.max_total_ms = 400;
         },
         "EIdSocketError", "Transfer timed out"},
        {"announced body over the cap", FaultReply::Ok(std::string(5000, 'a')),
         [](HttpSettings& s) { s.max_body_bytes = 4999; }, "EResponseTooLarge",
         "Response body larger than 4999 bytes."},
        {"unannounced body over the cap", unannounced,
         [](HttpSettings& s) { s.max_body_bytes = 1000; }, "EResponseTooLarge",
         "Response body larger than 1000 bytes."},
        {"body exactly at the cap", FaultReply::Ok(std::string(5000, 'e')),
         [](HttpSettings& s) { s.max_body_bytes = 5000; }, nullptr, ""},
        {"trickle within every limit", trickle(60, 2),
         [](HttpSettings& s) {
             s.low_speed_bytes = 10;
             s.low_speed_time_ms = 1000;
             s.max_total_ms = 20000;
         },
         nullptr, ""},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FaultServer server;
        server.On("/x", c.reply);
        HttpSettings s = Tuned();
        c.tune(s);
        HttpClient http(s);
        for (bool to_file : {false, true}) {
            const std::string path = dir.File("x");
            try {
                if (to_file)
                    http.GetToFile(server.Url("/x"), path);
                else
                    EXPECT_EQ(http.Get(server.Url("/x")), c.reply.body);
                EXPECT_EQ(c.error, nullptr) << "must fail";
            } catch (const platform::Error& e) {
                ASSERT_NE(c.error, nullptr) << e.what();
                EXPECT_STREQ(e.ClassName(), c.error);
                EXPECT_EQ(std::string(e.what()).rfind(c.message_start, 0), 0u) << e.what();
                EXPECT_FALSE(std::filesystem::exists(path)) << "no partial body is left";
            }
            std::filesystem::remove(path);
        }
    }
}

// The process-wide cut is for good, so it runs in a child of its own.
[[noreturn]] void AbortAllInChild() {
    FaultReply silent = FaultReply::Ok("never");
    silent.delay = std::chrono::minutes(5);
    FaultServer server;
    server.On("/silent", silent);
    server.On("/ok", FaultReply::Ok("fine"));
    HttpClient a(Tuned());
    HttpClient b(Tuned());
    std::atomic<int> cut{0};
    auto wait = [&](HttpClient& http) {
        try {
            http.Get(server.Url("/silent"));
        } catch (const EIdSocketError& e) {
            if (std::string(e.what()) == "Disconnected.")
                ++cut;
        }
    };
    {
        std::jthread ta([&] { wait(a); });
        std::jthread tb([&] { wait(b); });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        AbortAllTransfers();
    }
    bool later_fails = false;
    try {
        HttpClient(Tuned()).Get(server.Url("/ok"));
    } catch (const EIdSocketError&) {
        later_fails = true;
    }
    std::_Exit(cut == 2 && later_fails && AllTransfersAborted() ? 0 : 1);
}

TEST(HttpClientDeathTest, AbortAllTransfersCutsEveryClientForGood) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(AbortAllInChild(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace kestrow::net
