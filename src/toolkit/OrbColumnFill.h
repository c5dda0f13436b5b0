#pragma once
#include "toolkit/OrbCanvas.h"

#include <QColor>
#include <QRect>
#include <QRectF>
#include <QRgba64>
#include <QVarLengthArray>

namespace orb {

// The bars of a status graph, filled together instead of one by one.
//
// A graph of sixty two-pixel columns stacked from a few segments each is hundreds of
// rectangle fills, and a fill of a translucent colour blends row by row: thousands of
// two-pixel spans per redraw, each costing a call. Collected first, each colour's columns
// are merged into long spans across the graph and filled at once. (An opaque colour is
// written row by row without blending, cheaply enough that its bars are filled as they are.) The pixels are the ones
// filling each rectangle in turn gives: rectangles are placed on the pixel grid exactly as
// the painter places an unsmoothed rectangle fill, and filled layer by layer in the order
// of the layers' numbers.
//
// The caller promises what makes the two the same: within one layer no two rectangles
// overlap (one per column), and a later layer is one drawn later in every column. Where
// the painter cannot be matched pixel for pixel (anti-aliasing, rotation, a device with a
// pixel ratio of its own) the rectangles are filled one by one in the order they came.
class OrbColumnFill {
public:
    explicit OrbColumnFill(const OrbCanvas &canvas) : canvas_(canvas) {}
    ~OrbColumnFill() { fill(); }
    OrbColumnFill(const OrbColumnFill &) = delete;
    OrbColumnFill &operator=(const OrbColumnFill &) = delete;

    // A rectangle in canvas coordinates; nothing is drawn before fill().
    void add(int layer, const QRectF &r, const QColor &color);
    // Fills everything added so far, and starts empty again.
    void fill();

private:
    struct Bar {
        QRectF rect; // canvas coordinates
        QColor color;
        QRgba64 rgba; // compared instead of the colour: the same fill, and no library call
        int layer;
        QRect pixels; // on the device, filled in by fill()
        bool done;
    };
    // Merges disjoint pixel rectangles of one colour into long runs and fills them.
    static void fillMerged(QPainter &painter, QVarLengthArray<QRect, 64> &rects, const QColor &color);

    const OrbCanvas &canvas_;
    QVarLengthArray<Bar, 128> bars_;
};

} // namespace orb
