#include "ui/status_label.h"

#include <QFontMetrics>

namespace kestrow::ui {

StatusLabel::StatusLabel(QWidget* parent, const char* name) : QLabel(parent) {
    setObjectName(QString::fromLatin1(name));
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void StatusLabel::SetText(const QString& text) {
    full_text_ = text;
    Render();
}

void StatusLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    Render();
}

void StatusLabel::Render() {
    const QFontMetrics metrics(font());
    QLabel::setText(metrics.elidedText(full_text_, Qt::ElideRight, contentsRect().width()));
}

}  // namespace kestrow::ui
