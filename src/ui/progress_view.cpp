#include "ui/progress_view.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace kestrow::ui {

ProgressView::ProgressView(QWidget* parent, const char* name) : QWidget(parent) {
    setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_TranslucentBackground);
}

void ProgressView::SetTile(const QPixmap& tile) {
    tile_ = tile;
    update();
}

void ProgressView::paintEvent(QPaintEvent*) {
    const int width = bar_.PixelWidth();
    if (width <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = std::min(height(), width) / 2.0;
    QPainterPath path;
    path.addRoundedRect(QRectF(0, 0, width, height()), radius, radius);
    if (tile_.isNull())
        painter.fillPath(path, palette().highlight());
    else
        painter.fillPath(path, QBrush(tile_));
}

}  // namespace kestrow::ui
