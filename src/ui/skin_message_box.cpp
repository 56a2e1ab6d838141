#include "ui/skin_message_box.h"

#include "ui/skin_style.h"
#include "ui/tform1.h"

namespace kestrow::ui {

std::unique_ptr<QMessageBox> MakeSkinMessageBox(QWidget* parent, const QString& text) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::NoIcon, QString::fromUtf8(kWindowCaption),
                                             text, QMessageBox::Ok, parent);
    box->setStyleSheet(QString::fromLatin1(kSkinMessageBoxStyle) +
                       QString::fromLatin1(kSkinButtonStyle));
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
        ok->setCursor(Qt::PointingHandCursor);
    return box;
}

void ShowSkinMessage(QWidget* parent, const QString& text) {
    MakeSkinMessageBox(parent, text)->exec();
}

}  // namespace kestrow::ui
