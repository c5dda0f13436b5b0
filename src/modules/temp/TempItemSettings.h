#pragma once
#include <QColor>
#include <QImage>
#include <QString>
#include <QVariantMap>
#include <vector>

namespace orb {

// What the Temperature item and menu read from the module settings, typed.
struct TempItemSettings {
    std::vector<int> order; // element codes: 1 text, 2 graph, each once
    bool displayText = false;
    bool displayGraph = false;
    bool pileUp = false;
    bool showLabel = false;
    QImage labelImage; // L06, ready to draw
    bool coloredMenu = false;
    bool gradient = false;
    double graphWidth = 0.0;
    double textWidth = 0.0;
    double padding = 0.0;
    int textMode = 1; // 2: piled at a reduced font, no unit
    int unitMode = 1;
    QString unitStr;
    double maxTemp = 100.0;
    // "Temp_ShowTempOnMenu": a sensor label, "(Average)" or "(Highest)".
    QString shown;
    QColor low, warning, critical, text, shadow, baseLine;
    QString fontName;
    double fontSizeDiff = 0.0;
    int fontAdjust = 0;

    static TempItemSettings from(const QVariantMap &d);
};

} // namespace orb
