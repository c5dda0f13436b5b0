#pragma once
#include "toolkit/GlyphComposer.h"
#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbTextAttributes.h"
#include "toolkit/ShapedTextCache.h"

#include <QRectF>
#include <QSizeF>
#include <QString>

namespace orb {

// Text placed inside a frame by a vertical and a horizontal code.
//   vAlign: 0 centred in the upper half, 1 centred in the whole frame, 2 centred in the
//           lower half, anything else on the bottom edge.
//   hAlign: 0 left, 1 centred, 2 right, anything else left.
class OrbDrawText {
public:
    // Sets the attributes' foreground to `textColor` (white, with the shadow dropped,
    // under highlight), measures the text and draws it with its bottom-left corner at
    // textOrigin(). Draws in the caller's drawing state.
    static void orbDrawString(const OrbCanvas &canvas, const QString &text, int vAlign, int hAlign,
                              const QColor &textColor, OrbTextAttributes &attributes,
                              const QRectF &frame, int ajustY, bool isHighLighted);

    // Bottom-left corner, in canvas coordinates, of a text of `textSize` placed in `frame`;
    // `ajustY` whole points are subtracted from y.
    static QPointF textOrigin(const QSizeF &textSize, int vAlign, int hAlign, const QRectF &frame,
                              int ajustY);

    // Width and height of `text` in `font`: advance width and line height (ascent + descent).
    static QSizeF textSize(const QString &text, const QFont &font);

    // Draws `text` with its bottom-left corner at (x, y) in canvas coordinates, shadow first.
    static void drawTextAt(const OrbCanvas &canvas, const QString &text,
                           const OrbTextAttributes &attributes, double x, double y);

private:
    // Draws a text the composer measured, as drawShapedAt does; false when the canvas is not
    // one it serves, and nothing was drawn.
    static bool drawComposedAt(const OrbCanvas &canvas, const GlyphComposer::Line &line, const QString &text,
                               const OrbTextAttributes &attributes, double x, double y);
    // The same with `text` laid out already in the attributes' font.
    static void drawShapedAt(const OrbCanvas &canvas, const ShapedTextCache::Shaped &shaped, const QString &text,
                             const OrbTextAttributes &attributes, double x, double y);
};

} // namespace orb
