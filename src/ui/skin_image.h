#pragma once
// An image control of the skinned window: a picture drawn at an opacity, with
// the 0.18-second linear fade of AnimateButton, and the pointer events a hit
// control reports.

#include <QPixmap>
#include <QPropertyAnimation>
#include <QWidget>

namespace kestrow::ui {

inline constexpr int kFadeMilliseconds = 180;
// A fade towards a value this close is a direct set.
inline constexpr double kFadeDirectSetDistance = 0.01;

class SkinImage : public QWidget {
    Q_OBJECT
    Q_PROPERTY(qreal Opacity READ Opacity WRITE SetOpacity)

  public:
    explicit SkinImage(QWidget* parent, const char* name);

    const QPixmap& Picture() const { return picture_; }
    void SetPicture(const QPixmap& picture);

    qreal Opacity() const { return opacity_; }
    // Limited to 0..1 (overlays of the window are created with that limit).
    void SetOpacity(qreal value);

    // Hit controls take the pointer; overlays and block pictures let it through.
    void SetReceivesPointer(bool receives);
    bool ReceivesPointer() const;

    // AnimateButton: towards val limited to 0..1; within 0.01 of it the opacity
    // is set at once, otherwise a linear fade of 0.18 s from the current value.
    // A fade still running is replaced by the new one.
    void AnimateTo(double val);
    // The fade object (running or not), for whoever needs to watch it.
    QPropertyAnimation& Fade() { return fade_; }

  signals:
    // Only while enabled.
    void PointerEntered();
    void PointerLeft();
    void PointerPressed(Qt::MouseButton button);
    // A release of the button that was pressed on this control; over_control
    // tells whether it happened over the control (a click when it is the left one).
    void PointerReleased(Qt::MouseButton button, bool over_control);

  protected:
    void paintEvent(QPaintEvent* event) override;
    // A disabled control neither lights up nor reacts.
    void enterEvent(QEnterEvent* event) override;
    void changeEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QPixmap picture_;
    qreal opacity_ = 1.0;
    QPropertyAnimation fade_;
};

// AnimateButton(img, val): nothing when img is absent.
void AnimateButton(SkinImage* img, double val);

// LoadImageResource: the named skin picture into the control; an absent
// control is skipped (the name is still checked). Throws SkinResourceError.
void LoadImageResource(SkinImage* control, const QString& name);

}  // namespace kestrow::ui
