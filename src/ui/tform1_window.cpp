// Moving, minimising and placing windows; links; the change-log and
// auto-login windows.
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <cmath>

#include "shell/links.h"
#include "ui/tform1.h"
#ifdef KESTROW_HAVE_CHANGELOG_WINDOW
#include "ui/changelog/tform3.h"
#endif

namespace kestrow::ui {

void TForm1::StartWindowDrag() {
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    if (QWindow* window = windowHandle())
        window->startSystemMove();
}

void TForm1::MinimizeWindow() {
    showMinimized();
}

void TForm1::KeepOnWorkArea(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The right and bottom edges lie just outside the area, as the system
    // reports a work area.
    const int area_right = area.x() + area.width();
    const int area_bottom = area.y() + area.height();
    const int max_left = std::max(area.x(), area_right - window.width());
    const int max_top = std::max(area.y(), area_bottom - window.height());
    int left = window.x();
    int top = window.y();
    if (left < area.x())
        left = area.x();
    else if (left > max_left)
        left = max_left;
    if (top < area.y())
        top = area.y();
    else if (top > max_top)
        top = max_top;
    window.move(left, top);
}

void TForm1::OpenURL(const std::string& s) {
    shell::OpenURL(s);
}

void TForm1::OpenOther(const std::string& s) {
    shell::OpenOther(s);
}

void TForm1::ShowChangeLog() {
#ifdef KESTROW_HAVE_CHANGELOG_WINDOW
    // Made once, owned by no window, and reused.
    if (!change_log_)
        change_log_ = std::make_unique<TForm3>();
    change_log_->move(x() + 150, y());
    KeepOnWorkArea(*change_log_);
    change_log_->exec();
#endif
}

void TForm1::ShowAutoLogin() {
    // The auto-login window (TForm4) is not part of the launcher yet; when it
    // is, this places it by the main window, hides the main window and shows it.
}

}  // namespace kestrow::ui
