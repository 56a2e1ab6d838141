#include "ui/skin_image.h"

#include "ui/skin_resources.h"

#include <QEasingCurve>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace kestrow::ui {
namespace {
qreal Limited(double value) {
    if (std::isnan(value))
        return 0.0;
    return std::clamp(value, 0.0, 1.0);
}
}  // namespace

SkinImage::SkinImage(QWidget* parent, const char* name) : QWidget(parent), fade_(this, "Opacity") {
    setObjectName(QString::fromLatin1(name));
    setAttribute(Qt::WA_TranslucentBackground);
    fade_.setDuration(kFadeMilliseconds);
    fade_.setEasingCurve(QEasingCurve::Linear);
}

void SkinImage::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void SkinImage::SetOpacity(qreal value) {
    const qreal limited = Limited(value);
    if (limited == opacity_)
        return;
    opacity_ = limited;
    update();
}

void SkinImage::SetReceivesPointer(bool receives) {
    setAttribute(Qt::WA_TransparentForMouseEvents, !receives);
}

bool SkinImage::ReceivesPointer() const {
    return !testAttribute(Qt::WA_TransparentForMouseEvents);
}

void SkinImage::AnimateTo(double val) {
    const qreal target = Limited(val);
    fade_.stop();
    // The tolerance keeps 0.99 -> 1 a direct set despite binary fractions.
    if (std::abs(opacity_ - target) <= kFadeDirectSetDistance + 1e-9) {
        SetOpacity(target);
        return;
    }
    fade_.setStartValue(opacity_);
    fade_.setEndValue(target);
    fade_.start();
}

void SkinImage::paintEvent(QPaintEvent*) {
    if (picture_.isNull() || opacity_ <= 0.0)
        return;
    QPainter painter(this);
    painter.setOpacity(opacity_);
    painter.drawPixmap(0, 0, picture_);
}

void SkinImage::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    // Qt reports the pointer entering a disabled control too.
    if (isEnabled())
        emit PointerEntered();
}

void SkinImage::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // A control disabled under the pointer lets go of its hover face.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && underMouse())
        emit PointerLeft();
}

void SkinImage::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    emit PointerLeft();
}

void SkinImage::mousePressEvent(QMouseEvent* event) {
    // Taken here whatever the button, so a press never reaches the background.
    event->accept();
    emit PointerPressed(event->button());
}

void SkinImage::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    emit PointerReleased(event->button(), rect().contains(event->position().toPoint()));
}

void AnimateButton(SkinImage* img, double val) {
    if (img)
        img->AnimateTo(val);
}

void LoadImageResource(SkinImage* control, const QString& name) {
    QPixmap picture = SkinPicture(name);
    if (control)
        control->SetPicture(picture);
}

}  // namespace kestrow::ui
