#pragma once
#include <QColor>
#include <QImage>
#include <QFont>
#include <QStringList>
#include <QVariantMap>
#include <vector>

namespace orb {

// The Disk module's settings dictionary as typed values, built once per change so that a
// redraw reads fields instead of string keys. Lengths are in points.
struct DiskSettings {
    enum Element { Indicator = 1, Graph = 2, Text = 3 };

    std::vector<int> order;  // element codes in the user's order, each once, unknown ones left out
    bool showIndicator = false;
    bool showGraph = false;
    bool showText = false;
    bool showEachDisk = false;
    bool iconInBackground = false;
    bool indicatorAboveIcon = false;
    bool showLabel = false;
    QImage labelImage; // L04, ready to draw
    bool iconAble = false; // "DiskInnerIconAbleToBeBol"
    double graphWidth = 0;
    double padding = 0;
    int graphMode = 1; // 1 default, 2 opposed, 3 centred, 4 line, 5 heavy line

    // Label pairs (read first); fewer than two strings means no label.
    QStringList indicatorLabels;
    QStringList graphLabels;
    QStringList textLabels;
    double indicatorLabelWidth = 0;
    double graphLabelWidth = 0;
    double textLabelWidth = 0;
    double textValueWidth = 0;

    QFont font; // at twice the text size, for the double-scale views
    int fontAdjust = 0;
    QColor shadow;    // Z01
    QColor emptyLine; // Z03
    QColor read;      // D01
    QColor write;     // D02
    QColor lampFrame; // D03
    QColor lampBack;  // D04

    static DiskSettings from(const QVariantMap &defaults);

    // Whether the icon is drawn before each disk's elements.
    bool drawsIcons() const { return iconAble && iconInBackground && showEachDisk; }
};

} // namespace orb
