#pragma once
#include <QColor>
#include <QWidget>

class QVariantAnimation;

namespace orb {

// A small horizontal level used in menu rows (volume usage, device battery): a rounded,
// faintly tinted box whose fill grows from the left, animated over 0.15 s.
class OrbLevelIndicator : public QWidget {
    Q_OBJECT
public:
    // `pullDownMenuDarkMode`: whether menus use the dark appearance (border and background).
    explicit OrbLevelIndicator(bool pullDownMenuDarkMode = false, QWidget *parent = nullptr);

    // Fills `value` (clamped to 0..1; NaN counts as 0) of the width with `fillColor`.
    void setCurrentValue(float value, const QColor &fillColor);

    void setPullDownMenuDarkMode(bool dark);
    bool pullDownMenuDarkMode() const { return dark_; }

    // Width the fill is animating towards, and the width shown now.
    double targetFillWidth() const { return targetWidth_; }
    double currentFillWidth() const { return fillWidth_; }
    QColor fillColor() const { return fillColor_; }
    QColor borderColor() const;
    QColor backgroundColor() const;

    static constexpr int kAnimationMs = 150;
    static constexpr double kCornerRadius = 2.0;
    static constexpr double kBorderWidth = 1.0;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool dark_;
    bool styled_ = false; // becomes true on the first value, as the box is shown only then
    float value_ = 0.0f;
    double fillWidth_ = 0.0;
    double targetWidth_ = 0.0;
    QColor fillColor_ = Qt::transparent;
    QVariantAnimation *animation_ = nullptr;
};

} // namespace orb
