#include "toolkit/OrbDrawText.h"

#include "toolkit/GlyphComposer.h"
#include "toolkit/RenderedTextCache.h"
#include "toolkit/ShapedTextCache.h"

namespace orb {

void OrbDrawText::orbDrawString(const OrbCanvas &canvas, const QString &text, int vAlign, int hAlign,
                                const QColor &textColor, OrbTextAttributes &attributes,
                                const QRectF &frame, int ajustY, bool isHighLighted)
{
    if (isHighLighted) {
        attributes.foregroundColor = Qt::white;
        attributes.shadow.reset();
    } else {
        attributes.foregroundColor = textColor;
    }
    if (const std::optional<GlyphComposer::Line> line = GlyphComposer::measure(text, attributes.font)) {
        const QPointF origin = textOrigin(line->size, vAlign, hAlign, frame, ajustY);
        if (drawComposedAt(canvas, *line, text, attributes, origin.x(), origin.y()))
            return;
    }
    const ShapedTextCache::Shaped shaped = ShapedTextCache::shaped(text, attributes.font);
    const QPointF origin = textOrigin(shaped.size, vAlign, hAlign, frame, ajustY);
    drawShapedAt(canvas, shaped, text, attributes, origin.x(), origin.y());
}

QPointF OrbDrawText::textOrigin(const QSizeF &textSize, int vAlign, int hAlign, const QRectF &frame,
                                int ajustY)
{
    const double x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();
    const double tw = textSize.width(), th = textSize.height();

    double left = x;
    if (hAlign == 2)
        left = x + (w - tw);
    else if (hAlign == 1)
        left = x + (w - tw) / 2.0;

    double bottom = y;
    if (vAlign == 0)
        bottom = y + h / 2.0 + (h / 2.0 - th) / 2.0;
    else if (vAlign == 1)
        bottom = y + (h - th) / 2.0;
    else if (vAlign == 2)
        bottom = y + (h / 2.0 - th) / 2.0;

    return {left, bottom - static_cast<double>(ajustY)};
}

QSizeF OrbDrawText::textSize(const QString &text, const QFont &font)
{
    if (const std::optional<GlyphComposer::Line> line = GlyphComposer::measure(text, font))
        return line->size;
    return ShapedTextCache::shaped(text, font).size;
}

void OrbDrawText::drawTextAt(const OrbCanvas &canvas, const QString &text,
                             const OrbTextAttributes &attributes, double x, double y)
{
    if (const std::optional<GlyphComposer::Line> line = GlyphComposer::measure(text, attributes.font))
        if (drawComposedAt(canvas, *line, text, attributes, x, y))
            return;
    drawShapedAt(canvas, ShapedTextCache::shaped(text, attributes.font), text, attributes, x, y);
}

bool OrbDrawText::drawComposedAt(const OrbCanvas &canvas, const GlyphComposer::Line &line, const QString &text,
                                 const OrbTextAttributes &attributes, double x, double y)
{
    // Placed as a laid-out line is (see below).
    const QPointF top = canvas.point(x, y + line.descent) - QPointF(0.0, line.ascent);
    return GlyphComposer::draw(canvas, text, attributes.font, attributes.foregroundColor, attributes.shadow, top);
}

void OrbDrawText::drawShapedAt(const OrbCanvas &canvas, const ShapedTextCache::Shaped &shaped, const QString &text,
                               const OrbTextAttributes &attributes, double x, double y)
{
    if (shaped.runs.isEmpty())
        return; // an empty text: nothing to draw, and no painter to begin for it
    // The baseline sits one descent above the bottom edge of the text's line box; the glyph
    // runs are placed from the line's top.
    const QPointF top = canvas.point(x, y + shaped.descent) - QPointF(0.0, shaped.ascent);

    if (!RenderedTextCache::draw(canvas, shaped, text, attributes.font, attributes.foregroundColor, attributes.shadow,
                                 top))
        RenderedTextCache::drawGlyphs(canvas.painter(), shaped, attributes.foregroundColor, attributes.shadow, top);
}

} // namespace orb
