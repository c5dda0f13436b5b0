#pragma once
#include <QColor>

class QPalette;

namespace orb {

// Colours of our own menu-bar strip for the current appearance: the theme's window colour
// when it has the appearance's lightness and leaves the items' glyphs and texts readable
// (contrast at least 4.5:1), else a plain light or dark bar.
struct PanelColours {
    QColor background;
    QColor text;
    QColor highlight;

    // `glyphs`: the colour the items draw their labels and texts in for this appearance.
    static PanelColours forAppearance(bool dark, const QPalette &palette, const QColor &glyphs);
    // WCAG contrast ratio of two opaque colours, 1 to 21.
    static double contrast(const QColor &a, const QColor &b);

    static constexpr double kMinimumContrast = 4.5;
    bool operator==(const PanelColours &other) const = default;
};

} // namespace orb
