// Saves the X screen, or one window of it, as a PNG.
//   kestrow_screenshot [--window-title TITLE] [--crop X,Y,WxH] OUTPUT.png
// --window-title grabs only that top-level window (its transparent parts stay
// transparent), waiting up to 30 seconds for it to appear; --crop then cuts a
// part out of what was grabbed.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QRegularExpression>
#include <QScreen>
#include <QThread>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "x_windows.h"

namespace {

std::optional<QRect> ParseRect(const char* text) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d+),(\\d+),(\\d+)x(\\d+)$"));
    const QRegularExpressionMatch m = pattern.match(QString::fromLatin1(text));
    if (!m.hasMatch())
        return std::nullopt;
    return QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                 m.captured(4).toInt());
}

int Usage(const char* self) {
    std::fprintf(stderr, "usage: %s [--window-title TITLE] [--crop X,Y,WxH] OUTPUT.png\n", self);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::optional<QRect> crop;
    std::optional<std::string> title;
    const char* output = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--crop") == 0 && i + 1 < argc) {
            crop = ParseRect(argv[++i]);
            if (!crop)
                return Usage(argv[0]);
        } else if (std::strcmp(argv[i], "--window-title") == 0 && i + 1 < argc) {
            title = argv[++i];
        } else if (!output && argv[i][0] != '-') {
            output = argv[i];
        } else {
            return Usage(argv[0]);
        }
    }
    if (!output)
        return Usage(argv[0]);

    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || QGuiApplication::platformName() != QLatin1String("xcb")) {
        std::fprintf(stderr, "an X display is needed (DISPLAY)\n");
        return 1;
    }
    WId window = 0;  // the whole screen
    if (title) {
        // The program being shown may still be starting.
        for (int tries = 0; tries < 300; ++tries) {
            if (const auto found = kestrow::screenshot::FindWindowByTitle(*title)) {
                window = *found;
                break;
            }
            QThread::msleep(100);
        }
        if (!window) {
            std::fprintf(stderr, "no window titled \"%s\"\n", title->c_str());
            return 1;
        }
    }
    QImage image = screen->grabWindow(window).toImage();
    if (crop) {
        if (!image.rect().contains(*crop)) {
            std::fprintf(stderr, "the crop lies outside the %dx%d picture\n", image.width(),
                         image.height());
            return 1;
        }
        image = image.copy(*crop);
    }
    if (image.isNull() || !image.save(QString::fromLocal8Bit(output), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", output);
        return 1;
    }
    return 0;
}
