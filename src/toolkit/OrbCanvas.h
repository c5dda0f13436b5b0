#pragma once
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>
#include <QVarLengthArray>
#include <optional>

namespace orb {

// A drawing surface in the toolkit's own coordinates: points with the origin at the
// bottom-left and y growing upward, angles in degrees counter-clockwise from the x axis.
// Every drawing primitive works through a canvas, so geometry is written exactly as the
// status-item layouts state it and the flip to the painter's y-down space happens here only.
//
// The flip is done on each coordinate, never with a mirroring transform: scale(1, -1)
// would mirror text and reverse the sense of arcs. Rectangles given to the canvas are
// (x, y, width, height) with (x, y) the bottom-left corner.
//
// Fills and one-to-one image copies that land whole on the pixel grid of a plain image are
// written straight into its pixels. A canvas made on an image begins its painter only when
// a drawing needs one, so a status image of bars, kept texts and kept pictures is drawn
// without one: begun on every redraw, the painter was most of a redraw's cost on a machine
// whose caches a second of sleep has emptied.
class OrbCanvas {
public:
    // `height` is the height of the drawing area in the painter's logical units.
    OrbCanvas(QPainter &painter, double height);
    // Draws into `image`, one logical unit a pixel; the painter is begun on first need.
    OrbCanvas(QImage &image, double height);
    ~OrbCanvas();
    OrbCanvas(const OrbCanvas &) = delete;
    OrbCanvas &operator=(const OrbCanvas &) = delete;

    // The painter, begun now if it was not yet, in the state the canvas was put in.
    QPainter &painter() const;
    // Whether a painter has been begun (or was given): tells a drawing that needed none.
    bool hasPainter() const { return painter_ != nullptr; }
    double height() const { return height_; }
    // The painter's world, window and device mapping to device pixels, its render hints.
    QTransform deviceTransform() const;
    QPainter::RenderHints renderHints() const;

    // Conversions to the painter's coordinates.
    QPointF point(double x, double y) const { return {x, height_ - y}; }
    QPointF point(const QPointF &p) const { return point(p.x(), p.y()); }
    QRectF rect(double x, double y, double w, double h) const { return {x, height_ - y - h, w, h}; }
    QRectF rect(const QRectF &r) const { return rect(r.x(), r.y(), r.width(), r.height()); }
    // Qt's arc angles already run counter-clockwise as seen on screen; since the canvas
    // never mirrors, an angle passes through unchanged. Kept as the one place that says so.
    static double angle(double degrees) { return degrees; }

    // Path building in canvas coordinates.
    void moveTo(QPainterPath &path, double x, double y) const { path.moveTo(point(x, y)); }
    void lineTo(QPainterPath &path, double x, double y) const { path.lineTo(point(x, y)); }
    // Arc of a circle round (cx, cy) from `startDegrees` through `sweepDegrees`
    // (positive = counter-clockwise), joined to the path's current point by a line.
    void arcTo(QPainterPath &path, double cx, double cy, double radius, double startDegrees,
               double sweepDegrees) const;
    // The ellipse inscribed in `r`, always added in the same direction so that nested
    // ellipses fill as one area under the winding rule.
    void addEllipse(QPainterPath &path, const QRectF &r) const { path.addEllipse(rect(r)); }

    // Whether drawings reach device pixels unchanged but for their place: Qt's raster engine,
    // moved or scaled at most, on a device without a pixel ratio of its own, blending source
    // over at full opacity. Then a drawing can be placed on the pixel grid by hand and copied.
    bool mapsStraightToPixels() const;
    // The image under the canvas when a drawing made now lands in it one unit a pixel,
    // unmoved, unsmoothed and written straight into its pixels; null otherwise.
    QImage *plainPixels() const;

    // Drawing state.
    void save() const;
    void restore() const;
    void setAntialiasing(bool on) const;
    bool antialiased() const;
    // The colour later fills and strokes use when none is given: painter pen and brush.
    void setCurrentColor(const QColor &color) const;
    QColor currentColor() const;

    void fillRect(const QRectF &r, const QColor &color) const;
    // `image` in the canvas rectangle `r`, scaled to it if need be.
    void drawImage(const QRectF &r, const QImage &image) const;
    // `image` (premultiplied, one pixel a pixel) with its top-left at device pixel `at`,
    // whatever the world transform: for pictures already placed on the pixel grid.
    void copyPixels(const QPoint &at, const QImage &image) const;
    // The image a blend made now may write straight into, one device pixel a pixel; null
    // when the painter's state rules it out.
    QImage *blendTarget() const { return straightTarget(); }
    // Strokes the outline of `r` centred on its edges, with mitred corners.
    void strokeRect(const QRectF &r, const QColor &color, double lineWidth) const;
    void fillPath(const QPainterPath &path, const QColor &color) const;
    // Strokes with butt ends and mitred joins.
    void strokePath(const QPainterPath &path, const QColor &color, double lineWidth) const;

    // Highlight rule of status items whose menu is open: any colour becomes white that
    // keeps the colour's own alpha.
    static QColor highlighted(const QColor &color);
    static QColor highlightedIf(const QColor &color, bool isHighLighted)
    {
        return isHighLighted ? highlighted(color) : color;
    }

private:
    // The state set before the painter is begun, one entry per save().
    struct PendingState {
        bool antialias = false;
        std::optional<QColor> color;
    };
    // The image to write into directly, or null when the painter's state rules it out.
    QImage *straightTarget() const;
    // Blends `image` at device pixel `at` straight into the pixels; false when it cannot be.
    bool blendStraight(const QPoint &at, const QImage &image) const;

    mutable QPainter *painter_ = nullptr;
    QImage *image_ = nullptr;
    mutable std::optional<QPainter> own_;
    mutable QVarLengthArray<PendingState, 4> pending_;
    double height_;
};

} // namespace orb
