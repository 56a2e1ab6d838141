#pragma once
// One progress bar of the window: a rounded rectangle filled with a tiled
// picture, as wide as the bar's displayed progress (core::ProgressBar holds
// the 0..341 rules).

#include <QPixmap>
#include <QWidget>

#include "core/progress_bar.h"

namespace kestrow::ui {

class ProgressView : public QWidget {
    Q_OBJECT
  public:
    ProgressView(QWidget* parent, const char* name);

    void SetTile(const QPixmap& tile);
    core::ProgressBar& Bar() { return bar_; }
    const core::ProgressBar& Bar() const { return bar_; }
    // After any change of Bar().
    void Changed() { update(); }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    core::ProgressBar bar_;
    QPixmap tile_;
};

}  // namespace kestrow::ui
