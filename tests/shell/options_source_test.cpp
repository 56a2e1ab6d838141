#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "core/launcher_state.h"
#include "core/null_window_port.h"
#include "core/window_port.h"
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

// A window whose calls run on a thread of its own, as the real window's do,
// and which reads the launcher state between calls, as the real window does
// when the player clicks a link or switches the language.
class ThreadedWindow final : public core::NullWindowPort {
  public:
    ThreadedWindow() : thread_([this](std::stop_token stop) { Serve(stop); }) {}
    void RunOnWindowThread(const std::function<void()>& call) override {
        std::unique_lock lock(mutex_);
        call_ = &call;
        cv_.wait(lock, [this] { return call_ == nullptr; });
    }
    std::size_t Reads() const { return reads_.load(); }

  private:
    void Serve(std::stop_token stop) {
        while (!stop.stop_requested()) {
            {
                const std::lock_guard lock(mutex_);
                if (call_) {
                    (*call_)();
                    call_ = nullptr;
                    cv_.notify_all();
                    continue;
                }
            }
            const core::LauncherState& state = core::Launcher();
            const std::string seen = state.g_URL + state.g_ChangeLogs + state.g_Version;
            const int read_only = state.g_nFilesOnlyRead;
            reads_ += seen.size() + static_cast<std::size_t>(read_only >= 0) + state.g_IsBlock;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    std::mutex mutex_;
    std::condition_variable cv_;
    const std::function<void()>* call_ = nullptr;
    std::atomic<std::size_t> reads_{0};
    std::jthread thread_;  // last: stopped first
};

// The run reloads the options on its own thread when both addresses failed at
// start, and counts read-only files, while the window reads the same fields:
// what the reload reads is written on the window's thread.
TEST(InstallShellHooks, ReloadOnTheRunThreadWritesOnTheWindowThread) {
    test::FaultServer server;
    server.On("/options.xml",
              test::FaultReply::Ok("<o><site>http://site.example/</site><version>2.0</version>"
                                   "<changelogs>http://log.example/c.txt</changelogs>"
                                   "<block_update>true</block_update></o>"));
    ScopedEnv primary("KESTROW_OPTIONS_URL", server.Url("/options.xml"));
    ScopedEnv fallback("KESTROW_OPTIONS_FALLBACK_URL", server.Url("/options.xml"));
    core::ScopedLauncherState state;
    state->UnixTime = 7;
    state->g_ErrorConnect = 2;
    InstallShellHooks(*state);
    ThreadedWindow window;
    const core::ScopedWindow scope(window);
    while (window.Reads() == 0)
        std::this_thread::yield();

    std::jthread run([&] {
        for (int i = 0; i < 3; ++i) {
            state->reloadOptions();
            ++state->g_nFilesOnlyRead;
        }
    });
    run.join();

    EXPECT_EQ(state->g_ErrorConnect, 0);
    EXPECT_EQ(state->g_URL, "http://site.example/");
    EXPECT_EQ(state->g_ChangeLogs, "http://log.example/c.txt?7");
    EXPECT_TRUE(state->g_IsBlock);
    EXPECT_EQ(state->g_nFilesOnlyRead.load(), 3);
}

}  // namespace
}  // namespace kestrow::shell
