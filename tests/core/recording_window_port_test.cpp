#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/launcher_state.h"
#include "core/null_window_port.h"
#include "core/recording_window_port.h"
#include "core/status_texts.h"

namespace kestrow::core {
namespace {

TEST(RecordingWindowPort, KeepsBarsLockStatusAndCallsInOrder) {
    ScopedLauncherState state;
    RecordingWindowPort port;
    ScopedWindow scoped(port);
    EXPECT_EQ(&Window(), &port);

    EXPECT_FLOAT_EQ(port.FileWidth(), 341.0f);
    EXPECT_FLOAT_EQ(port.TotalWidth(), 341.0f);
    EXPECT_FALSE(port.Locked());

    Window().LockUpdateControls();
    EXPECT_TRUE(port.Locked());
    EXPECT_FALSE(state->canUpdate);
    Window().ClearFileProgressBar();
    Window().ClearTotalProgressBar();
    Window().SetFileProgressValue(50, 200);
    Window().AddTotalProgressWidth(85.25f);
    Window().AddTotalProgressWidth(300.0f);
    Window().ShowStatusText("own text");
    state->language = kLanguageEnglish;
    UpdateStatus(4);
    Window().SetTotalProgressValue(1, 0);
    Window().SetFileProgressWidth(341.0f);
    Window().UnlockUpdateControls();
    EXPECT_TRUE(state->canUpdate);

    EXPECT_FLOAT_EQ(port.FileWidth(), 341.0f);
    EXPECT_FLOAT_EQ(port.TotalWidth(), 0.0f);
    EXPECT_FALSE(port.Locked());
    EXPECT_EQ(port.StatusLine(), "All files were successfully updated!");
    EXPECT_EQ(port.StatusTexts(),
              (std::vector<std::string>{"own text", "All files were successfully updated!"}));
    EXPECT_EQ(state->g_msg, "All files were successfully updated!");
    EXPECT_EQ(port.Calls(),
              (std::vector<std::string>{
                  "LockUpdateControls", "ClearFileProgressBar", "ClearTotalProgressBar",
                  "SetFileProgressValue(50, 200)", "AddTotalProgressWidth(85.25)",
                  "AddTotalProgressWidth(300)", "ShowStatusText(own text)",
                  "ShowStatus(All files were successfully updated!)", "SetTotalProgressValue(1, 0)",
                  "SetFileProgressWidth(341)", "UnlockUpdateControls"}));
}

TEST(RecordingWindowPort, AMessageBoxHoldsItsCallerUntilTheHandlerCloses) {
    RecordingWindowPort port;
    std::mutex mutex;
    std::condition_variable cv;
    bool shown = false, close = false, returned = false;
    port.SetMessageHandler([&](const std::string&) {
        std::unique_lock lock(mutex);
        shown = true;
        cv.notify_all();
        cv.wait(lock, [&] { return close; });
    });

    std::jthread caller([&] {
        port.ShowMessage("Code Error: #042");
        std::lock_guard lock(mutex);
        returned = true;
        cv.notify_all();
    });
    {
        std::unique_lock lock(mutex);
        cv.wait(lock, [&] { return shown; });
        // The box is open: the recorder still answers, and the caller waits.
        EXPECT_EQ(port.Messages(), std::vector<std::string>{"Code Error: #042"});
        EXPECT_FALSE(returned);
        close = true;
        cv.notify_all();
        cv.wait(lock, [&] { return returned; });
    }
}

TEST(RecordingWindowPort, ConcurrentCallersAreAllRecorded) {
    ScopedLauncherState state;
    state->language = kLanguageRussian;
    setStatus(3);
    RecordingWindowPort port;
    port.ClearTotalProgressBar();
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&port] {
                for (int i = 0; i < 100; ++i) {
                    port.AddTotalProgressWidth(0.5f);
                    port.SetFileProgressValue(i, 100);
                    port.ShowStatus();
                }
            });
        }
    }
    EXPECT_FLOAT_EQ(port.TotalWidth(), 200.0f);
    EXPECT_EQ(port.StatusTexts().size(), 400u);
    EXPECT_EQ(port.StatusLine(), "Идет проверка файлов, пожалуйста подождите.");
    EXPECT_EQ(port.Calls().size(), 1u + 1200u);
}

TEST(NullWindowPort, ShowsNothingButMovesTheGateAndIsTheDefault) {
    ScopedLauncherState state;
    SetWindow(nullptr);
    EXPECT_NE(dynamic_cast<NullWindowPort*>(&Window()), nullptr);
    Window().LockUpdateControls();
    EXPECT_FALSE(state->canUpdate);
    UpdateStatus(5);
    EXPECT_EQ(state->messageId, 5);
    EXPECT_EQ(state->g_msg, "");
    Window().UnlockUpdateControls();
    EXPECT_TRUE(state->canUpdate);
}

}  // namespace
}  // namespace kestrow::core
