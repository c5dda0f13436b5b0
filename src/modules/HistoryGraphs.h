#pragma once
#include "collect/History.h"
#include "toolkit/DrawingKey.h"
#include "toolkit/GraphLayer.h"

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace orb {

// An item's status graphs drawn from a history, one column a reading, kept between redraws
// (see GraphLayer): each graph remembers the history it was last drawn from, so a redraw
// after one new reading draws one column.
template <typename Sample>
class HistoryGraphs {
public:
    // Draws graph `index` of `history` over `frame`; `drawColumns(canvas, part)` draws the
    // newest readings' columns that fit in `part`, and `key` says what else the pixels show.
    template <typename Draw>
    void draw(const OrbCanvas &canvas, std::size_t index, const QRectF &frame, const History<Sample> &history,
              const DrawingKey &key, Draw &&drawColumns)
    {
        if (drawnFrom_.size() <= index)
            drawnFrom_.resize(index + 1);
        const std::optional<std::size_t> grown = history.grownFrom(drawnFrom_[index]);
        drawnFrom_[index] = history;
        layer_.draw(canvas, index, frame, grown, key, std::forward<Draw>(drawColumns));
    }

private:
    GraphLayer layer_;
    std::vector<History<Sample>> drawnFrom_;
};

} // namespace orb
