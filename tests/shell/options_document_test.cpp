#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/launcher_state.h"
#include "platform/env.h"
#include "shell/options_document.h"
#include "support/fault_server.h"
#include "support/temp_dir.h"

namespace kestrow::shell {
namespace {

using test::FaultReply;
using test::FaultServer;

// The requests the server received for a path (query not included).
std::vector<test::FaultRequest> RequestsFor(const FaultServer& server, const std::string& path) {
    std::vector<test::FaultRequest> found;
    for (test::FaultRequest& r : server.Received()) {
        if (r.target.substr(0, r.target.find('?')) == path)
            found.push_back(std::move(r));
    }
    return found;
}
int Hits(const FaultServer& server, const std::string& path) {
    return static_cast<int>(RequestsFor(server, path).size());
}

// An address on 127.0.0.1 where nothing listens.
std::string ClosedUrl(const std::string& path) {
    FaultServer gone;
    return gone.Url(path);
}

// Accepts the request and never answers (until the server stops).
FaultReply NeverAnswers() {
    FaultReply reply = FaultReply::Ok("<o/>");
    reply.delay = std::chrono::hours(1);
    return reply;
}

constexpr std::int64_t kBuster = 1796923815;
const std::string kQ = "?1796923815";

const char kFullDocument[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<options>
  <patchlist_new>http://h/_files/patch.xml</patchlist_new>
  <clientlist_new>http://h/_files/client.xml</clientlist_new>
  <updater_new>http://h/_files/Kestrow.exe</updater_new>
  <site>http://h/</site>
  <forum>http://h/forum</forum>
  <info>http://h/информация</info>
  <register>http://h/register</register>
  <version>1.0.2.0</version>
  <critical_version>3</critical_version>
  <changelogs>http://h/_files/changes.txt</changelogs>
  <block_update>yes</block_update>
  <patchlist_new_folder>http://h/patch/</patchlist_new_folder>
  <clientlist_new_folder>http://h/client/</clientlist_new_folder>
</options>)";

// The whole document announced, only its first bytes sent; then silence or a reset.
FaultReply StallsMidBody() {
    FaultReply reply = FaultReply::Ok(kFullDocument);
    reply.stall_after = 40;
    return reply;
}
FaultReply CutShort() {
    FaultReply reply = FaultReply::Ok(std::string(kFullDocument).substr(0, 40));
    reply.content_length = static_cast<std::int64_t>(std::strlen(kFullDocument));
    return reply;
}
FaultReply ResetMidBody() {
    FaultReply reply = FaultReply::Ok(kFullDocument);
    reply.reset_after = 40;
    return reply;
}
// One byte every 20 ms: never silent long enough for the read time-out, and
// about 13 s for the whole document.
FaultReply Trickles() {
    FaultReply reply = FaultReply::Ok(kFullDocument);
    reply.trickle = std::chrono::milliseconds(20);
    return reply;
}

std::string Doc(const std::string& children) {
    return "<options>" + children + "</options>";
}

// Every options field set to a value no document gives, to see what a run leaves.
void FillWithOldValues(core::LauncherState& s) {
    s.g_PatchURL = s.g_ClientURL = s.g_UpdaterFileURL = s.g_ChangeLogs = "old";
    s.g_URL = s.g_F_URL = s.g_REG_URL = s.g_INFO_URL = "old";
    s.g_PatchURL_Folder = s.g_ClientURL_Folder = s.g_Version = "old";
    s.g_CurrentVersion = s.g_NameExeFile = s.g_DirUSERPROFILE = "old";
    s.g_Critical_Version = 99;
    s.g_IsBlock = true;
}

void ExpectOldValues(const core::LauncherState& s) {
    for (const std::string* field :
         {&s.g_PatchURL, &s.g_ClientURL, &s.g_UpdaterFileURL, &s.g_ChangeLogs, &s.g_URL, &s.g_F_URL,
          &s.g_REG_URL, &s.g_INFO_URL, &s.g_PatchURL_Folder, &s.g_ClientURL_Folder, &s.g_Version,
          &s.g_CurrentVersion, &s.g_NameExeFile, &s.g_DirUSERPROFILE}) {
        EXPECT_EQ(*field, "old");
    }
    EXPECT_EQ(s.g_Critical_Version, 99);
    EXPECT_TRUE(s.g_IsBlock);
}

class LoadSettingsTest : public ::testing::Test {
  protected:
    LoadSettingsTest() {
        state->UnixTime = kBuster;
        test::WriteFile(dir.File("launcher.exe"), "no version record here");
    }

