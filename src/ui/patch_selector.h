#pragma once
// The patch-variant list (cbSelectPatch): the chosen entry shown whole, or cut
// with an ellipsis where it cannot fit; the open list as wide as its longest
// entry.

#include <QComboBox>
#include <QString>

namespace kestrow::ui {

class PatchSelector : public QComboBox {
    Q_OBJECT
  public:
    PatchSelector(QWidget* parent, const char* name);

    // What the closed list shows of its current entry.
    QString ShownText() const;
    void showPopup() override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int TextWidth() const;
};

}  // namespace kestrow::ui
