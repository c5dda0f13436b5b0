#pragma once
#include <QColor>
#include <QPointF>
#include <QVariant>
#include <QVariantMap>
#include <optional>

namespace orb {

// A text shadow; the offset is in points with y pointing up (negative y = below the text).
struct OrbShadow {
    QColor color;
    double blurRadius = 0.0;
    QPointF offset;
    // A transparent shadow draws nothing.
    static bool visible(const std::optional<OrbShadow> &shadow) { return shadow && shadow->color.alpha() > 0; }
};

// Stateless colour rules: stored colour arrays, three-level colours by fraction of a
// limit, the battery colour ramp and the status-bar text shadows.
class OrbColors {
public:
    OrbColors() = delete;

    // [r, g, b, a] in 0..1 (numbers) to a colour; anything but exactly four numbers gives
    // a fully transparent colour. Components are clamped to 0..1.
    static QColor retColorFromArray(const QVariant &array);
    // The reverse: four reals.
    static QVariantList retArrayFromColor(const QColor &color);
    // A colour from a settings dictionary value: a QColor, or a colour array.
    static QColor colorFromValue(const QVariant &value);

    // Below 0.7 low, 0.9 and above critical, in between warning (or, with `synthesis`,
    // a blend from warning toward critical). NaN counts as low.
    static QColor retGraphColor(double fraction, const QColor &lowClr, const QColor &wrnClr,
                                const QColor &crtClr, bool synthesis);

    // Module colours. coloredInt 1 = always graded, 2 = graded only when the module's
    // menu colouring flag is on. alphaDbl > 0 replaces the colour's alpha.
    static QColor retTempGraphColor(double fraction, int coloredInt, double alphaDbl, const QVariantMap &myDefaults);
    static QColor retFansGraphColor(double fraction, int coloredInt, double alphaDbl, const QVariantMap &myDefaults);
    static QColor retGpuGraphColor(double fraction, int coloredInt, double alphaDbl, const QVariantMap &myDefaults);
    static QColor retVolmGraphColor(double fraction, int coloredInt, double alphaDbl, const QVariantMap &myDefaults);

    // Red below `lowDbl`, green from `uppDbl`, red→yellow→green in between.
    static QColor retBatteryRemainColor(double remain, double lowDbl, double uppDbl);
    static QColor batteryRed();
    static QColor batteryYellow();
    static QColor batteryGreen();

    static OrbShadow retNormalTextShadow(const QColor &shadowColor);
    static OrbShadow retPiledTextShadow(const QColor &shadowColor);

    // The default text colour of the menu bar's current appearance (dark or light),
    // set by whoever tracks the appearance; light until told otherwise.
    static QColor controlTextColor();
    static void setDarkAppearance(bool dark);
    static bool darkAppearance();
};

} // namespace orb