    // Short time-outs keep the unanswered and trickling cases quick.
    static constexpr long kMaxFetchMs = 1000;
    OptionsSource Source(const std::string& primary, const std::string& fallback) {
        OptionsSource source;
        source.primary_url = primary;
        source.fallback_url = fallback;
        source.connect_timeout_ms = 2000;
        source.read_timeout_ms = 500;
        source.max_fetch_ms = kMaxFetchMs;
        source.executable_path = [this] { return dir.File("launcher.exe"); };
        source.log_info = [this](std::string_view line) { logged.emplace_back(line); };
        return source;
    }
    OptionsSource ServedSource() {
        return Source(server.Url("/primary/options.xml"), server.Url("/fallback/options.xml"));
    }

    core::ScopedLauncherState state;
    test::TempDir dir;
    FaultServer server;
    std::vector<std::string> logged;
};

TEST_F(LoadSettingsTest, FullDocumentFromThePrimary) {
    server.On("/primary/options.xml", FaultReply::Ok(kFullDocument));
    LoadSettings(ServedSource());

    EXPECT_EQ(state->g_ErrorConnect, 0);
    EXPECT_EQ(state->g_PatchURL, "http://h/_files/patch.xml" + kQ);
    EXPECT_EQ(state->g_ClientURL, "http://h/_files/client.xml" + kQ);
    EXPECT_EQ(state->g_UpdaterFileURL, "http://h/_files/Kestrow.exe" + kQ);
    EXPECT_EQ(state->g_URL, "http://h/");
    EXPECT_EQ(state->g_F_URL, "http://h/forum");
    EXPECT_EQ(state->g_INFO_URL, "http://h/информация");
    EXPECT_EQ(state->g_REG_URL, "http://h/register");
    EXPECT_EQ(state->g_Version, "1.0.2.0");
    EXPECT_EQ(state->g_Critical_Version, 3);
    EXPECT_EQ(state->g_ChangeLogs, "http://h/_files/changes.txt" + kQ);
    EXPECT_TRUE(state->g_IsBlock);
    EXPECT_EQ(state->g_PatchURL_Folder, "http://h/patch/");
    EXPECT_EQ(state->g_ClientURL_Folder, "http://h/client/");
    EXPECT_EQ(state->g_NameExeFile, "launcher.exe");
    EXPECT_EQ(state->g_CurrentVersion, "1.0.0.70");
    EXPECT_EQ(state->g_DirUSERPROFILE, platform::UserProfileFolder());

    const std::vector<test::FaultRequest> seen = RequestsFor(server, "/primary/options.xml");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].target, "/primary/options.xml" + kQ);
    EXPECT_EQ(seen[0].headers.at("user-agent"), "Tq8ZbLw3RkPx7JdGs2HcN");
    EXPECT_EQ(Hits(server, "/fallback/options.xml"), 0);

    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0],
              "Settings loaded: options_url=\"" + server.Url("/primary/options.xml") + kQ +
                  "\", updater_current_version=1.0.0.70, updater_remote_version=1.0.2.0, "
                  "updater_exe_name=\"launcher.exe\", updater_new_url=\"" +
                  "http://h/_files/Kestrow.exe" + kQ + "\"");
}

