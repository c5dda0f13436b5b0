#include "toolkit/OrbColumnFill.h"

#include <optional>

namespace orb {

void OrbColumnFill::add(int layer, const QRectF &r, const QColor &color) { bars_.append({r, color, layer}); }

void OrbColumnFill::fill()
{
    if (bars_.isEmpty())
        return;
    // Unsmoothed and unrotated, bars of different columns share no pixel, and layer order is
    // column order; smoothed edges do share pixels, and are blended in the order they came.
    if (!canvas_.mapsStraightToPixels() || canvas_.antialiased()) {
        for (const Bar &bar : bars_)
            canvas_.fillRect(bar.rect, bar.color);
        bars_.clear();
        return;
    }
    // A graph has a few layers: one sweep over the bars per layer, lowest first, keeps the
    // order within a layer without a sort's scratch buffer.
    std::optional<int> filled; // the layer filled last
    for (;;) {
        std::optional<int> next;
        for (const Bar &bar : bars_)
            if ((!filled || bar.layer > *filled) && (!next || bar.layer < *next))
                next = bar.layer;
        if (!next)
            break;
        for (const Bar &bar : bars_)
            if (bar.layer == *next)
                canvas_.fillRect(bar.rect, bar.color);
        filled = next;
    }
    bars_.clear();
}

} // namespace orb
