#include "toolkit/OrbDrawGraph.h"

#include <algorithm>
#include <cmath>

namespace orb {

void OrbDrawGraph::orbDrawEmptyUnderLine(const OrbCanvas &canvas, const QColor &color, double myX,
                                         double myY, double myWidth)
{
    // Half a point may be less than one device pixel, and aliased filling rounds such a
    // sliver away at some positions; the line must always show, so it is at least one pixel.
    const double scale = std::abs(canvas.deviceTransform().m22());
    const double height = scale > 0.0 ? std::max(0.5, 1.0 / scale) : 0.5;
    canvas.save();
    canvas.setAntialiasing(false);
    canvas.fillRect(QRectF(myX, myY, myWidth, height), color);
    canvas.restore();
}

void OrbDrawGraph::orbDrawGraphWithLine(const OrbCanvas &canvas, double previous, double now,
                                        double processX, double offsetY, bool isBoldLine)
{
    // Called once per sample on every redraw: a plain line with a pen avoids building a path.
    QPainter &p = canvas.painter();
    const QPen previousPen = p.pen();
    QPen pen(previousPen.color(), isBoldLine ? 3.0 : 1.5);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    p.setPen(pen);
    p.drawLine(canvas.point(processX, previous + offsetY), canvas.point(processX - 2.0, now + offsetY));
    p.setPen(previousPen);
}

} // namespace orb
