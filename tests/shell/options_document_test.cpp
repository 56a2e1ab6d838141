#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "core/launcher_state.h"
#include "options_test_server.h"
#include "platform/env.h"
#include "shell/options_document.h"
#include "support/temp_dir.h"

namespace kestrow::shell {
namespace {

using test::OptionsTestServer;
using Reply = OptionsTestServer::Reply;

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

    // Short time-outs keep the unanswered-request cases quick.
    OptionsSource Source(const std::string& primary, const std::string& fallback) {
        OptionsSource source;
        source.primary_url = primary;
        source.fallback_url = fallback;
        source.connect_timeout_ms = 2000;
        source.read_timeout_ms = 500;
        source.executable_path = [this] { return dir.File("launcher.exe"); };
        source.log_info = [this](std::string_view line) { logged.emplace_back(line); };
        return source;
    }
    OptionsSource ServedSource() {
        return Source(server.Url("/primary/options.xml"), server.Url("/fallback/options.xml"));
    }

    core::ScopedLauncherState state;
    test::TempDir dir;
    OptionsTestServer server;
    std::vector<std::string> logged;
};

TEST_F(LoadSettingsTest, FullDocumentFromThePrimary) {
    server.Set("/primary/options.xml", Reply::Body(kFullDocument));
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

    const OptionsTestServer::Seen seen = server.SeenAt("/primary/options.xml");
    EXPECT_EQ(seen.hits, 1);
    EXPECT_EQ(seen.target, "/primary/options.xml" + kQ);
    EXPECT_EQ(seen.user_agent, "Tq8ZbLw3RkPx7JdGs2HcN");
    EXPECT_EQ(server.SeenAt("/fallback/options.xml").hits, 0);

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
        server.Set("/primary/options.xml", Reply::Body(c.body));
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
    server.Set("/fallback/options.xml", Reply::Body(Doc("<version>fallback</version>")));
    server.Set("/moved.xml", Reply::Body(Doc("<version>moved</version>")));
    struct Case {
        const char* name;
        std::string primary;
        Reply reply;
    };
    const Case cases[] = {
        {"nothing listens", OptionsTestServer::ClosedUrl("/options.xml"), {}},
        {"not found", server.Url("/primary/options.xml"), Reply::Body(kFullDocument, 404)},
        {"server error", server.Url("/primary/options.xml"), Reply::Body(kFullDocument, 500)},
        {"redirect is not followed", server.Url("/primary/options.xml"),
         Reply::Redirect(server.Url("/moved.xml"))},
        {"accepts and never answers", server.Url("/primary/options.xml"), Reply::Stall()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        server.Set("/primary/options.xml", c.reply);
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
    EXPECT_EQ(server.SeenAt("/fallback/options.xml").hits, static_cast<int>(std::size(cases)));
    EXPECT_EQ(server.SeenAt("/moved.xml").hits, 0);
}

TEST_F(LoadSettingsTest, BothAddressesFailFieldsKeepTheirValues) {
    FillWithOldValues(*state);
    server.Set("/primary/options.xml", Reply::Stall());
    LoadSettings(
        Source(server.Url("/primary/options.xml"), OptionsTestServer::ClosedUrl("/o.xml")));
    EXPECT_EQ(state->g_ErrorConnect, 2);
    ExpectOldValues(*state);
    EXPECT_TRUE(logged.empty());

    // A later run starts over: the reset to 0 and a full read.
    server.Set("/primary/options.xml", Reply::Body(Doc("<version>again</version>")));
    LoadSettings(ServedSource());
    EXPECT_EQ(state->g_ErrorConnect, 0);
    EXPECT_EQ(state->g_Version, "again");
    EXPECT_EQ(state->g_Critical_Version, 0);
    EXPECT_FALSE(state->g_IsBlock);
    EXPECT_EQ(logged.size(), 1u);
}

TEST_F(LoadSettingsTest, AnswerThatIsNotADocumentChangesNothing) {
    const char* bodies[] = {"", "not xml at all", "<?xml version=\"1.0\"?>",
                            "<options><version>1.0</options>", "<!-- only a comment -->"};
    for (const char* body : bodies) {
        SCOPED_TRACE(body);
        FillWithOldValues(*state);
        server.Set("/primary/options.xml", Reply::Body(body));
        LoadSettings(ServedSource());
        EXPECT_EQ(state->g_ErrorConnect, 0);
        ExpectOldValues(*state);
    }
    EXPECT_EQ(server.SeenAt("/fallback/options.xml").hits, 0);
    EXPECT_TRUE(logged.empty());
}

TEST_F(LoadSettingsTest, FailureMidwayKeepsTheFieldsNotYetRead) {
    FillWithOldValues(*state);
    server.Set("/primary/options.xml", Reply::Body(kFullDocument));
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
    OptionsTestServer server;
    // Closes its kept connection before the server stops.
    OptionsSession session{OptionsHttpSettings(OptionsSource{})};
};

TEST_F(ConnectProxyTest, OnlyKnownTypesRequestAndFailuresKeepTheText) {
    server.Set("/o.xml", Reply::Body("first"));
    EXPECT_FALSE(session.ConnectProxy("normal", "", 0, server.Url("/o.xml")));
    EXPECT_FALSE(session.ConnectProxy("Socks", "", 0, server.Url("/o.xml")));
    EXPECT_EQ(server.SeenAt("/o.xml").hits, 0);

    EXPECT_TRUE(session.ConnectProxy("Normal", "", 0, server.Url("/o.xml")));
    EXPECT_EQ(session.xmlString(), "first");
    server.Set("/o.xml", Reply::Body("denied", 403));
    EXPECT_FALSE(session.ConnectProxy("Normal", "", 0, server.Url("/o.xml")));
    EXPECT_EQ(session.xmlString(), "first");
}

TEST_F(ConnectProxyTest, ProxyTypeGoesThroughTheProxyAndStays) {
    // The test server plays the proxy: it sees the absolute address as the target.
    // Nothing listens at the remote address, so only the proxy can answer.
    const std::string remote = "http://127.0.0.2:9/_files/options.xml";
    server.Set(remote, Reply::Body("via proxy"));
    EXPECT_TRUE(session.ConnectProxy("Proxy", "127.0.0.1", server.Port(), remote));
    EXPECT_EQ(session.xmlString(), "via proxy");
    EXPECT_EQ(session.http().Settings().proxy_host, "127.0.0.1");
    EXPECT_EQ(session.http().Settings().proxy_port, server.Port());
    EXPECT_TRUE(session.ConnectProxy("Normal", "", 0, remote));
    EXPECT_EQ(server.SeenAt(remote).hits, 2);
}

}  // namespace
}  // namespace kestrow::shell
