#pragma once
#include "toolkit/DrawingKey.h"
#include "toolkit/OrbCanvas.h"
#include "toolkit/OrbMeterItem.h"

#include <QColor>
#include <QRectF>
#include <QVarLengthArray>
#include <span>
#include <vector>

namespace orb {

// The two meters of status images: a vertical stacked level bar and a circle meter (pie).
// Frames are canvas rectangles, (x, y) at the bottom-left.
class OrbDrawMeters {
public:
    // Segments stack upward from y + 2 in array order, each f × (h − 2) high and w − 4 wide;
    // a frame item strokes (x + 1, y + 1, w − 2, h − 2) with width 2 where it stands in the
    // array. Drawn without anti-aliasing. Highlight turns every colour white with its alpha.
    static void orbDrawLevelBar(const OrbCanvas &canvas, std::span<const OrbMeterItem> items,
                                const QRectF &frame, bool isHighLighted);

    // Items are taken last to first; segment wedges run counter-clockwise from the top,
    // each sweep rounded up to whole degrees on its own. Under highlight only the part of
    // the circle not covered by faint (alpha <= 0.25) segments is filled, in white.
    // A status-sized meter is a kept picture (KeptPictures), copied while none of its wedges
    // moves by a whole degree.
    static void orbDrawCicleBar(const OrbCanvas &canvas, std::span<const OrbMeterItem> items,
                                const QRectF &frame, bool isHighLighted);
    // The same, always drawn in place.
    static void orbDrawCicleBarInPlace(const OrbCanvas &canvas, std::span<const OrbMeterItem> items,
                                       const QRectF &frame, bool isHighLighted);
    // A digest of what such a meter draws (its kept picture's key): equal digests, equal
    // pictures in equal frames.
    static size_t circleMeterDigest(std::span<const OrbMeterItem> items, bool isHighLighted);

    // Alpha at or below which a segment counts as the faint remainder of a circle meter.
    static constexpr double kFaintAlpha = 0.25;

private:
    struct PieStep {
        enum Kind { Ring, Wedge } kind;
        double start; // degrees, wedges only
        double sweep;
        QColor color;
    };
    // A meter has a few segments; kept inline, as digests are taken on every pass.
    using PieSteps = QVarLengthArray<PieStep, 8>;
    // What a circle meter draws, in order, with its angles already whole degrees.
    static PieSteps pieSteps(std::span<const OrbMeterItem> items, bool isHighLighted);
    static void paintPie(const OrbCanvas &canvas, const PieSteps &steps, const QRectF &frame);
    // Everything the pie's pixels depend on besides its frame.
    static DrawingKey pieKey(const PieSteps &steps);
};

} // namespace orb
