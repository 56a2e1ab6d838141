#include <gtest/gtest.h>

#include "file_server.h"
#include "net/http_client.h"
#include "serve_options.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrow::serve {
namespace {

TEST(ServeArguments, ReadsTheOptions) {
    ServeOptions o = ParseServeArguments({"--root", "/srv", "--port", "8080", "--host", "::1"});
    EXPECT_EQ(o.root, "/srv");
    EXPECT_EQ(o.port, 8080);
    EXPECT_EQ(o.host, "::1");
    ServeOptions d = ParseServeArguments({"--root", "r"});
    EXPECT_EQ(d.host, "127.0.0.1");
    EXPECT_EQ(d.port, 0);
    EXPECT_TRUE(ParseServeArguments({"--help"}).help);
}

TEST(ServeArguments, RefusesBadInput) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--port", "80"},
        {"--root"},
        {"--root", "r", "--port", "70000"},
        {"--root", "r", "--port", "8o"},
        {"--root", "r", "--port", "-1"},
        {"--root", "r", "extra"},
        {"--root", ""},
    };
    for (const auto& args : cases) {
        EXPECT_THROW(ParseServeArguments(args), EUsageError) << ::testing::PrintToString(args);
    }
}

TEST(ServeRequestPath, StaysBelowTheRoot) {
    struct Case {
        const char* path;
        const char* expected;  // nullptr: refused
    } cases[] = {
        {"/a.xml", "/srv/a.xml"},
        {"/system/a file.lzma", "/srv/system/a file.lzma"},
        {"//x/./y", "/srv/x/y"},
        {"/..", nullptr},
        {"/a/../../etc/passwd", nullptr},
        {"/a\\..\\b", nullptr},
        {"/", nullptr},
        {"relative", nullptr},
    };
    for (const Case& c : cases) {
        auto got = ResolveRequestPath("/srv/", c.path);
        if (c.expected) {
            ASSERT_TRUE(got.has_value()) << c.path;
            EXPECT_EQ(*got, c.expected);
        } else {
            EXPECT_FALSE(got.has_value()) << c.path;
        }
    }
}

TEST(ServeProgram, ServesNamesWithSpacesAndIgnoresTheQuery) {
    test::TempDir dir;
    const std::string body = test::RandomBytes(3 * 1024 * 1024 + 5, 11);
    test::WriteFile(dir.File("root/_files/system/a file.lzma"), body);
    test::WriteFile(dir.File("secret.txt"), "outside");
    test::ChildProcess serve(KESTROW_SERVE_EXE, {"--root", dir.File("root"), "--port", "0"});
    std::string line;
    ASSERT_TRUE(serve.ReadLine(line, 10000));
    const std::string prefix = "kestrow-serve: listening on http://127.0.0.1:";
    ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
    ASSERT_EQ(line.back(), '/') << line;
    const std::string port = line.substr(prefix.size(), line.size() - prefix.size() - 1);
    ASSERT_FALSE(port.empty());
    ASSERT_EQ(port.find_first_not_of("0123456789"), std::string::npos) << line;
    const std::string base = "http://127.0.0.1:" + port;

    net::HttpClient http;
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(http.Get(base + "/_files/system/a%20file.lzma?" + std::to_string(i)) == body);
    }
    EXPECT_EQ(http.ContentLength(), static_cast<std::int64_t>(body.size()));
    http.GetToFile(base + "/_files/system/a%20file.lzma?1", dir.File("copy"));
    EXPECT_TRUE(test::ReadFile(dir.File("copy")) == body);
    for (const char* bad : {"/missing.xml", "/%2e%2e/secret.txt", "/_files/system"}) {
        try {
            http.Get(base + bad);
            ADD_FAILURE() << bad << " was served";
        } catch (const net::EIdHTTPProtocolException& e) {
            EXPECT_EQ(e.Code(), 404) << bad;
        }
    }
}

TEST(ServeProgram, BadArgumentsExitWithTwo) {
    test::TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {"--root"}, {"--bogus"}, {"--root", dir.File("nowhere")}};
    for (const auto& args : cases) {
        test::ChildProcess serve(KESTROW_SERVE_EXE, args, dir.File("stderr"));
        EXPECT_EQ(serve.Wait(), 2) << ::testing::PrintToString(args);
    }
    EXPECT_NE(test::ReadFile(dir.File("stderr")).find("kestrow-serve: "), std::string::npos);

    test::ChildProcess help(KESTROW_SERVE_EXE, {"--help"});
    std::string line;
    ASSERT_TRUE(help.ReadLine(line, 10000));
    EXPECT_EQ(line.rfind("Usage: kestrow-serve --root DIR", 0), 0u) << line;
    EXPECT_EQ(help.Wait(), 0);
}

}  // namespace
}  // namespace kestrow::serve
