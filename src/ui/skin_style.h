#pragma once
// Style sheets that dress Qt's standard widgets in the skin: the dark panel,
// light text and the gold of the drawn buttons, instead of the platform's
// light grey.

namespace kestrow::ui {

// A push button like the skin's gold buttons.
inline constexpr char kSkinButtonStyle[] = R"(
QPushButton {
  color: #1a1205; font-size: 11px; font-weight: 700;
  background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #f6cf74, stop: 1 #c48f33);
  border: 1px solid #8f6018; border-radius: 5px; padding: 2px 12px;
}
QPushButton:hover {
  background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fbe0a0, stop: 1 #d9a441);
}
QPushButton:pressed {
  background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #b8802a, stop: 1 #8f6018);
}
)";

// Thin dark scroll bars with a handle that turns gold under the pointer.
inline constexpr char kSkinScrollBarStyle[] = R"(
QScrollBar:vertical { background: #0d1117; width: 10px; margin: 2px 1px; border: none; }
QScrollBar:horizontal { background: #0d1117; height: 10px; margin: 1px 2px; border: none; }
QScrollBar::handle { background: #3a4658; border-radius: 3px; }
QScrollBar::handle:vertical { min-height: 24px; }
QScrollBar::handle:horizontal { min-width: 24px; }
QScrollBar::handle:hover, QScrollBar::handle:pressed { background: #d9a441; }
QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; border: none; }
QScrollBar::add-page, QScrollBar::sub-page { background: none; }
)";

// A message box on the skin's panel.
inline constexpr char kSkinMessageBoxStyle[] = R"(
QMessageBox { background: #171d27; border: 1px solid #343f51; }
QMessageBox QLabel { color: #e9edf4; font-size: 12px; }
)";

}  // namespace kestrow::ui
