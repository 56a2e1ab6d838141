#include "ui/window_actions.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace kestrow::ui {

WindowActions ShellWindowActions() {
    WindowActions actions;
    actions.open_link = [](const std::string& text) {
        // Failure to open is ignored, as the shell's opener would.
        QDesktopServices::openUrl(QUrl(QString::fromStdString(text), QUrl::TolerantMode));
    };
    return actions;
}

}  // namespace kestrow::ui
