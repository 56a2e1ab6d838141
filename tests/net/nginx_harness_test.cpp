#include "support/nginx_harness.h"

#include <gtest/gtest.h>

#include "net/http_client.h"
#include "support/temp_dir.h"

namespace kestrow::test {
namespace {

TEST(NginxServer, ServesADirectoryOverKeptAliveConnections) {
    if (!NginxServer::Available())
        GTEST_SKIP() << "nginx is not installed";
    TempDir dir;
    const std::string body = RandomBytes(300000, 3);
    WriteFile(dir.File("root/_files/system/a file.lzma"), body);
    NginxServer nginx(dir.File("root"), dir.File("nginx"));

    net::HttpClient http;
    http.Settings().extra_headers = {"Connection: keep-alive"};
    const std::string url = nginx.Url("/_files/system/a%20file.lzma?1765400000");
    EXPECT_TRUE(http.Get(url) == body);
    http.GetToFile(url, dir.File("copy"));
    EXPECT_TRUE(ReadFile(dir.File("copy")) == body);
    EXPECT_EQ(http.ContentLength(), static_cast<std::int64_t>(body.size()));
    EXPECT_THROW(http.Get(nginx.Url("/missing.xml")), net::EIdHTTPProtocolException);
}

}  // namespace
}  // namespace kestrow::test