TEST_F(LoadSettingsTest, ElementRules) {
    struct Case {
        const char* name;
        std::string body;
        std::string patch_url, site, version, changelogs;
        int critical;
        bool block;
    };
    const Case cases[] = {
        {"only version", Doc("<version>2.0.0.1</version>"), kQ, "", "2.0.0.1", kQ, 0, false},
        {"names without letter case",
         Doc("<Version>2.0</Version><SITE>s</SITE><PatchList_New>p</PatchList_New>"
             "<Block_Update>True</Block_Update>"),
         "p" + kQ, "s", "2.0", kQ, 0, true},
        {"first of two wins", Doc("<site>first</site><site>second</site>"), kQ, "first", "", kQ, 0,
         false},
        {"value with a query gets a second ?",
         Doc("<patchlist_new>http://h/p.xml?a=1</patchlist_new>"), "http://h/p.xml?a=1" + kQ, "",
         "", kQ, 0, false},
        {"critical_version not a number", Doc("<critical_version>high</critical_version>"), kQ, "",
         "", kQ, 0, false},
        {"critical_version with blanks", Doc("<critical_version> 12 </critical_version>"), kQ, "",
         "", kQ, 12, false},
        {"block_update 1 is not true", Doc("<block_update>1</block_update>"), kQ, "", "", kQ, 0,
         false},
        {"block_update no", Doc("<block_update>no</block_update>"), kQ, "", "", kQ, 0, false},
        {"block_update empty", Doc("<block_update></block_update>"), kQ, "", "", kQ, 0, false},
        {"only children of the root", Doc("<group><site>deep</site></group>"), kQ, "", "", kQ, 0,
         false},
        {"root name not checked, attributes ignored",
         "<anything site=\"attr\"><changelogs>c</changelogs></anything>", kQ, "", "", "c" + kQ, 0,
         false},
        {"byte-order mark", "\xEF\xBB\xBF" + Doc("<version>3</version>"), kQ, "", "3", kQ, 0,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FillWithOldValues(*state);
        server.On("/primary/options.xml", FaultReply::Ok(c.body));
        LoadSettings(ServedSource());
        EXPECT_EQ(state->g_ErrorConnect, 0);
        EXPECT_EQ(state->g_PatchURL, c.patch_url);
        EXPECT_EQ(state->g_ClientURL, kQ);
        EXPECT_EQ(state->g_UpdaterFileURL, kQ);
        EXPECT_EQ(state->g_URL, c.site);
        EXPECT_EQ(state->g_F_URL, "");
        EXPECT_EQ(state->g_Version, c.version);
        EXPECT_EQ(state->g_Critical_Version, c.critical);
        EXPECT_EQ(state->g_ChangeLogs, c.changelogs);
        EXPECT_EQ(state->g_IsBlock, c.block);
        EXPECT_EQ(state->g_ClientURL_Folder, "");
    }
    EXPECT_EQ(logged.size(), std::size(cases));
}

TEST_F(LoadSettingsTest, FallbackWhenThePrimaryFails) {
    server.On("/fallback/options.xml", FaultReply::Ok(Doc("<version>fallback</version>")));
    server.On("/moved.xml", FaultReply::Ok(Doc("<version>moved</version>")));
    struct Case {
        const char* name;
        std::string primary;
        FaultReply reply;
    };
    const Case cases[] = {
        {"nothing listens", ClosedUrl("/options.xml"), {}},
        {"not found", server.Url("/primary/options.xml"), FaultReply::Status(404, kFullDocument)},
        {"server error", server.Url("/primary/options.xml"),
         FaultReply::Status(500, kFullDocument)},
        {"redirect is not followed", server.Url("/primary/options.xml"),
         FaultReply::Redirect(302, server.Url("/moved.xml"))},
        {"accepts and never answers", server.Url("/primary/options.xml"), NeverAnswers()},
        {"stalls in the body", server.Url("/primary/options.xml"), StallsMidBody()},
        {"body cut short", server.Url("/primary/options.xml"), CutShort()},
        {"reset in the body", server.Url("/primary/options.xml"), ResetMidBody()},
        {"trickles", server.Url("/primary/options.xml"), Trickles()},
        {"larger than 4 MiB", server.Url("/primary/options.xml"),
         FaultReply::Ok(Doc("<version>huge</version>" + std::string(4 << 20, ' ')))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.On("/primary/options.xml", c.reply);
        logged.clear();
        LoadSettings(Source(c.primary, server.Url("/fallback/options.xml")));
        EXPECT_EQ(state->g_ErrorConnect, 1);
        EXPECT_EQ(state->g_Version, "fallback");
        ASSERT_EQ(logged.size(), 1u);
        EXPECT_NE(
            logged[0].find("options_url=\"" + server.Url("/fallback/options.xml") + kQ + "\""),
            std::string::npos)
            << logged[0];
    }
    EXPECT_EQ(Hits(server, "/fallback/options.xml"), static_cast<int>(std::size(cases)));
    EXPECT_EQ(Hits(server, "/moved.xml"), 0);
}

TEST_F(LoadSettingsTest, BothAddressesFailFieldsKeepTheirValues) {
    FillWithOldValues(*state);
    server.On("/primary/options.xml", NeverAnswers());
    LoadSettings(Source(server.Url("/primary/options.xml"), ClosedUrl("/o.xml")));
    EXPECT_EQ(state->g_ErrorConnect, 2);
    ExpectOldValues(*state);
    EXPECT_TRUE(logged.empty());

    // A later run starts over: the reset to 0 and a full read.
    server.On("/primary/options.xml", FaultReply::Ok(Doc("<version>again</version>")));
    LoadSettings(ServedSource());
    EXPECT_EQ(state->g_ErrorConnect, 0);
    EXPECT_EQ(state->g_Version, "again");
    EXPECT_EQ(state->g_Critical_Version, 0);
    EXPECT_FALSE(state->g_IsBlock);
    EXPECT_EQ(logged.size(), 1u);
}

TEST_F(LoadSettingsTest, TricklingAddressesGiveUpAtTheCap) {
    FillWithOldValues(*state);
    server.On("/primary/options.xml", Trickles());
    server.On("/fallback/options.xml", Trickles());
    const auto start = std::chrono::steady_clock::now();
    LoadSettings(ServedSource());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(state->g_ErrorConnect, 2);
    ExpectOldValues(*state);
    EXPECT_EQ(Hits(server, "/fallback/options.xml"), 1);
    // Two capped attempts of 1 s each, against 27 s for both documents
    // trickled whole; the margin is for a loaded machine.
    EXPECT_LT(took, std::chrono::seconds(8));
}

TEST_F(LoadSettingsTest, AnswerThatIsNotADocumentChangesNothing) {
    const char* bodies[] = {"", "not xml at all", "<?xml version=\"1.0\"?>",
                            "<options><version>1.0</options>", "<!-- only a comment -->"};
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        FillWithOldValues(*state);
        server.On("/primary/options.xml", FaultReply::Ok(body));
        LoadSettings(ServedSource());
        EXPECT_EQ(state->g_ErrorConnect, 0);
        ExpectOldValues(*state);
    }
    EXPECT_EQ(Hits(server, "/fallback/options.xml"), 0);
    EXPECT_TRUE(logged.empty());
}

TEST_F(LoadSettingsTest, FailureMidwayKeepsTheFieldsNotYetRead) {
    FillWithOldValues(*state);
    server.On("/primary/options.xml", FaultReply::Ok(kFullDocument));
    OptionsSource source = ServedSource();
    source.executable_path = []() -> std::string { throw std::runtime_error("no path"); };
    LoadSettings(source);
    // Read before the local facts:
    EXPECT_EQ(state->g_PatchURL, "http://h/_files/patch.xml" + kQ);
    EXPECT_EQ(state->g_Version, "1.0.2.0");
    EXPECT_EQ(state->g_Critical_Version, 3);
    // From the local facts on:
    EXPECT_EQ(state->g_NameExeFile, "old");
    EXPECT_EQ(state->g_CurrentVersion, "old");
    EXPECT_EQ(state->g_DirUSERPROFILE, "old");
    EXPECT_EQ(state->g_ChangeLogs, "old");
    EXPECT_EQ(state->g_PatchURL_Folder, "old");
    EXPECT_EQ(state->g_ClientURL_Folder, "old");
    EXPECT_TRUE(logged.empty());
}

class ConnectProxyTest : public ::testing::Test {
  protected:
    FaultServer server;
    // Closes its kept connection before the server stops.
    OptionsSession session{OptionsHttpSettings(OptionsSource{})};
};

TEST_F(ConnectProxyTest, OnlyKnownTypesRequestAndFailuresKeepTheText) {
    server.On("/o.xml", FaultReply::Ok("first"));
    EXPECT_FALSE(session.ConnectProxy("normal", "", 0, server.Url("/o.xml")));
    EXPECT_FALSE(session.ConnectProxy("Socks", "", 0, server.Url("/o.xml")));
    EXPECT_EQ(Hits(server, "/o.xml"), 0);

    EXPECT_TRUE(session.ConnectProxy("Normal", "", 0, server.Url("/o.xml")));
    EXPECT_EQ(session.xmlString(), "first");
    server.On("/o.xml", FaultReply::Status(403, "denied"));
    EXPECT_FALSE(session.ConnectProxy("Normal", "", 0, server.Url("/o.xml")));
    EXPECT_EQ(session.xmlString(), "first");
}

TEST_F(ConnectProxyTest, ProxyTypeGoesThroughTheProxyAndStays) {
    // The test server plays the proxy: it sees the absolute address as the target.
    // Nothing listens at the remote address, so only the proxy can answer.
    const std::string remote = "http://127.0.0.2:9/_files/options.xml";
    server.On(remote, FaultReply::Ok("via proxy"));
    EXPECT_TRUE(session.ConnectProxy("Proxy", "127.0.0.1", server.Port(), remote));
    EXPECT_EQ(session.xmlString(), "via proxy");
    EXPECT_EQ(session.http().Settings().proxy_host, "127.0.0.1");
    EXPECT_EQ(session.http().Settings().proxy_port, server.Port());
    EXPECT_TRUE(session.ConnectProxy("Normal", "", 0, remote));
    EXPECT_EQ(Hits(server, remote), 2);
}

}  // namespace
}  // namespace kestrow::shell
