#pragma once
// The change-log window: the service's list of changes as read-only text with
// an OK button. Every showing fetches the text afresh; the window appears
// once the text, or the failure's message, is there.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace kestrow::ui {

inline constexpr int kChangeLogWidth = 400;
inline constexpr int kChangeLogHeight = 400;
inline constexpr char kChangeLogCaption[] = "ChangeLogs";
inline constexpr char kChangeLogBackground[] = ":/skin/changelog_background.png";

class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // Showing a hidden window runs FormShow first.
    void setVisible(bool visible) override;

  private:
    // Fetches core::Launcher().g_ChangeLogs into Memo1. False when the window
    // was destroyed while the request ran.
    bool FormShow();
    void Button1Click();
    // The first showing is centred on the parent (else the active window),
    // whatever position was set before; later ones stay where they are put.
    void PlaceFirstShowing();

    QLabel* Image1;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    bool placed_ = false;
    bool fetching_ = false;
};

}  // namespace kestrow::ui
