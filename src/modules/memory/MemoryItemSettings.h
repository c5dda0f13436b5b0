#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QVariantMap>
#include <vector>

namespace orb {

// The Memory module's settings as its drawing and item read them: built once from the
// settings dictionary when that changes, so a redraw looks nothing up by key.
struct MemoryItemSettings {
    // Element codes in the user's order, each once: 1 graph, 2 level bar, 3 circle meter,
    // 4 text, 5 detail text.
    std::vector<int> order;
    bool showGraph = false;
    bool showLevelBar = false;
    bool showCircleMeter = false;
    bool showText = false;
    bool showDetailText = false;
    bool showMyLabel = false;
    bool traditional = false; // wired, active, inactive instead of app memory, wired, compressed
    bool textLongLabel = false;
    bool detailLongLabel = false;
    int unit = 0;
    double graphWidth = 0.0; // points
    double textHeaderWidth = 0.0;
    double detailLeftHeaderWidth = 0.0;
    double detailRightHeaderWidth = 0.0;
    double fontSize = 10.0; // points
    QString fontName;
    int fontAdjust = 0;
    QFont font; // at twice the point size, as the views draw
    // B01 … B10 by number (index 0 unused), the text shadow and the empty graph's line.
    QColor colours[11];
    QColor shadow, emptyLine;
    QImage labelImage;

    const QColor &colour(int number) const { return colours[number]; }
    static MemoryItemSettings from(const QVariantMap &defaults);
};

} // namespace orb
