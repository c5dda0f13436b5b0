#pragma once
#include "toolkit/DrawingKey.h"
#include "toolkit/OrbCanvas.h"

#include <QByteArrayView>
#include <QImage>
#include <QRect>
#include <QRectF>
#include <QVarLengthArray>
#include <cstddef>
#include <memory>
#include <optional>
#include <type_traits>
#include <vector>

namespace orb {

// The status graphs of one image, kept from one redraw to the next. A status graph is a row
// of columns two units wide, the newest at the right, each drawn from its own reading alone;
// a reading that comes in moves the graph one column to the left. So instead of drawing
// every column on every redraw, the kept graph is moved over and only the new columns are
// drawn, and the graph is then copied into the image: a graph of thirty columns costs one
// column and a copy.
//
// The graph is kept where the copy is the very pixels a drawing in place would make: on a
// plain image one unit a pixel, unsmoothed, with the frame on whole pixels and an even
// number of them across, and with nothing yet drawn where the graph goes (a graph over
// other pixels is drawn in place). Several graphs of one image are told apart by an index.
class GraphLayer {
public:
    // Draws graph `index` over `frame` (canvas coordinates). `drawColumns(canvas, part)` draws
    // the newest columns that fit in `part`, a frame with the same right edge; `newColumns`
    // says how many columns came in since this graph's last draw (none known: all of them),
    // and `key` everything else its pixels depend on.
    template <typename Draw>
    void draw(const OrbCanvas &canvas, std::size_t index, const QRectF &frame, std::optional<std::size_t> newColumns,
              const DrawingKey &key, Draw &&drawColumns)
    {
        drawWith(canvas, index, frame, newColumns, key.bytes(),
                 const_cast<void *>(static_cast<const void *>(std::addressof(drawColumns))),
                 [](void *d, const OrbCanvas &c, const QRectF &part) {
                     (*static_cast<std::remove_reference_t<Draw> *>(d))(c, part);
                 });
    }

    // Columns drawn so far, in place or kept: lets a test tell a moved graph from a new one.
    quint64 columnsDrawn() const { return columnsDrawn_; }

private:
    using DrawFn = void (*)(void *, const OrbCanvas &, const QRectF &);
    struct Graph {
        QRect pixels; // where in the image, and in the layer, it lies
        QVarLengthArray<char, 128> key;
        bool kept = false;
    };

    void drawWith(const OrbCanvas &canvas, std::size_t index, const QRectF &frame,
                  std::optional<std::size_t> newColumns, QByteArrayView key, void *draw, DrawFn call);
    // Draws the graph whole into the layer.
    void drawWhole(Graph &graph, const QRect &pixels, QByteArrayView key, const OrbCanvas &layerCanvas,
                   const QRectF &frame, void *draw, DrawFn call);

    QImage layer_; // the image's size; outside the kept graphs its pixels mean nothing
    std::vector<Graph> graphs_;
    quint64 columnsDrawn_ = 0;
};

} // namespace orb
