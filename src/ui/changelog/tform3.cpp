#include "ui/changelog/tform3.h"

#include <QApplication>
#include <QBitmap>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "core/launcher_state.h"
#include "ui/changelog/background_fetch.h"
#include "ui/skin_style.h"

namespace kestrow::ui {
namespace {

// The skin's picture when the resources carry it, else a plain dark panel.
QPixmap Background() {
    QPixmap picture(QString::fromLatin1(kChangeLogBackground));
    if (!picture.isNull())
        return picture;
    QPixmap panel(kChangeLogWidth, kChangeLogHeight);
    panel.fill(Qt::transparent);
    QPainter painter(&panel);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(70, 74, 82));
    painter.setBrush(QColor(28, 30, 34));
    painter.drawRoundedRect(QRectF(0.5, 0.5, kChangeLogWidth - 1, kChangeLogHeight - 1), 8, 8);
    return panel;
}

int ClampAxis(int start, int length, int area_start, int area_length) {
    return std::max(area_start, std::min(start, area_start + area_length - length));
}

}  // namespace

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kChangeLogCaption));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kChangeLogWidth, kChangeLogHeight);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(0, 0, kChangeLogWidth, kChangeLogHeight);
    Image1->setScaledContents(true);
    Image1->setPixmap(Background());
    // Clean rounded corners also without a compositor.
    setMask(QBitmap::fromImage(Image1->pixmap().toImage().createAlphaMask()));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(16, 40, 368, 315);
    Memo1->setReadOnly(true);
    Memo1->setFocusPolicy(Qt::NoFocus);
    Memo1->setFrameShape(QFrame::NoFrame);
    // The text sits on the background's dark panel.
    Memo1->setStyleSheet(
        QStringLiteral("QPlainTextEdit { background: transparent; color: #e4e4e4; }") +
        QString::fromLatin1(kSkinScrollBarStyle));

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(160, 368, 60, 22);
    Button1->setFocusPolicy(Qt::NoFocus);
    Button1->setStyleSheet(QString::fromLatin1(kSkinButtonStyle));
    connect(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
}

TForm3::~TForm3() = default;

void TForm3::setVisible(bool visible) {
    if (!visible || isVisible()) {
        QDialog::setVisible(visible);
        return;
    }
    if (fetching_)
        return;  // a second show while the first one's request runs
    if (!FormShow())
        return;
    PlaceFirstShowing();
    QDialog::setVisible(true);
}

bool TForm3::FormShow() {
    Button1->setCursor(Qt::PointingHandCursor);
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents);

    const std::string url = core::Launcher().g_ChangeLogs;
    QPointer<TForm3> alive(this);
    fetching_ = true;
    const changelog::ChangeLogText log = FetchServingEvents(url);
    if (!alive)
        return false;
    fetching_ = false;
    Memo1->setPlainText(QString::fromStdU16String(log.text));
    return true;
}

void TForm3::Button1Click() {
    close();
}

void TForm3::PlaceFirstShowing() {
    if (placed_)
        return;
    placed_ = true;
    QWidget* anchor = parentWidget() ? parentWidget()->window() : QApplication::activeWindow();
    if (anchor == this)
        anchor = nullptr;
    QScreen* screen = anchor ? anchor->screen() : QGuiApplication::primaryScreen();
    QRect target(QPoint(0, 0), size());
    if (anchor) {
        target.moveCenter(anchor->frameGeometry().center());
    } else if (screen) {
        target.moveCenter(screen->availableGeometry().center());
    }
    if (screen) {
        const QRect area = screen->availableGeometry();
        target.moveTo(ClampAxis(target.x(), target.width(), area.x(), area.width()),
                      ClampAxis(target.y(), target.height(), area.y(), area.height()));
    }
    move(target.topLeft());
}

}  // namespace kestrow::ui
