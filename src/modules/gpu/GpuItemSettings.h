#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QVariantMap>
#include <vector>

namespace orb {

// The GPU item's settings as its drawing reads them, made once from the module settings
// dictionary whenever that changes, so a redraw does no keyed look-ups.
struct GpuItemSettings {
    // Element codes in drawing order (1 graph, 2 level bar, 3 circle meter, 4 text), each
    // once; unknown codes are left out.
    std::vector<int> order;
    bool graph = false;
    bool levelBar = false;
    bool circleMeter = false;
    bool text = false;
    bool showLabel = false;
    bool gradient = false;
    double graphWidth = 0.0; // points
    double padding = 1.0;    // points
    double textWidth = 0.0;  // points, the width of "188%"
    QColor low, warning, critical; // H01..H03
    QColor meterFrame;             // H04
    QColor shadow;                 // Z01
    QColor baseLine;               // Z03
    QImage label;                  // L09
    QImage labelWhite;             // the label as drawn while highlighted
    QFont font;                    // the text element's font at double scale
    int fontAdjust = 0;

    static GpuItemSettings fromDefaults(const QVariantMap &defaults);
    // Three-level colour of a used share (0..1).
    QColor shareColor(double share) const;
};

} // namespace orb
