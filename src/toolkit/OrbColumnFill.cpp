#include "toolkit/OrbColumnFill.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <limits>

namespace orb {
namespace {

// Where the raster engine puts an unsmoothed rectangle fill: the mapped edges rounded to
// whole pixels.
QRect pixelsOf(const QRectF &logical, const QTransform &toDevice)
{
    QRectF d;
    switch (toDevice.type()) {
    case QTransform::TxNone:
        d = logical;
        break;
    case QTransform::TxTranslate:
        d = logical.translated(toDevice.dx(), toDevice.dy());
        break;
    default:
        d = toDevice.mapRect(logical);
        break;
    }
    int x1 = qRound(d.x()), y1 = qRound(d.y()), x2 = qRound(d.right()), y2 = qRound(d.bottom());
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

} // namespace

void OrbColumnFill::add(int layer, const QRectF &r, const QColor &color)
{
    bars_.append({r, color, color.rgba64(), layer, {}, false});
}

void OrbColumnFill::fill()
{
    if (bars_.isEmpty())
        return;
    QPainter &painter = canvas_.painter();
    const QTransform toDevice = painter.deviceTransform();
    const bool matched = canvas_.mapsStraightToPixels() && !painter.testRenderHint(QPainter::Antialiasing);
    if (!matched) {
        for (const Bar &bar : bars_)
            canvas_.fillRect(bar.rect, bar.color);
        bars_.clear();
        return;
    }
    for (Bar &bar : bars_)
        bar.pixels = pixelsOf(canvas_.rect(bar.rect), toDevice);
    const bool sourceOver = painter.compositionMode() == QPainter::CompositionMode_SourceOver;
    // Without blending a fill writes each row at memory speed: merging would cost more.
    const bool blends = !sourceOver || painter.opacity() < 1.0;
    QVarLengthArray<QRect, 64> group;
    painter.save();
    painter.resetTransform();
    // Layer by layer, lowest first; within one, each colour's bars are in columns of their
    // own, so the colours' order does not matter.
    int layer = std::numeric_limits<int>::min();
    for (;;) {
        int next = std::numeric_limits<int>::max();
        bool any = false;
        for (const Bar &bar : bars_)
            if (bar.layer > layer && bar.layer <= next) {
                next = bar.layer;
                any = true;
            }
        if (!any)
            break;
        layer = next;
        for (qsizetype i = 0; i < bars_.size(); ++i) {
            Bar &first = bars_[i];
            if (first.layer != layer || first.done)
                continue;
            const QColor &color = first.color;
            if (sourceOver && color.alpha() == 0)
                continue; // a transparent colour over what is there changes nothing
            if (color.alpha() == 255 && !blends) {
                if (!first.pixels.isEmpty())
                    painter.fillRect(first.pixels, color);
                continue;
            }
            group.clear();
            for (qsizetype j = i; j < bars_.size(); ++j) {
                Bar &bar = bars_[j];
                if (bar.layer != layer || bar.done || bar.rgba != first.rgba)
                    continue;
                bar.done = true;
                if (!bar.pixels.isEmpty())
                    group.append(bar.pixels);
            }
            if (!group.isEmpty())
                fillMerged(painter, group, color);
        }
    }
    painter.restore();
    bars_.clear();
}

void OrbColumnFill::fillMerged(QPainter &painter, QVarLengthArray<QRect, 64> &rects, const QColor &color)
{
    std::sort(rects.begin(), rects.end(), [](const QRect &a, const QRect &b) { return a.left() < b.left(); });
    int top = rects.front().top(), end = rects.front().bottom() + 1;
    for (const QRect &r : rects) {
        top = std::min(top, r.top());
        end = std::max(end, r.bottom() + 1);
    }
    // Each row's runs of touching bars; a run that goes on unchanged in the next row grows
    // downward instead of being filled row by row.
    struct Run {
        int left, right; // right exclusive
        int since;       // first row
    };
    QVarLengthArray<Run, 32> open, row;
    for (int y = top; y <= end; ++y) {
        row.clear();
        if (y < end) {
            for (const QRect &r : rects) {
                if (y < r.top() || y > r.bottom())
                    continue;
                if (!row.isEmpty() && row.back().right == r.left())
                    row.back().right = r.right() + 1;
                else
                    row.append({r.left(), r.right() + 1, y});
            }
        }
        const bool same = row.size() == open.size()
            && std::equal(row.begin(), row.end(), open.begin(),
                          [](const Run &a, const Run &b) { return a.left == b.left && a.right == b.right; });
        if (same)
            continue;
        for (const Run &run : open)
            painter.fillRect(QRect(run.left, run.since, run.right - run.left, y - run.since), color);
        open = row;
    }
}

} // namespace orb
