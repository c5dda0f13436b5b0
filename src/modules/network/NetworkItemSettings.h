#pragma once
#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <vector>

namespace orb {

// The Network module's settings as the drawing and the menu read them: built once from
// the module settings dictionary when it changes, so a redraw looks nothing up by key.
struct NetworkItemSettings {
    // Element codes in the user's order, each once: 1 up/down label, 2 lamps, 3 graph, 4 text.
    std::vector<int> order;
    bool showUdLabel = false;
    bool showLamps = false;
    bool showGraph = false;
    bool showText = false;
    bool showMyLabel = false;
    double graphWidth = 0.0;  // points
    double padding = 0.0;
    QStringList udLabels;     // upload first
    int graphMode = 1;        // 1 default, 2 opposed, 3 centred, 4 line, 5 heavy line
    bool bits = false;        // text in bits per second
    double limit = 0.0;       // idle threshold in bytes per second ("Network_Limen_Base" KiB/s)
    double udLabelWidth = 0.0;
    double textWidth = 0.0;
    bool showAllNic = false;
    bool showIBridge = false;
    QString fontName;
    double fontSizeDiff = 0.0;
    int fontAdjust = 0;
    QFont font;               // at twice the point size, as the views draw
    QColor shadow, emptyLine, up, down, lampFrame, lampBack, noiseBar, signalBar;
    QImage labelImage;

    static NetworkItemSettings from(const QVariantMap &defaults);
};

} // namespace orb
