// Runs on their own thread, as the window starts them: the gate, the cancel
// that keeps serving the run's window calls, thread priorities and release.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "core/null_window_port.h"
#include "core/window_port.h"
#include "update/run_fixture.h"
#include "update/update_run.h"

namespace kestrow::update {
namespace {

using runtest::RunFixture;
using runtest::ServedFile;
using runtest::StatusTextOf;

// Runs every call on the thread that pumps it, like a window whose calls are
// queued onto its own thread; the caller waits until it has run.
class MarshallingPort final : public core::WindowPort {
  public:
    explicit MarshallingPort(core::WindowPort& inner) : inner_(inner) {}
    // Runs the calls queued so far; the owner's thread only.
    void Pump() {
        std::unique_lock lock(mutex_);
        while (!queue_.empty()) {
            auto call = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            call();
            lock.lock();
        }
        done_cv_.notify_all();
    }
    std::function<void(const std::string&)> on_status;  // on the pumping thread

    void LockUpdateControls() override {
        Marshal([&] { inner_.LockUpdateControls(); });
    }
    void UnlockUpdateControls() override {
        Marshal([&] { inner_.UnlockUpdateControls(); });
    }
    void ClearFileProgressBar() override {
        Marshal([&] { inner_.ClearFileProgressBar(); });
    }
    void ClearTotalProgressBar() override {
        Marshal([&] { inner_.ClearTotalProgressBar(); });
    }
    void SetFileProgressWidth(float w) override {
        Marshal([&] { inner_.SetFileProgressWidth(w); });
    }
    void SetTotalProgressWidth(float w) override {
        Marshal([&] { inner_.SetTotalProgressWidth(w); });
    }
    void AddTotalProgressWidth(float w) override {
        Marshal([&] { inner_.AddTotalProgressWidth(w); });
    }
    void SetFileProgressValue(std::int64_t c, std::int64_t m) override {
        Marshal([&] { inner_.SetFileProgressValue(c, m); });
    }
    void SetTotalProgressValue(std::int64_t c, std::int64_t m) override {
        Marshal([&] { inner_.SetTotalProgressValue(c, m); });
    }
    void ShowStatusText(const std::string& t) override {
        Marshal([&] {
            inner_.ShowStatusText(t);
            if (on_status)
                on_status(t);
        });
    }
    void ShowStatus() override {
        Marshal([&] { inner_.ShowStatus(); });
    }
    void ShowMessage(const std::string& t) override {
        Marshal([&] { inner_.ShowMessage(t); });
    }

  private:
    void Marshal(const std::function<void()>& call) {
        bool done = false;
        std::unique_lock lock(mutex_);
        queue_.push_back([&] {
            call();
            const std::lock_guard inner(mutex_);
            done = true;
        });
        done_cv_.wait(lock, [&] { return done; });
    }

    core::WindowPort& inner_;
    std::mutex mutex_;
    std::condition_variable done_cv_;
    std::deque<std::function<void()>> queue_;
};

class UpdateRunTest : public ::testing::Test, public RunFixture {
  protected:
    // Pumps the window until pred holds or the run ends.
    void PumpUntil(const std::function<bool()>& pred) {
        while (!pred() && !(th && th->Finished())) {
            marshal.Pump();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    MarshallingPort marshal{port};
    core::ScopedWindow window{marshal};
    std::unique_ptr<UpdateRun> th;
};

std::vector<ServedFile> SlowFiles(int count, std::chrono::milliseconds delay) {
    std::vector<ServedFile> files;
    for (int i = 0; i < count; ++i) {
        const std::string data(3000 + i, static_cast<char>('a' + i % 26));
        test::FaultReply reply = test::FaultReply::Ok(runtest::ArchiveOf(data));
        reply.delay = delay;
        files.push_back({"d\\f" + std::to_string(i) + ".dat", data, "2", {}, reply});
    }
    return files;
}

TEST_F(UpdateRunTest, OneRunAtATimeThenReleasedByTheNext) {
    Serve(SlowFiles(3, std::chrono::milliseconds(0)));
    ASSERT_TRUE(doUpdate(th, game));
    UpdateRun* first = th.get();
    EXPECT_FALSE(doUpdate(th, game));  // started a moment ago
    PumpUntil([&] { return port.Locked(); });
    EXPECT_FALSE(doUpdate(th, game));  // the window is locked
    EXPECT_EQ(th.get(), first);
    PumpUntil([] { return false; });
    th->WaitFor([&] { marshal.Pump(); });
    EXPECT_EQ(state->messageId.load(), 4);
    EXPECT_FALSE(port.Locked());
    EXPECT_TRUE(state->canUpdate.load());
    // Unlocked by the closing steps and again by the end of the thread.
    const auto calls = port.Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "UnlockUpdateControls"), 2);

