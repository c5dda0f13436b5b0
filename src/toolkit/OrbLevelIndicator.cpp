#include "toolkit/OrbLevelIndicator.h"

#include <QPainter>
#include <QPainterPath>
#include <QVariantAnimation>
#include <algorithm>
#include <cmath>

namespace orb {

OrbLevelIndicator::OrbLevelIndicator(bool pullDownMenuDarkMode, QWidget *parent)
    : QWidget(parent), dark_(pullDownMenuDarkMode), animation_(new QVariantAnimation(this))
{
    animation_->setDuration(kAnimationMs);
    connect(animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant &width) {
        fillWidth_ = width.toDouble();
        update();
    });
}

void OrbLevelIndicator::setCurrentValue(float value, const QColor &fillColor)
{
    styled_ = true;
    value_ = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f);
    fillColor_ = fillColor;
    targetWidth_ = static_cast<double>(value_) * width();

    animation_->stop();
    animation_->setStartValue(fillWidth_);
    animation_->setEndValue(targetWidth_);
    animation_->start();
    update();
}

void OrbLevelIndicator::setPullDownMenuDarkMode(bool dark)
{
    dark_ = dark;
    update();
}

QColor OrbLevelIndicator::borderColor() const
{
    return dark_ ? QColor::fromRgbF(0.f, 0.f, 0.f, 0.2f) : QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.2f);
}

QColor OrbLevelIndicator::backgroundColor() const
{
    return dark_ ? QColor::fromRgbF(1.f, 1.f, 1.f, 0.07f) : QColor::fromRgbF(0.f, 0.f, 0.f, 0.07f);
}

void OrbLevelIndicator::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The level is a share of the width: follow a resize without animating.
    animation_->stop();
    targetWidth_ = static_cast<double>(value_) * width();
    fillWidth_ = targetWidth_;
}

void OrbLevelIndicator::paintEvent(QPaintEvent *)
{
    if (!styled_)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    const QRectF box = rect();
    QPainterPath rounded;
    rounded.addRoundedRect(box, kCornerRadius, kCornerRadius);
    p.fillPath(rounded, backgroundColor());
    if (fillWidth_ > 0.0)
        p.fillRect(QRectF(box.x(), box.y(), fillWidth_, box.height()), fillColor_);
    // The border lies inside the bounds and over the level, as on a layer.
    QPainterPath border;
    const double inset = kBorderWidth / 2.0;
    border.addRoundedRect(box.adjusted(inset, inset, -inset, -inset), kCornerRadius - inset,
                          kCornerRadius - inset);
    p.strokePath(border, QPen(borderColor(), kBorderWidth));
}

} // namespace orb
