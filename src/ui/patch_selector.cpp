#include "ui/patch_selector.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

namespace kestrow::ui {

PatchSelector::PatchSelector(QWidget* parent, const char* name) : QComboBox(parent) {
    setObjectName(QString::fromLatin1(name));
    view()->setTextElideMode(Qt::ElideRight);
}

int PatchSelector::TextWidth() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
        .width();
}

QString PatchSelector::ShownText() const {
    return fontMetrics().elidedText(currentText(), Qt::ElideRight, TextWidth());
}

void PatchSelector::showPopup() {
    // The list's own margins and a scroll bar's room beside the longest entry.
    const QFontMetrics metrics(view()->font());
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    view()->setMinimumWidth(widest + 2 * view()->frameWidth() + 24);
    QComboBox::showPopup();
}

void PatchSelector::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = ShownText();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace kestrow::ui
