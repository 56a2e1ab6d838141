#pragma once
// The launcher's message boxes ("Программа уже запущена!", the catalogue
// errors): the launcher's caption, the skin's panel and its gold OK button.

#include <QMessageBox>
#include <QString>
#include <memory>

namespace kestrow::ui {

std::unique_ptr<QMessageBox> MakeSkinMessageBox(QWidget* parent, const QString& text);

// Modal: returns once the player has closed it.
void ShowSkinMessage(QWidget* parent, const QString& text);

}  // namespace kestrow::ui
