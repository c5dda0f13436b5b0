#pragma once
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QTransform>

namespace orb {

// Fills and one-to-one copies written straight into premultiplied 32-bit pixels, for
// drawings that land whole on the pixel grid. The arithmetic is the raster painter's own
// source-over blend, so the pixels are the ones the painter would write; what is saved is
// the painter: begun on every redraw of a status image, its code is most of what a redraw
// brings back into a cache that a second of sleep has emptied.
class OrbPixelOps {
public:
    // Where the painter puts an unsmoothed rectangle fill: the mapped edges rounded to
    // whole pixels.
    static QRect pixelsOf(const QRectF &logical, const QTransform &toDevice);
    // Fills `r` (clipped to the image) with `color` blended over what is there.
    // `image` is Format_ARGB32_Premultiplied.
    static void fill(QImage &image, const QRect &r, const QColor &color);
    // Blends `source` (Format_ARGB32_Premultiplied) over `image` with its top-left at `at`,
    // clipped to the image.
    static void blend(QImage &image, const QPoint &at, const QImage &source);
    // Blends `colour` (premultiplied) through the coverage `mask` (Format_Alpha8) over `image`
    // with the mask's top-left at `at`, clipped to the image: as the raster engine blends a
    // glyph's coverage.
    static void blendMask(QImage &image, const QPoint &at, const QImage &mask, quint32 colour);
    // The colour as the painter premultiplies it for a fill or a pen.
    static quint32 premultiplied(const QColor &color);
    // The smallest rectangle of `area` (inside a premultiplied 32-bit `image`) that holds
    // every pixel not fully transparent; null when there is none.
    static QRect paintedRect(const QImage &image, const QRect &area);
};

} // namespace orb
