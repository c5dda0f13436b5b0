#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QVariantMap>
#include <vector>

namespace orb {

// The CPU module's settings as its drawing reads them: built once from the settings
// dictionary when that changes, so a redraw looks nothing up by key.
struct CpuItemSettings {
    std::vector<int> order; // element codes in the user's order: 1 graph, 2 level bar, 3 circle meter, 4 text
    bool showGraph = false;
    bool showLevelBar = false;
    bool showCircleMeter = false;
    bool showText = false;
    bool showMyLabel = false;
    bool averageProcessors = false; // one group for the average, else one per processor
    bool textShowsAverage = false;  // one figure (user + system), else user above system
    bool graphAsLine = false;
    bool lineAsBold = false;
    double graphWidth = 0.0; // points
    double textWidth = 0.0;  // points
    double padding = 0.0;
    int fontAdjust = 0;
    QFont font; // at twice the point size, as the views draw
    QColor user, system, nice, idle, frame, averageText, shadow, emptyLine;
    QImage labelImage;

    static CpuItemSettings from(const QVariantMap &defaults);
};

} // namespace orb
