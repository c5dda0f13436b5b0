#pragma once
#include "toolkit/OrbCanvas.h"

#include <QColor>

namespace orb {

// Pieces of history graphs.
class OrbDrawGraph {
public:
    // Fills (x, y, width, 0.5) without anti-aliasing, at least one device pixel high: marks
    // the part of a graph that has no samples yet.
    static void orbDrawEmptyUnderLine(const OrbCanvas &canvas, const QColor &color, double myX,
                                      double myY, double myWidth);

    // One segment of a line graph from (x, previous + offsetY) to (x − 2, now + offsetY),
    // 3.0 wide when bold and 1.5 otherwise, in the canvas's current colour and the caller's
    // anti-aliasing. Graphs call it once per sample from the newest, right, leftwards.
    static void orbDrawGraphWithLine(const OrbCanvas &canvas, double previous, double now,
                                     double processX, double offsetY, bool isBoldLine);
};

} // namespace orb
