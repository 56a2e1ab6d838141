// kestrow-launcher: the launcher window, started in the game directory.
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/launcher/startup.h"
#include "log/app_logger.h"
#include "platform/terminal.h"
#include "ui/skin_resources.h"
#include "ui/tform1.h"

namespace {

// What the threads get after the window has closed; the process ends within
// about two seconds whatever they were doing.
constexpr std::chrono::milliseconds kExitGrace{1500};

// Termination requests and Ctrl-C, counted by the signal handler.
std::atomic<int> g_interrupts{0};

void CentreOnScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        window.move(area.center() - window.rect().center());
    }
}

const char* Flag(bool value) {
    return value ? "True" : "False";
}

// A thread that does not heed the stop in time (a checksum of a huge file at
// the lowest priority) is not waited for: targets are only ever replaced
// whole, and the kernel releases the instance lock.
[[noreturn]] void EndWithoutThreads(const kestrow::ui::TForm1& form, int result) {
    using namespace kestrow;
    log::LogWarn(std::string("Threads still running at exit: update_run=") +
                 Flag(form.th && !form.th->Finished()) +
                 ", version_check=" + Flag(form.thv && !form.thv->Finished()) +
                 ", waited_ms=" + std::to_string(kExitGrace.count()));
    log::LogInfo("Application stopped");
    log::FinalizeLogger();
    std::fflush(nullptr);
    std::_Exit(result);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kestrow;
    log::InitLogger();
    log::LogInfo("Application starting");
    int result = 0;
    try {
        QApplication application(argc, argv);
        application.setWindowIcon(ui::AppIcon());
        ui::TForm1 form;
        // Closing the window ends every loop, also a message box's or the
        // change log's.
        QObject::connect(&form, &ui::TForm1::Closed, &application,
                         [] { QCoreApplication::exit(0); });
        // A session that ends, or Ctrl-C, closes the window as its exit button
        // does, so a run is cut cleanly instead of the process being killed.
        platform::CatchInterrupt(g_interrupts);
        QTimer interrupts;
        QObject::connect(&interrupts, &QTimer::timeout, &form, [&form, &interrupts] {
            if (g_interrupts.load() > 0) {
                interrupts.stop();
                form.close();
            }
        });
        interrupts.start(50);
        if (!app::FormCreate(form))
            return 0;  // another instance runs: nothing more, not even the log line
        // One that came while the options were fetched ends the launcher
        // before its window shows.
        if (g_interrupts.load() == 0) {
            // The auto-login window (TForm4) is created here once it exists.
            CentreOnScreen(form);
            form.show();
            result = application.exec();
        }
        interrupts.stop();
        if (!form.EndThreadsForExit(std::chrono::steady_clock::now() + kExitGrace))
            EndWithoutThreads(form, result);
    } catch (const std::exception& e) {
        log::LogException("Fatal application exception", &e);
        throw;
    } catch (...) {
        log::LogException("Fatal application exception", std::current_exception());
        throw;
    }
    log::LogInfo("Application stopped");
    log::FinalizeLogger();
    return result;
}
