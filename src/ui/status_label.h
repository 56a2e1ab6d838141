#pragma once
// A one-line label of fixed width: a text too long for it is cut after the last
// character that fits and ended with an ellipsis; it never wraps and never
// resizes itself. Text() keeps the whole text.

#include <QLabel>
#include <QString>

namespace kestrow::ui {

class StatusLabel : public QLabel {
    Q_OBJECT
  public:
    StatusLabel(QWidget* parent, const char* name);

    void SetText(const QString& text);
    const QString& Text() const { return full_text_; }
    // What the label shows: the text, or its cut form.
    QString ShownText() const { return QLabel::text(); }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void Render();
    QString full_text_;
};

}  // namespace kestrow::ui
