#pragma once
#include "toolkit/OrbCanvas.h"
#include "toolkit/ShapedTextCache.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QString>
#include <optional>
#include <vector>

class QPainter;

namespace orb {

struct OrbShadow;

// Texts already drawn, with their shadow, into small images. Status images draw the same
// few strings on most redraws, and blending glyph by glyph was the larger part of drawing
// them; a drawn text is copied instead. Used on the GUI thread only, for canvases that
// draw one to one into pixels; everything else draws the glyphs directly.
class RenderedTextCache {
public:
    // Draws `shaped` (the layout of `text` in `font`) with its line's top-left at `top` in
    // the painter's coordinates; false when the canvas is not one the cache serves, and
    // nothing was drawn.
    static bool draw(const OrbCanvas &canvas, const ShapedTextCache::Shaped &shaped, const QString &text,
                     const QFont &font, const QColor &foreground, const std::optional<OrbShadow> &shadow,
                     const QPointF &top);

    // Draws the glyphs directly: the shadow's runs offset by its offset, then the text's.
    static void drawGlyphs(QPainter &painter, const ShapedTextCache::Shaped &shaped, const QColor &foreground,
                           const std::optional<OrbShadow> &shadow, const QPointF &top);

private:
    struct Key {
        QString text;
        quint64 fontId = 0; // ShapedTextCache's
        QRgb foreground = 0;
        QRgb shadow = 0;
        int shadowDx = 0, shadowDy = 0; // 1/64 pixel
        int fractionX = 0, fractionY = 0; // 1/64 pixel: glyph placement depends on it
        int hints = 0;
        bool operator==(const Key &) const = default;
    };
    friend size_t qHash(const Key &key, size_t seed);
    // A drawn text cut down to its painted pixels, and where they start in the padded box
    // it was drawn in: copying transparent pixels costs as much as copying the glyphs'.
    struct Rendered {
        QImage image;
        QPoint offset;
        quint64 used = 0;
    };
    static Rendered cropped(const QImage &drawn);
    // A cleared image of at least `width` x `height` pixels to draw a new text in. Sizes are
    // rounded up so a few images serve every text; each keeps the paint engine it was first
    // drawn with, which would otherwise be set up again for every new text.
    QImage &scratch(int width, int height);

    // Kept small whatever the texts: when full, the half used longest ago goes.
    static constexpr qsizetype kMaxImages = 256;
    QHash<Key, Rendered> images_;
    quint64 useClock_ = 0;
    static constexpr std::size_t kMaxScratch = 8;
    std::vector<QImage> scratch_;
};

} // namespace orb
