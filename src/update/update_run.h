#pragma once
// A started update run and its thread: what the window keeps as th. The run
// object lives until both its thread has ended and the holder has let go, so
// it is released exactly once and never while a cancel still uses it.

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "update/thread_for_download.h"

namespace kestrow::update {

class UpdateRun {
  public:
    explicit UpdateRun(std::unique_ptr<ThreadForDownLoad> run);
    // Waits for the thread if it still runs.
    ~UpdateRun();
    UpdateRun(const UpdateRun&) = delete;
    UpdateRun& operator=(const UpdateRun&) = delete;

    // Starts the thread at the lowest priority the platform gives a thread:
    // Execute, then the termination handler (UnlockUpdateControls), however
    // Execute ended. Once only.
    void Start();

    // Stop request plus a cut of the catalogue transfer. Does not wait.
    void RequestStop();
    // Blocks until the thread has ended. pump, when given, runs between short
    // waits: the window's thread keeps serving the run's calls with it.
    void WaitFor(const std::function<void()>& pump = {});
    // The window's cancel: RequestStop, then WaitFor(pump). Nothing when the
    // run has already ended.
    void Cancel(const std::function<void()>& pump = {});

    bool Finished() const;
    ThreadForDownLoad& Run() { return *run_; }

  private:
    std::shared_ptr<ThreadForDownLoad> run_;
    mutable std::mutex mutex_;
    std::condition_variable ended_cv_;
    bool ended_ = false;
    std::jthread thread_;
};

// doUpdate: nothing while canUpdate is false (a run is active). Otherwise a
// run that has ended is released, a new run on game_directory (empty: the
// working directory) unpacking with extract_workers threads is created, kept
// in th and started. True when started.
bool doUpdate(std::unique_ptr<UpdateRun>& th, std::string game_directory = {},
              int extract_workers = 1);

}  // namespace kestrow::update
