#pragma once
#include <QColor>
#include <QPainter>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>

namespace orb {

// A drawing surface in the toolkit's own coordinates: points with the origin at the
// bottom-left and y growing upward, angles in degrees counter-clockwise from the x axis.
// Every drawing primitive works through a canvas, so geometry is written exactly as the
// status-item layouts state it and the flip to the painter's y-down space happens here only.
//
// The flip is done on each coordinate, never with a mirroring transform: scale(1, -1)
// would mirror text and reverse the sense of arcs. Rectangles given to the canvas are
// (x, y, width, height) with (x, y) the bottom-left corner.
class OrbCanvas {
public:
    // `height` is the height of the drawing area in the painter's logical units.
    OrbCanvas(QPainter &painter, double height);

    QPainter &painter() const { return *painter_; }
    double height() const { return height_; }

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

    // Whether the painter is Qt's raster engine writing straight into device pixels, moved or
    // scaled at most, on a device without a pixel ratio of its own: then a drawing can be
    // placed on the pixel grid by hand, with the world transform reset.
    bool mapsStraightToPixels() const;

    // Drawing state.
    void save() const { painter_->save(); }
    void restore() const { painter_->restore(); }
    void setAntialiasing(bool on) const { painter_->setRenderHint(QPainter::Antialiasing, on); }
    // The colour later fills and strokes use when none is given: painter pen and brush.
    void setCurrentColor(const QColor &color) const;
    QColor currentColor() const { return painter_->pen().color(); }

    void fillRect(const QRectF &r, const QColor &color) const;
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
    QPainter *painter_;
    double height_;
};

} // namespace orb
