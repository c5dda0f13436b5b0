#include "toolkit/OrbDrawMeters.h"

#include <cmath>

namespace orb {

void OrbDrawMeters::orbDrawLevelBar(const OrbCanvas &canvas, std::span<const OrbMeterItem> items,
                                    const QRectF &frame, bool isHighLighted)
{
    if (items.empty())
        return;
    const double x = frame.x(), y = frame.y(), w = frame.width(), h = frame.height();

    canvas.save();
    canvas.setAntialiasing(false);
    double cursor = y + 2.0;
    for (const OrbMeterItem &item : items) {
        const QColor color = OrbCanvas::highlightedIf(item.color, isHighLighted);
        canvas.setCurrentColor(color);
        if (item.isFrame()) {
            canvas.strokeRect(QRectF(x + 1.0, y + 1.0, w - 2.0, h - 2.0), color, 2.0);
            continue;
        }
        const double f = *item.fraction;
        if (!(f > 0.0)) // also skips NaN
            continue;
        const double segmentHeight = f * (h - 2.0);
        canvas.fillRect(QRectF(x + 2.0, cursor, w - 4.0, segmentHeight), color);
        cursor += segmentHeight;
    }
    canvas.restore();
}

void OrbDrawMeters::orbDrawCicleBar(const OrbCanvas &canvas, std::span<const OrbMeterItem> items,
                                    const QRectF &frame, bool isHighLighted)
{
    if (items.empty())
        return;
    // Half a point in so that one-point lines fall on pixel centres.
    const QRectF moved(frame.x() + 0.5, frame.y() + 0.5, frame.width() - 1.0, frame.height() - 1.0);
    const double cx = moved.center().x();
    const double cy = moved.center().y();
    const double radius = (frame.width() - 1.0) / 2.0 - 1.0;

    canvas.save();
    canvas.setAntialiasing(true);
    double start = 90.0;
    double faintTotal = 0.0;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const OrbMeterItem &item = *it;
        if (item.isFrame()) {
            QPainterPath circle;
            canvas.addEllipse(circle, moved);
            canvas.strokePath(circle, OrbCanvas::highlightedIf(item.color, isHighLighted), 1.0);
            continue;
        }
        const double f = *item.fraction;
        if (!(f > 0.0))
            continue;
        if (isHighLighted) {
            if (item.color.alphaF() <= kFaintAlpha)
                faintTotal += f;
            continue;
        }
        const double end = start + std::ceil(f * 360.0);
        QPainterPath wedge;
        canvas.moveTo(wedge, cx, cy);
        canvas.arcTo(wedge, cx, cy, radius, start, end - start);
        wedge.closeSubpath();
        canvas.fillPath(wedge, item.color);
        start = end;
    }
    if (isHighLighted && faintTotal > 0.0) {
        // The used part: from the end of the faint segments round to the top.
        const double from = 90.0 + std::ceil(faintTotal * 360.0);
        const double sweep = 360.0 + 90.0 - from;
        if (sweep > 0.0) {
            QPainterPath wedge;
            canvas.moveTo(wedge, cx, cy);
            canvas.arcTo(wedge, cx, cy, radius, from, sweep);
            wedge.closeSubpath();
            canvas.fillPath(wedge, Qt::white);
        }
    }
    canvas.restore();
}

} // namespace orb
