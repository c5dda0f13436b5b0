#pragma once
#include "collect/ProcessHistories.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace orb {

// The small history graph beside a process in the CPU menu: one two-pixel column per
// snapshot, newest at the right, as high as the process's share of one processor.
class ImageProcessBar {
public:
    // Draws into `frame` (pixels, y down): a faint base line, then from the right edge
    // leftwards one column per snapshot, newest first, min(share / 100, 1) of the height
    // high, until the width is used up. Returns the width no snapshot reached.
    static double orbDrawCpuProcessGraph(QPainter &painter, const std::vector<SnapshotPtr> &history,
                                         const QString &processName, const QColor &graphColor, const QRectF &frame);
    // The graph of `processName` for a view of `size` points, drawn at two pixels per point.
    static QImage redrawWithSize(const QSizeF &size, const std::vector<SnapshotPtr> &history,
                                 const QString &processName, const QColor &graphColor);
};

} // namespace orb
