#include "update/update_run.h"

#include <chrono>
#include <future>
#include <utility>
#include <vector>

#include "core/launcher_state.h"
#include "core/window_port.h"
#include "log/app_logger.h"
#include "platform/thread_priority.h"

namespace kestrow::update {

namespace {

// Starts threads from a thread that keeps the normal priority, for a run
// thread that has lowered its own (a thread inherits its creator's).
class NormalPriorityStarter {
  public:
    NormalPriorityStarter() : thread_([this](std::stop_token stop) { Serve(stop); }) {}
    ~NormalPriorityStarter() {
        thread_.request_stop();
        cv_.notify_all();
    }
    NormalPriorityStarter(const NormalPriorityStarter&) = delete;
    NormalPriorityStarter& operator=(const NormalPriorityStarter&) = delete;

    std::jthread Start(std::function<void()> body) {
        std::packaged_task<std::jthread()> task(
            [body = std::move(body)]() mutable { return std::jthread(std::move(body)); });
        std::future<std::jthread> started = task.get_future();
        {
            const std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        cv_.notify_all();
        return started.get();
    }

  private:
    void Serve(std::stop_token stop) {
        std::unique_lock lock(mutex_);
        while (true) {
            cv_.wait(lock, stop, [this] { return !tasks_.empty(); });
            if (tasks_.empty()) {
                return;  // stop requested
            }
            auto task = std::move(tasks_.front());
            tasks_.erase(tasks_.begin());
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable_any cv_;
    std::vector<std::packaged_task<std::jthread()>> tasks_;
    std::jthread thread_;  // last: stopped and joined first
};

}  // namespace

UpdateRun::UpdateRun(std::unique_ptr<ThreadForDownLoad> run) : run_(std::move(run)) {}

UpdateRun::~UpdateRun() {
    WaitFor();
}

void UpdateRun::Start() {
    if (thread_.joinable()) {
        return;
    }
    thread_ = std::jthread([this, run = run_] {
        try {
            // Without its own thread the starter is left out: the workers then
            // start from the run thread, at its priority.
            try {
                auto starter = std::make_shared<NormalPriorityStarter>();
                run->SetThreadStarter([starter](std::function<void()> body) {
                    return starter->Start(std::move(body));
                });
            } catch (...) {
                log::LogException("Worker thread starter unavailable", std::current_exception());
            }
            platform::LowerCurrentThreadPriority();
            run->Execute();
        } catch (...) {
            log::LogException("Download thread failed", std::current_exception());
        }
        run->SetThreadStarter({});
        // Termination handler: the window is unlocked however the run ended.
        try {
            core::Window().UnlockUpdateControls();
        } catch (...) {
            log::LogException("Download thread unlock failed", std::current_exception());
        }
        {
            const std::lock_guard lock(mutex_);
            ended_ = true;
        }
        ended_cv_.notify_all();
    });
}

void UpdateRun::RequestStop() {
    run_->RequestStop();
}

void UpdateRun::WaitFor(const std::function<void()>& pump) {
    if (!thread_.joinable()) {
        return;
    }
    if (pump) {
        std::unique_lock lock(mutex_);
        while (!ended_) {
            lock.unlock();
            pump();
            lock.lock();
            ended_cv_.wait_for(lock, std::chrono::milliseconds(5), [this] { return ended_; });
        }
    }
    thread_.join();
}

void UpdateRun::Cancel(const std::function<void()>& pump) {
    if (Finished()) {
        WaitFor();
        return;
    }
    RequestStop();
    WaitFor(pump);
}

bool UpdateRun::Finished() const {
    const std::lock_guard lock(mutex_);
    return ended_ || !thread_.joinable();
}

bool doUpdate(std::unique_ptr<UpdateRun>& th, std::string game_directory, int extract_workers) {
    if (!core::Launcher().canUpdate.load()) {
        return false;
    }
    if (th) {
        // A run started a moment ago may not have locked the window yet.
        if (!th->Finished()) {
            return false;
        }
        th.reset();  // the earlier run has ended: released here, once
    }
    auto run = std::make_unique<ThreadForDownLoad>(std::move(game_directory));
    run->SetExtractWorkerCount(extract_workers);
    th = std::make_unique<UpdateRun>(std::move(run));
    th->Start();
    return true;
}

}  // namespace kestrow::update
