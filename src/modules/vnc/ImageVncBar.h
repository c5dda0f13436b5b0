#pragma once
#include <QColor>
#include <QIcon>
#include <QImage>

namespace orb {

// The screen-sharing item's pictures: a screen on its stand, drawn as a shape (template
// image) so the panel can colour it; the menu's server icons, and a variant with signal arcs
// for servers found on the local network.
class ImageVncBar {
public:
    // The glyph's box and the item's margins either side, in points.
    static constexpr double kGlyph = 18.0;
    static constexpr double kMargin = 2.0;

    // The status image: (glyph + margins) × `height` points at two pixels per point, the
    // glyph centred, in `colour`.
    static QImage statusImage(double height, const QColor &colour);
    // 18 × 18 point menu icons in `colour`.
    static QIcon serverIcon(const QColor &colour);
    static QIcon discoveredIcon(const QColor &colour);
    // The glyph alone, `discovered` adding the arcs (tests look at its pixels).
    static QImage glyph(const QColor &colour, bool discovered);
};

} // namespace orb
