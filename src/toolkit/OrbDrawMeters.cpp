#include "toolkit/OrbDrawMeters.h"

#include <QHash>
#include <QPaintEngine>
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

std::vector<OrbDrawMeters::PieStep> OrbDrawMeters::pieSteps(std::span<const OrbMeterItem> items, bool isHighLighted)
{
    std::vector<PieStep> steps;
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

void OrbDrawMeters::paintPie(const OrbCanvas &canvas, const std::vector<PieStep> &steps, const QRectF &frame)
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

void OrbDrawMeters::orbDrawCicleBar(const OrbCanvas &canvas, std::span<const OrbMeterItem> items,
                                    const QRectF &frame, bool isHighLighted)
{
    if (items.empty())
        return;
    const std::vector<PieStep> steps = pieSteps(items, isHighLighted);
    QPainter &painter = canvas.painter();
    const QTransform toDevice = painter.deviceTransform();
    const QRectF device = toDevice.mapRect(canvas.rect(frame));
    // A status-sized pie changes only when a wedge moves by a whole degree, which on a
    // steady machine is seldom: it is drawn once into a picture of its own and copied after.
    // Elsewhere (the menus' large meters, painters with opacity or another composition) it
    // is drawn in place.
    const bool cacheable = painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Raster
        && toDevice.type() <= QTransform::TxScale && painter.opacity() == 1.0
        && painter.compositionMode() == QPainter::CompositionMode_SourceOver && device.width() > 0.0
        && device.height() > 0.0 && device.width() <= kMaxCachedPieSide && device.height() <= kMaxCachedPieSide;
    if (!cacheable) {
        paintPie(canvas, steps, frame);
        return;
    }
    // The picture covers the pie with two pixels to spare, on whole pixels; where the pie
    // falls inside it is part of the key, so a pie moved by a fraction of a pixel is drawn anew.
    const QRect box = device.adjusted(-2.0, -2.0, 2.0, 2.0).toAlignedRect();
    QByteArray key;
    key.reserve(96 + static_cast<qsizetype>(steps.size()) * 32);
    const auto put = [&key](const auto &value) { key.append(reinterpret_cast<const char *>(&value), sizeof value); };
    put(device.x() - box.x());
    put(device.y() - box.y());
    put(device.width());
    put(device.height());
    put(toDevice.m11());
    put(toDevice.m22());
    for (const PieStep &step : steps) {
        put(static_cast<int>(step.kind));
        put(step.start);
        put(step.sweep);
        put(step.color.rgba64());
    }
    thread_local QHash<QByteArray, QImage> pictures;
    auto found = pictures.constFind(key);
    if (found == pictures.cend()) {
        if (pictures.size() >= kMaxCachedPies)
            pictures.clear();
        QImage picture(box.size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        {
            QPainter p(&picture);
            p.setTransform(toDevice * QTransform::fromTranslate(-box.x(), -box.y()));
            paintPie(OrbCanvas(p, canvas.height()), steps, frame);
        }
        found = pictures.insert(key, picture);
    }
    painter.save();
    painter.resetTransform();
    painter.drawImage(box.topLeft(), *found);
    painter.restore();
}

} // namespace orb
