// kestrow-launcher: the launcher window, started in the game directory.
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <exception>

#include "app/launcher/startup.h"
#include "log/app_logger.h"
#include "ui/tform1.h"

namespace {

void CentreOnScreen(QWidget& window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        window.move(area.center() - window.rect().center());
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kestrow;
    log::InitLogger();
    log::LogInfo("Application starting");
    int result = 0;
    try {
        QApplication application(argc, argv);
        ui::TForm1 form;
        if (!app::FormCreate(form))
            return 0;  // another instance runs: nothing more, not even the log line
        // The auto-login window (TForm4) is created here once it exists.
        CentreOnScreen(form);
        form.show();
        result = application.exec();
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
