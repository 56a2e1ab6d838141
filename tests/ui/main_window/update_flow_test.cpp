// Update requests and game starts from the window's buttons, and whole update
// runs against a service on loopback: the run drives the window from its own
// thread while the window's thread serves it.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include <QTimer>

#include "app/publish/command_line.h"
#include "app/publish/publisher.h"
#include "main_window_fixture.h"
#include "shell/options_document.h"
#include "support/fault_server.h"
#include "support/nginx_harness.h"
#include "support/served_tree.h"

namespace kestrow::ui::test {
namespace {

namespace fs = std::filesystem;
using kestrow::test::FaultReply;
using kestrow::test::FaultServer;
using kestrow::test::ReadFile;
using kestrow::test::WriteFile;
using Events = std::vector<std::string>;

using UpdateRequest = MainWindowTest;

TEST_F(UpdateRequest, BlockedUpdatesOnlyShowStatus15) {
    State().g_IsBlock = true;
    Click(form->ENG);
    for (SkinImage* button : {form->UPDATE_BUTTON, form->UPDATE_BUTTON_CLIENT}) {
        State().g_nFilesOnlyRead = 3;
        form->ShowStatusText(QStringLiteral("before"));
        Click(button);
        EXPECT_EQ(Status(), "Client update, temporarily unavailable!");
        EXPECT_EQ(State().g_nFilesOnlyRead, 0);
    }
    EXPECT_EQ(outside.events, Events{});
    EXPECT_FALSE(form->th);
    EXPECT_TRUE(State().canUpdate);
}

TEST_F(UpdateRequest, WhileTheVersionIsCheckedARequestEndsClientsAndCleansButStartsNoRun) {
    State().canUpdate = false;
    Click(form->UPDATE_BUTTON_CLIENT);
    EXPECT_EQ(outside.events, (Events{"kill", "clean"}));
    EXPECT_TRUE(State().g_bIsUpdateClient);
    Click(form->UPDATE_BUTTON);
    EXPECT_FALSE(State().g_bIsUpdateClient);
    EXPECT_FALSE(form->th);
}

class StartButton : public MainWindowTest {
  protected:
    StartButton() {
        for (const char* name :
             {"system/l2.exe", "system_classic/l2.exe", "Start Kestrow.exe", "Start Brenholt.exe"})
            WriteFile(Game(name), "x");
        // A run started here fails at once: the catalogue is not there.
        State().g_PatchURL = server.Url("/patch.xml");
        State().g_ClientURL = server.Url("/client.xml");
    }
    bool LegacyFilesGone() const {
        return !fs::exists(Game("Start Kestrow.exe")) && !fs::exists(Game("Start Brenholt.exe"));
    }
    FaultServer server;
};

TEST_F(StartButton, DoesNothingButTidyWhileTheGateIsClosed) {
    State().canUpdate = false;
    Click(form->START_GAME);
    EXPECT_EQ(outside.events, Events{});
    EXPECT_TRUE(LegacyFilesGone());
    EXPECT_FALSE(form->th);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(StartButton, StartsTheChosenClientAndCloses) {
    const struct {
        int stored;
        const char* folder;
        bool starts;
    } cases[] = {{1, "system", true}, {0, "system_classic", false}, {7, "system_classic", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        outside.events.clear();
        outside.exe_starts = c.starts;
        form->RestoreSelectedPatch(c.stored);
        form->show();
        Click(form->START_GAME);
        EXPECT_EQ(outside.events, Events{"exe " + Game(c.folder) + "/l2.exe"});
        EXPECT_EQ(form->isVisible(), !c.starts);
    }
}

TEST_F(StartButton, StartsAnUpdateRunWhenTheClientIsMissingEvenWhenBlocked) {
    fs::remove(Game("system_classic/l2.exe"));
    State().g_IsBlock = true;
    Click(form->START_GAME);
    ASSERT_TRUE(RunEnds());
    EXPECT_EQ(outside.events, Events{});  // neither ended clients nor cleaned
    EXPECT_TRUE(State().canUpdate);
    EXPECT_GE(server.Requests(), 1);
    EXPECT_TRUE(form->isVisible());
}

// A service published from two small trees: the client and a patch over it.
class UpdateRun : public MainWindowTest {
  protected:
    UpdateRun() {
        for (int i = 0; i < 10; ++i) {
            std::string data;
            for (int j = 0; j < 300 * (i + 1); ++j)
                data += std::to_string(i * j) + ' ';
            WriteFile(dir.File("patch/system/part " + std::to_string(i) + ".dat"), data);
        }
        WriteFile(dir.File("client/system/l2.ini"), "[Engine]\n");
        WriteFile(dir.File("client/maps/a.unr"), std::string(5000, 'm'));
    }
    void Publish(const std::string& base_url) {
        publish::PublishOptions o;
        o.client_dir = dir.File("client");
        o.patch_dir = dir.File("patch");
        o.out_dir = www;
        o.base_url = base_url;
        o.preset = 0;
        o.jobs = 1;
        o.version = "1.0.0.0";
        o.progress = false;
        publish::Publish(o);
    }
    void LoadOptions(const std::string& url) {
        shell::OptionsSource source;
        source.primary_url = source.fallback_url = url;
        source.log_info = [](std::string_view) {};
        shell::LoadSettings(source);
        ASSERT_EQ(State().g_ErrorConnect, 0);
    }
    bool PatchInPlace() const {
        for (const auto& e : fs::recursive_directory_iterator(dir.File("patch"))) {
            const fs::path local = fs::path(Game()) / fs::relative(e.path(), dir.File("patch"));
            if (e.is_regular_file() &&
                (!fs::exists(local) || ReadFile(local.string()) != ReadFile(e.path().string())))
                return false;
        }
        return true;
    }
    void ExpectRunEndedWith(int id) {
        EXPECT_EQ(Status(), StatusOf(id));
        EXPECT_EQ(form->FileProgress->Bar().Width(), 341.0f);
        EXPECT_EQ(form->TotalProgress->Bar().Width(), 341.0f);
        EXPECT_TRUE(State().canUpdate);
        EXPECT_TRUE(form->START_GAME->isVisible());
        EXPECT_FALSE(form->UPDATE_BLOCK->isVisible());
        EXPECT_TRUE(form->UPDATE_BUTTON->isEnabled());
        EXPECT_EQ(outside.events, (Events{"kill", "clean"}));
    }

    std::string www = dir.File("www");
};

TEST_F(UpdateRun, UpdateButtonBringsThePatchInAndEndsFull) {
    if (!kestrow::test::NginxServer::Available())
        GTEST_SKIP() << "nginx is not installed";
    kestrow::test::NginxServer nginx(www, dir.File("nginx"));
    Publish(nginx.Url(""));
    LoadOptions(nginx.Url("/_files/options.xml"));
    Click(form->ENG);

    Click(form->UPDATE_BUTTON);
    ASSERT_TRUE(RunEnds());
    ExpectRunEndedWith(4);
    EXPECT_TRUE(PatchInPlace());
    EXPECT_FALSE(fs::exists(Game("maps/a.unr")));  // patch only

    // Once more: nothing left to do.
    outside.events.clear();
    Click(form->UPDATE_BUTTON);
    ASSERT_TRUE(RunEnds());
    ExpectRunEndedWith(7);
}

// Ends the process when a wait that must end does not (a deadlock would
// otherwise hold the suite until its time limit).
class Watchdog {
  public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!cv_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fputs("watchdog: the window's thread is stuck\n", stderr);
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        cv_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
    std::jthread thread_;
};

// The published service on the fault server, each archive answered late, so a
// run is still downloading when the test acts.
class SlowUpdateRun : public UpdateRun {
  protected:
    SlowUpdateRun() {
        Publish(server.Url(""));
        kestrow::test::ServeTree(server, www, std::chrono::milliseconds(300));
        LoadOptions(server.Url("/_files/options.xml"));
    }
    bool Downloading() {
        return PumpUntil([&] {
            for (const auto& r : server.Received())
                if (r.target.find(".lzma") != std::string::npos)
                    return true;
            return false;
        });
    }
    FaultServer server;
};

TEST_F(SlowUpdateRun, CancelWaitsForTheRunWhileServingItsWindowCalls) {
    form->CANCEL_BUTTONClick();  // no run yet: nothing
    Click(form->UPDATE_BUTTON);
    ASSERT_TRUE(form->th);
    ASSERT_TRUE(Downloading());
    EXPECT_FALSE(State().canUpdate);
    {
        Watchdog watchdog(std::chrono::seconds(60));
        form->CANCEL_BUTTONClick();
    }
    EXPECT_TRUE(form->th->Finished());
    ExpectRunEndedWith(6);
    EXPECT_FALSE(PatchInPlace());
    form->CANCEL_BUTTONClick();  // the run has ended: nothing
    EXPECT_EQ(Status(), StatusOf(6));
}

// The gate opens while a run still goes (the start-up version check ends
// during the critical update): a request waits for that run, serving the
// window meanwhile, and a request made during that wait leaves th alone.
TEST_F(SlowUpdateRun, ARequestWaitsForTheRunStillGoing) {
    Click(form->UPDATE_BUTTON);
    ASSERT_TRUE(Downloading());
    State().canUpdate = true;
    bool nested = false;
    QTimer::singleShot(0, [&] {
        nested = true;
        form->RequestPatchUpdate();
    });
    {
        Watchdog watchdog(std::chrono::seconds(60));
        form->RequestPatchUpdate();
    }
    EXPECT_TRUE(nested);
    // The first run brought the patch in; the second found nothing to do.
    ASSERT_TRUE(RunEnds());
    EXPECT_EQ(Status(), StatusOf(7));
    EXPECT_TRUE(PatchInPlace());
}

}  // namespace
}  // namespace kestrow::ui::test
