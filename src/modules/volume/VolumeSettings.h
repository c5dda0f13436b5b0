#pragma once
#include <QColor>
#include <QImage>
#include <QFont>
#include <QStringList>
#include <QVariantMap>
#include <vector>

namespace orb {

// The Volume module's settings dictionary as typed values, built once per change so that a
// redraw reads fields instead of string keys. Lengths are in points.
struct VolumeSettings {
    enum Element { Graph = 1, LevelBar = 2, Circle = 3, Text = 4, Percent = 5 };

    std::vector<int> order; // element codes in the user's order, each once, unknown ones left out
    bool showGraph = false;
    bool showLevelBar = false;
    bool showCircle = false;
    bool showText = false;
    bool showPercent = false;
    bool showEachDisk = false;
    bool hideNetwork = false;
    bool iconInBackground = false;
    bool indicatorAboveIcon = false;
    bool showLabel = false;
    QImage labelImage; // L05, ready to draw
    bool iconAble = false;    // "VlmsInnerIconAbleToBeBol"
    bool graphAsLine = false;
    bool lineAsBold = false;
    bool percentUsed = true;  // "Vlms_Percent_Mode" 1: used, else free
    bool colored = false;     // "Vlms_ColoredValue"
    bool gradient = false;    // "Vlms_GradientColor"
    double graphWidth = 0;
    double padding = 0;
    QStringList textLabels;   // two strings or none
    double textLabelWidth = 0;
    double percentWidth = 0;

    double fontSize = 10;     // points, for measuring
    QString fontName;
    QFont font;               // at twice the text size, for the double-scale views
    QFont percentFont;        // twice (14 + size difference)
    int fontAdjust = 0;
    QColor shadow;            // Z01
    QColor emptyLine;         // Z03
    QColor lampOn;            // E01, also the plain usage colour
    QColor free;              // E02
    QColor barFrame;          // E03
    QColor circleFrame;       // E04
    QColor low, warning, critical; // E05..E07

    static VolumeSettings from(const QVariantMap &defaults);

    // The usage colour of a fraction used: graded by the three levels when `always` or when
    // the user colours values, else E01; `alpha` > 0 replaces the colour's alpha.
    QColor usageColor(double fraction, bool always, double alpha) const;
    // Whether each volume is drawn behind its icon.
    bool drawsIcons() const { return iconAble && iconInBackground && showEachDisk; }
};

} // namespace orb
