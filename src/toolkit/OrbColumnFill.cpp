#include "toolkit/OrbColumnFill.h"

#include <algorithm>

namespace orb {

void OrbColumnFill::add(int layer, const QRectF &r, const QColor &color) { bars_.append({r, color, layer}); }

void OrbColumnFill::fill()
{
    if (bars_.isEmpty())
        return;
    // Unsmoothed and unrotated, bars of different columns share no pixel, and layer order is
    // column order; smoothed edges do share pixels, and are blended in the order they came.
    if (canvas_.mapsStraightToPixels() && !canvas_.antialiased())
        std::stable_sort(bars_.begin(), bars_.end(), [](const Bar &a, const Bar &b) { return a.layer < b.layer; });
    for (const Bar &bar : bars_)
        canvas_.fillRect(bar.rect, bar.color);
    bars_.clear();
}

} // namespace orb