    ASSERT_TRUE(doUpdate(th, game));
    th->WaitFor([&] { marshal.Pump(); });
    EXPECT_EQ(state->messageId.load(), 7);
}

TEST_F(UpdateRunTest, CancelDuringDownloadsServesTheWindowUntilTheRunHasEnded) {
    Serve(SlowFiles(20, std::chrono::milliseconds(40)));
    std::atomic<bool> downloading{false};
    marshal.on_status = [&](const std::string& text) {
        if (text.starts_with("Downloading: ") || text.find(" ... / ") != text.npos)
            downloading = true;
    };
    ASSERT_TRUE(doUpdate(th, game));
    PumpUntil([&] { return downloading.load(); });
    ASSERT_TRUE(downloading.load());
    th->Cancel([&] { marshal.Pump(); });
    EXPECT_TRUE(th->Finished());
    EXPECT_EQ(state->messageId.load(), 6);
    EXPECT_EQ(port.StatusLine(), StatusTextOf(6));
    EXPECT_FALSE(port.Locked());
    EXPECT_EQ(port.TotalWidth(), 341.0f);
}

TEST_F(UpdateRunTest, CancelDuringTheCatalogueEndsItAtOnce) {
    test::FaultReply stalled = test::FaultReply::Ok(std::string(1000, ' '));
    stalled.stall_after = 10;
    Serve({});
    server.On("/patchlist.xml", stalled);
    ASSERT_TRUE(doUpdate(th, game));
    PumpUntil([&] { return server.Requests() > 0; });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto start = std::chrono::steady_clock::now();
    th->Cancel([&] { marshal.Pump(); });
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(state->messageId.load(), -1);
    EXPECT_TRUE(port.StatusLine().starts_with("Update is not available, try again later! ("))
        << port.StatusLine();
    EXPECT_FALSE(port.Locked());
}

#if defined(__linux__)
TEST_F(UpdateRunTest, RunThreadAtTheLowestPriorityWorkersAtNormal) {
    Serve(SlowFiles(2, std::chrono::milliseconds(0)));
    std::mutex mutex;
    std::map<std::string, int> nice_of;  // status text -> nice of the thread that showed it
    class Probe final : public core::NullWindowPort {
      public:
        explicit Probe(std::function<void(const std::string&)> f) : f_(std::move(f)) {}
        void ShowStatusText(const std::string& t) override { f_(t); }

      private:
        std::function<void(const std::string&)> f_;
    } probe([&](const std::string& text) {
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
        const std::lock_guard lock(mutex);
        nice_of.emplace(text, nice);
    });
    const core::ScopedWindow scoped(probe);
    const int own = getpriority(PRIO_PROCESS, 0);
    ASSERT_TRUE(doUpdate(th, game));
    th->WaitFor();
    EXPECT_EQ(nice_of.at("Scan of files, please wait"), 19);
    EXPECT_EQ(nice_of.at("Waiting for download..."), own);  // a worker's idle status
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), own);
}
#endif

}  // namespace
}  // namespace kestrow::update
