#include "toolkit/OrbColors.h"

#include <atomic>
#include <cmath>

namespace orb {
namespace {

std::atomic<bool> gDarkAppearance{false};

QColor blend(const QColor &from, const QColor &to, float t)
{
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    auto mix = [t](float x, float y) { return std::clamp(x + (y - x) * t, 0.0f, 1.0f); };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                            mix(a.alphaF(), b.alphaF()));
}

QColor withAlpha(QColor c, double alphaDbl)
{
    if (alphaDbl > 0.0)
        c.setAlphaF(static_cast<float>(std::min(alphaDbl, 1.0)));
    return c;
}

QColor threeLevel(double fraction, const QVariantMap &d, const char *low, const char *wrn, const char *crt,
                  const char *gradientKey)
{
    return OrbColors::retGraphColor(fraction, OrbColors::colorFromValue(d.value(QLatin1String(low))),
                                    OrbColors::colorFromValue(d.value(QLatin1String(wrn))),
                                    OrbColors::colorFromValue(d.value(QLatin1String(crt))),
                                    d.value(QLatin1String(gradientKey)).toBool());
}

bool flag(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).toBool(); }

} // namespace

QColor OrbColors::retColorFromArray(const QVariant &array)
{
    if (array.typeId() != QMetaType::QVariantList)
        return QColor(Qt::transparent);
    const QVariantList list = array.toList();
    if (list.size() != 4)
        return QColor(Qt::transparent);
    float c[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const double v = list.at(i).toDouble(&ok);
        const int type = list.at(i).typeId();
        if (!ok || !std::isfinite(v) || type == QMetaType::QString || type == QMetaType::Bool)
            return QColor(Qt::transparent);
        c[i] = static_cast<float>(std::clamp(v, 0.0, 1.0));
    }
    return QColor::fromRgbF(c[0], c[1], c[2], c[3]);
}

QVariantList OrbColors::retArrayFromColor(const QColor &color)
{
    const QColor c = color.toRgb();
    return {double(c.redF()), double(c.greenF()), double(c.blueF()), double(c.alphaF())};
}

QColor OrbColors::colorFromValue(const QVariant &value)
{
    if (value.typeId() == QMetaType::QColor)
        return value.value<QColor>();
    return retColorFromArray(value);
}

QColor OrbColors::retGraphColor(double fraction, const QColor &lowClr, const QColor &wrnClr, const QColor &crtClr,
                                bool synthesis)
{
    if (std::isnan(fraction) || fraction < 0.7)
        return lowClr;
    if (fraction >= 0.9)
        return crtClr;
    if (!synthesis)
        return wrnClr;
    const float t = static_cast<float>((fraction - 0.7) / (0.9 - 0.7));
    return blend(wrnClr, crtClr, t);
}

QColor OrbColors::retTempGraphColor(double fraction, int coloredInt, double alphaDbl, const QVariantMap &d)
{
    QColor c = controlTextColor();
    if (fraction > 0.0 && (coloredInt == 1 || (coloredInt == 2 && flag(d, "Temp_ColoredMenu"))))
        c = threeLevel(fraction, d, "F01", "F02", "F03", "Temp_GradientColor");
    return withAlpha(c, alphaDbl);
}

QColor OrbColors::retFansGraphColor(double fraction, int coloredInt, double alphaDbl, const QVariantMap &d)
{
    QColor c = controlTextColor();
    if (coloredInt == 1 || (coloredInt == 2 && flag(d, "Fan_ColoredMenu")))
        c = threeLevel(fraction, d, "G01", "G02", "G03", "Fan_GradientColor");
    return withAlpha(c, alphaDbl);
}

QColor OrbColors::retGpuGraphColor(double fraction, int coloredInt, double alphaDbl, const QVariantMap &d)
{
    QColor c = controlTextColor();
    if (coloredInt == 1)
        c = threeLevel(fraction, d, "H01", "H02", "H03", "Gpu_GradientColor");
    return withAlpha(c, alphaDbl);
}

QColor OrbColors::retVolmGraphColor(double fraction, int coloredInt, double alphaDbl, const QVariantMap &d)
{
    QColor c = colorFromValue(d.value(QStringLiteral("E01")));
    if (coloredInt == 1 || (coloredInt == 2 && flag(d, "Vlms_ColoredValue")))
        c = threeLevel(fraction, d, "E05", "E06", "E07", "Vlms_GradientColor");
    return withAlpha(c, alphaDbl);
}

QColor OrbColors::batteryRed() { return QColor(208, 1, 1); }
QColor OrbColors::batteryYellow() { return QColor(208, 178, 0); }
QColor OrbColors::batteryGreen() { return QColor(1, 208, 6); }

QColor OrbColors::retBatteryRemainColor(double r, double lo, double up)
{
    if (std::isnan(r) || r < lo)
        return batteryRed();
    if (r >= up)
        return batteryGreen();
    const double mid = (up - lo) * 0.5 + lo;
    if (r < mid)
        return blend(batteryRed(), batteryYellow(), static_cast<float>((r - lo) / (mid - lo)));
    return blend(batteryYellow(), batteryGreen(), static_cast<float>((r - mid) / (up - mid)));
}

OrbShadow OrbColors::retNormalTextShadow(const QColor &shadowColor)
{
    return {shadowColor, 0.5, QPointF(0.0, -0.25)};
}

OrbShadow OrbColors::retPiledTextShadow(const QColor &shadowColor)
{
    return {shadowColor, 1.0, QPointF(0.0, -1.25)};
}

QColor OrbColors::controlTextColor()
{
    return gDarkAppearance.load(std::memory_order_relaxed) ? QColor::fromRgbF(1, 1, 1, 0.85f)
                                                            : QColor::fromRgbF(0, 0, 0, 0.85f);
}

void OrbColors::setDarkAppearance(bool dark) { gDarkAppearance.store(dark, std::memory_order_relaxed); }

bool OrbColors::darkAppearance() { return gDarkAppearance.load(std::memory_order_relaxed); }

} // namespace orb
