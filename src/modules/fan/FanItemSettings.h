#pragma once
#include <QColor>
#include <QImage>
#include <QString>
#include <QVariantMap>
#include <vector>

namespace orb {

// What the Fan item and menu read from the module settings, typed.
struct FanItemSettings {
    std::vector<int> order; // element codes: 1 text, 2 graph, each once
    bool displayText = false;
    bool displayGraph = false;
    bool pileUp = false;
    bool showLabel = false;
    QImage labelImage; // L07, ready to draw
    bool coloredMenu = false;
    bool gradient = false;
    double graphWidth = 0.0;
    double textWidth = 0.0;
    // 1 "8888rpm", 3 digits only, 4 digits at a reduced font.
    int textMode = 1;
    bool rpmSuffix = true;
    double maxRpm = 6000.0;
    QColor low, warning, critical, text, shadow, baseLine;
    QString fontName;
    double fontSizeDiff = 0.0;
    int fontAdjust = 0;

    static FanItemSettings from(const QVariantMap &d);
};

} // namespace orb
