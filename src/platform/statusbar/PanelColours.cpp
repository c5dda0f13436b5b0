#include "platform/statusbar/PanelColours.h"

#include <QPalette>
#include <algorithm>
#include <cmath>

namespace orb {

namespace {
double luminance(const QColor &c)
{
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

bool looksDark(const QColor &c) { return luminance(c) < 0.18; }
} // namespace

double PanelColours::contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

PanelColours PanelColours::forAppearance(bool dark, const QPalette &palette, const QColor &glyphs)
{
    PanelColours c;
    c.text = dark ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x1d, 0x1d, 0x1f);
    c.highlight = QColor(0x3a, 0x6e, 0xd0);
    const QColor plain = dark ? QColor(0x22, 0x24, 0x28) : QColor(0xec, 0xec, 0xec);
    QColor themed = palette.color(QPalette::Active, QPalette::Window);
    themed.setAlpha(255);
    const bool fits = themed.isValid() && looksDark(themed) == dark && contrast(themed, c.text) >= kMinimumContrast
        && (!glyphs.isValid() || contrast(themed, glyphs) >= kMinimumContrast);
    c.background = fits ? themed : plain;
    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    if (highlight.isValid() && contrast(highlight, c.background) >= 1.5)
        c.highlight = highlight;
    return c;
}

} // namespace orb
