#pragma once
#include <QBrush>
#include <QPainter>
#include <QPainterPath>

namespace orb {

// Antialiased fills of icon-sized shapes, a few device rows at a time.
//
// Qt's raster engine splits a fill of more than about a hundred spans across its global
// thread pool and waits for the pool. For a shape the size of a status icon the fill itself
// takes a few microseconds, while waking two pool threads and sleeping until they finish
// costs many times that on every redraw (on a virtual machine, hundreds of microseconds).
// Clipped to a band of a few rows, each fill stays under that limit and runs on the
// calling thread. The pixels are the same: a clip on whole device rows cuts spans, never
// the coverage of a pixel.
class OrbBandedFill {
public:
    // Rows per band: even a circle's flattest rows give well under a hundred spans in this
    // many rows for shapes up to kMaxBandedWidth device pixels wide.
    static constexpr int kBandRows = 4;
    // Wider shapes (the graphs of an open menu) are filled whole.
    static constexpr int kMaxBandedWidth = 64;

    static void fillPath(QPainter &painter, const QPainterPath &path, const QBrush &brush);
};

} // namespace orb
