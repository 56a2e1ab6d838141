// Update requests, the run the window keeps in th, and cancelling it.
#include <QCoreApplication>
#include <QThread>
#include <exception>

#include "net/http_client.h"
#include "shell/update_request.h"
#include "ui/tform1.h"

namespace kestrow::ui {

void TForm1::PumpWindowCalls() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

shell::StartUpdateOptions TForm1::UpdateOptions() {
    shell::StartUpdateOptions options;
    options.game_directory = game_directory_;
    options.kill_game_processes = actions_.kill_game_processes;
    options.clean_client_files = actions_.clean_client_files;
    options.do_update = [this](std::unique_ptr<update::UpdateRun>&) {
        doUpdate();
        return true;
    };
    return options;
}

void TForm1::RequestPatchUpdate() {
    shell::RequestPatchUpdate(th, UpdateOptions());
}

void TForm1::RequestClientUpdate() {
    shell::RequestClientUpdate(th, UpdateOptions());
}

void TForm1::Start_Update() {
    shell::Start_Update(th, UpdateOptions());
}

void TForm1::SettlePreviousRun() {
    // A run that has unlocked the window may still be making its last calls;
    // releasing it without serving them would leave both sides waiting. A
    // request made while those are served must not release th under this wait.
    if (th && !th->Finished()) {
        waiting_for_run_ = true;
        struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{waiting_for_run_};
        th->WaitFor(&TForm1::PumpWindowCalls);
    }
}

void TForm1::doUpdate() {
    // While the cancel handler waits for the run, th must stay as it is.
    if (closed_ || waiting_for_run_ || !State().canUpdate)
        return;
    SettlePreviousRun();
    update::doUpdate(th, game_directory_);
}

void TForm1::CANCEL_BUTTONClick() {
    if (State().canUpdate || !th || waiting_for_run_)
        return;
    waiting_for_run_ = true;
    try {
        AnimateButton(CANCEL_ON, 0);
        AnimateButton(CANCEL_PRESS, 0);
        th->Cancel(&TForm1::PumpWindowCalls);
    } catch (const std::exception&) {
        // The run reports its own end.
    }
    waiting_for_run_ = false;
}

void TForm1::AutoUpdate() {
    thv = shell::AutoUpdate();
}

bool TForm1::EndThreadsForExit(std::chrono::steady_clock::time_point deadline) {
    closed_ = true;
    if (th && !th->Finished())
        th->Run().Abort();
    // Also the version check's fetch and any change-log request.
    net::AbortAllTransfers();
    const auto ended = [this] { return (!th || th->Finished()) && (!thv || thv->Finished()); };
    while (!ended() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(2);
    }
    return ended();
}

void TForm1::EndThreads() {
    // Threads still running are stopped (the run) or waited for (the version
    // check) while their last window calls are served, every control alive.
    if (th) {
        try {
            th->Cancel(&TForm1::PumpWindowCalls);
        } catch (...) {
        }
        th.reset();
    }
    if (thv) {
        while (!thv->Finished()) {
            PumpWindowCalls();
            QThread::msleep(2);
        }
        thv.reset();
    }
}

}  // namespace kestrow::ui
