// Puts the launcher's window into the states the README shows and saves each
// as a PNG: the change-log window, then a full check in progress with the
// window locked. The window is made exactly as kestrow-launcher makes it (in
// the working directory, with the options address of the environment) and is
// driven with pointer events as a player drives it; the pictures come from
// the X screen, so the windows' shapes are what a desktop shows.
//   kestrow_window_tour --out DIR --suffix NAME
// writes DIR/changelog-NAME.png and DIR/launcher-NAME-run.png.
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

#include "app/launcher/startup.h"
#include "ui/skin_resources.h"
#include "ui/tform1.h"

namespace {

using kestrow::ui::TForm1;

bool WaitFor(const std::function<bool()>& done, int timeout_ms) {
    return QTest::qWaitFor(done, timeout_ms);
}

bool Write(const QImage& image, const std::string& path) {
    if (image.isNull() || !image.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s\n", path.c_str());
    return true;
}

// One window as it is painted, its transparent parts transparent.
bool Save(QWidget& window, const std::string& path) {
    // Painted and on screen before the picture is taken.
    QTest::qWait(400);
    return Write(window.screen()->grabWindow(window.winId()).toImage(), path);
}

// What the screen shows over the main window (another window on top of it),
// cut to the main window's shape.
bool SaveScreenOver(TForm1& form, const std::string& path) {
    QTest::qWait(400);
    const QPixmap screen =
        form.screen()->grabWindow(0, form.x(), form.y(), form.width(), form.height());
    QImage image(form.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    if (!form.mask().isEmpty())
        painter.setClipRegion(form.mask());
    painter.drawPixmap(0, 0, screen);
    painter.end();
    return Write(image, path);
}

void Click(TForm1& form, QWidget* control) {
    const QPoint at = control->mapTo(&form, control->rect().center());
    QTest::mouseMove(form.windowHandle(), at);
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, at);
}

// The pointer away from every button, so no hover face shows.
void Rest(TForm1& form) {
    QTest::mouseMove(form.windowHandle(), QPoint(200, 100));
}

// Files the run has finished in the game directory (the working directory).
int UnpackedFiles() {
    namespace fs = std::filesystem;
    int count = 0;
    std::error_code error;
    for (const auto& e : fs::recursive_directory_iterator(fs::current_path(), error)) {
        const std::string name = e.path().filename().string();
        count +=
            e.is_regular_file() && !name.ends_with(".lzma") && !name.ends_with(".kestrow-part");
    }
    return count;
}

int Usage(const char* self) {
    std::fprintf(stderr, "usage: %s --out DIR --suffix NAME\n", self);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::string out, name;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
        else if (std::strcmp(argv[i], "--suffix") == 0)
            name = argv[i + 1];
        else
            return Usage(argv[0]);
    }
    if (out.empty() || name.empty() || argc != 5)
        return Usage(argv[0]);
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "an X display is needed (DISPLAY)\n");
        return 1;
    }
    application.setWindowIcon(kestrow::ui::AppIcon());

    // Nothing leaves the window: no browser for the links, no game clients ended.
    kestrow::ui::WindowActions actions = kestrow::ui::ShellWindowActions();
    actions.open_link = [](const std::string&) {};
    actions.kill_game_processes = [] {};
    TForm1 form(actions);
    if (!kestrow::app::FormCreate(form)) {
        std::fprintf(stderr, "another launcher holds the instance lock\n");
        return 1;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        form.move(screen->geometry().center() - form.rect().center());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form) ||
        !WaitFor([&] { return form.thv && form.thv->Finished(); }, 30000)) {
        std::fprintf(stderr, "the launcher-version check did not end\n");
        return 1;
    }
    Rest(form);

    // The about button opens the change log, modally, over the main window
    // (whose language shows around it): saved and closed from inside its loop.
    bool change_log_saved = false;
    QTimer inside;
    QObject::connect(&inside, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        inside.stop();
        change_log_saved = SaveScreenOver(form, out + "/changelog-" + name + ".png");
        if (auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("Button1")))
            ok->click();
    });
    inside.start(50);
    Click(form, form.ABOUT_BUTTON);
    inside.stop();
    Rest(form);
    if (!change_log_saved)
        return 1;

    // A full check of the empty game directory, saved once a few files have
    // arrived (the bars then show the downloads, not the scan before them).
    Click(form, form.UPDATE_BUTTON_CLIENT);
    Rest(form);
    if (!WaitFor(
            [&] {
                return !form.State().canUpdate && UnpackedFiles() >= 4 &&
                       form.FileProgress->Bar().Width() > 0;
            },
            120000)) {
        std::fprintf(stderr, "the full check did not get going\n");
        return 1;
    }
    const bool run_saved = Save(form, out + "/launcher-" + name + "-run.png");

    form.close();
    form.EndThreadsForExit(std::chrono::steady_clock::now() + std::chrono::seconds(2));
    return run_saved ? 0 : 1;
}
