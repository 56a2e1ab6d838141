#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "core/launcher_state.h"
#include "platform/env.h"
#include "shell/exe_version.h"
#include "shell/options_source.h"
#include "shell/shell_hooks.h"
#include "support/fault_server.h"

namespace kestrow::shell {
namespace {

// Sets (or, with nullopt, removes) an environment variable for a scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value) {
            ::setenv(name, value->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(DefaultOptionsSource, BuildSettingsReplacedByTheEnvironment) {
    struct Case {
        const char* name;
        std::optional<std::string> primary_env, fallback_env;
        std::string primary, fallback;
    };
    const Case cases[] = {
        {"unset", std::nullopt, std::nullopt, BUILT_IN_OPTIONS_URL, BUILT_IN_OPTIONS_FALLBACK_URL},
        {"empty", "", "", BUILT_IN_OPTIONS_URL, BUILT_IN_OPTIONS_FALLBACK_URL},
        {"both set", "http://127.0.0.1:1/a.xml", "http://127.0.0.1:2/b.xml",
         "http://127.0.0.1:1/a.xml", "http://127.0.0.1:2/b.xml"},
        {"fallback only", std::nullopt, "http://127.0.0.1:2/b.xml", BUILT_IN_OPTIONS_URL,
         "http://127.0.0.1:2/b.xml"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedEnv primary("KESTROW_OPTIONS_URL", c.primary_env);
        ScopedEnv fallback("KESTROW_OPTIONS_FALLBACK_URL", c.fallback_env);
        const OptionsSource source = DefaultOptionsSource();
        EXPECT_EQ(source.primary_url, c.primary);
        EXPECT_EQ(source.fallback_url, c.fallback);
        EXPECT_EQ(source.connect_timeout_ms, 10000);
        EXPECT_EQ(source.read_timeout_ms, 30000);
        EXPECT_EQ(source.max_fetch_ms, 10000);
        EXPECT_EQ(source.max_bytes, 4 << 20);
    }
}

TEST(InstallShellHooks, ReloadOptionsLoadsFromTheConfiguredAddresses) {
    test::FaultServer server;
    server.On("/fallback.xml", test::FaultReply::Ok("<o><version>9.9</version></o>"));
    ScopedEnv primary("KESTROW_OPTIONS_URL", server.Url("/missing.xml"));
    ScopedEnv fallback("KESTROW_OPTIONS_FALLBACK_URL", server.Url("/fallback.xml"));
    core::ScopedLauncherState state;
    state->UnixTime = 42;

    InstallShellHooks(*state);
    ASSERT_TRUE(state->reloadOptions);
    state->reloadOptions();

    EXPECT_EQ(state->g_ErrorConnect, 1);
    EXPECT_EQ(state->g_Version, "9.9");
    ASSERT_FALSE(server.Received().empty());
    EXPECT_EQ(server.Received().front().target, "/missing.xml?42");
    const std::string exe = platform::ExecutablePath();
    EXPECT_EQ(state->g_NameExeFile, exe.substr(exe.rfind('/') + 1));
    EXPECT_EQ(state->g_CurrentVersion, GetVersionEXE(exe));
}

}  // namespace
}  // namespace kestrow::shell
