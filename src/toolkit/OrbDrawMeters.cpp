#include "toolkit/OrbDrawMeters.h"

#include "toolkit/KeptPictures.h"

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

OrbDrawMeters::PieSteps OrbDrawMeters::pieSteps(std::span<const OrbMeterItem> items, bool isHighLighted)
{
    PieSteps steps;
    double start = 90.0;
    double faintTotal = 0.0;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        const OrbMeterItem &item = *it;
        if (item.isFrame()) {
            steps.push_back({PieStep::Ring, 0.0, 0.0, OrbCanvas::highlightedIf(item.color, isHighLighted)});
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
        steps.push_back({PieStep::Wedge, start, end - start, item.color});
        start = end;
    }
    if (isHighLighted && faintTotal > 0.0) {
        // The used part: from the end of the faint segments round to the top.
        const double from = 90.0 + std::ceil(faintTotal * 360.0);
        const double sweep = 360.0 + 90.0 - from;
        if (sweep > 0.0)
            steps.push_back({PieStep::Wedge, from, sweep, Qt::white});
    }
    return steps;
}

void OrbDrawMeters::paintPie(const OrbCanvas &canvas, const PieSteps &steps, const QRectF &frame)
{
    // Half a point in so that one-point lines fall on pixel centres.
    const QRectF moved(frame.x() + 0.5, frame.y() + 0.5, frame.width() - 1.0, frame.height() - 1.0);
    const double cx = moved.center().x();
    const double cy = moved.center().y();
    const double radius = (frame.width() - 1.0) / 2.0 - 1.0;
    canvas.save();
    canvas.setAntialiasing(true);
    for (const PieStep &step : steps) {
        if (step.kind == PieStep::Ring) {
            QPainterPath circle;
            canvas.addEllipse(circle, moved);
            canvas.strokePath(circle, step.color, 1.0);
            continue;
        }
        QPainterPath wedge;
        canvas.moveTo(wedge, cx, cy);
        canvas.arcTo(wedge, cx, cy, radius, step.start, step.sweep);
        wedge.closeSubpath();
        canvas.fillPath(wedge, step.color);
    }
    canvas.restore();
}

void OrbDrawMeters::orbDrawCicleBarInPlace(const OrbCanvas &canvas, std::span<const OrbMeterItem> items,
                                           const QRectF &frame, bool isHighLighted)
{
    if (!items.empty())
        paintPie(canvas, pieSteps(items, isHighLighted), frame);
}

DrawingKey OrbDrawMeters::pieKey(const PieSteps &steps)
{
    DrawingKey what("circle meter");
    for (const PieStep &step : steps)
        what.add(static_cast<int>(step.kind)).add(step.start).add(step.sweep).add(step.color);
    return what;
}

size_t OrbDrawMeters::circleMeterDigest(std::span<const OrbMeterItem> items, bool isHighLighted)
{
    return qHash(pieKey(pieSteps(items, isHighLighted)).bytes());
}

void OrbDrawMeters::orbDrawCicleBar(const OrbCanvas &canvas, std::span<const OrbMeterItem> items,
                                    const QRectF &frame, bool isHighLighted)
{
    if (items.empty())
        return;
    const PieSteps steps = pieSteps(items, isHighLighted);
    // A status-sized pie changes only when a wedge moves by a whole degree, which on a
    // steady machine is seldom.
    KeptPictures::draw(canvas, frame, 0.0, pieKey(steps), [&](const OrbCanvas &c) { paintPie(c, steps, frame); });
}

} // namespace orb
