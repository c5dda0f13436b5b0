#pragma once
#include "toolkit/OrbCanvas.h"

#include <QColor>
#include <QRectF>
#include <QVarLengthArray>

namespace orb {

// The bars of a status graph, collected and filled layer by layer.
//
// A graph's columns are stacked from a few segments each, and the code that walks the
// history meets them column by column; the picture wants each layer over the one below it
// everywhere. Filled on fill(), lowest layer first and in the order they came within one,
// which is the picture one fill per bar in that order gives. On a plain image the fills are
// written straight into the pixels (see OrbCanvas). Smoothed or rotated, where neighbouring
// columns share edge pixels, the bars are filled in the order they came.
//
// The caller promises what makes the two the same: within one layer no two rectangles
// overlap (one per column), and a later layer is one drawn later in every column.
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
        int layer;
    };

    const OrbCanvas &canvas_;
    QVarLengthArray<Bar, 128> bars_;
};

} // namespace orb
