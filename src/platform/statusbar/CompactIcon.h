#pragma once
#include "platform/statusbar/TrayHeadline.h"

#include <QImage>
#include <array>

namespace orb {

// The square icon of a status item in the compact tray style: a dark rounded tile, so it
// reads the same on light and dark bars, holding a bold level bar (or pie) of the headline's
// fraction and, where the square is large enough, the figure in percent.
class CompactIcon {
public:
    // Pixel sizes sent to trays; each picks the one closest to its cell.
    static constexpr std::array<int, 5> kSizes{16, 22, 24, 32, 48};

    // The icon `pixels` wide and high (device pixel ratio 1). Without a reading the tile is
    // drawn empty. `pixels` below 8 is taken as 8. UI thread only: figures drawn once are
    // kept (forgetFigures() drops them).
    static QImage render(const TrayHeadline &headline, int pixels);
    // Everything render() draws from a headline at `pixels`, with the gauge in the steps it is
    // drawn in (whole pixels of a bar, sixteenths of a degree of a pie): headlines of equal
    // looks make the same icon.
    struct Look {
        int pixels = 0;
        TrayHeadline::Gauge gauge = TrayHeadline::Gauge::Bar;
        int filled = -1; // pixels of the bar, sixteenths of a degree of the pie; −1: no fill
        QRgb colour = 0;
        QString figure;
        bool operator==(const Look &) const = default;
    };
    static Look look(const TrayHeadline &headline, int pixels);
    // The icon of a look (render() is render(look(headline, pixels))).
    static QImage render(const Look &look);
    static void forgetFigures();
    // A wide status image fitted into a square of `pixels`, keeping its shape, centred
    // (for modules that have no headline gauge yet).
    static QImage fitted(const QImage &wide, int pixels);

    static QColor tileColour() { return QColor(0x1c, 0x1e, 0x22); }
    static QColor rimColour() { return QColor(0x8a, 0x8f, 0x98); }
    static QColor trackColour() { return QColor(0x3a, 0x3e, 0x46); }
    static QColor figureColour() { return QColor(0xff, 0xff, 0xff); }
    static QColor defaultFill() { return QColor(0x4c, 0xc2, 0x6e); }
    // The figure shown: the headline's own figure, else round(fraction × 100) clamped to
    // 0..100; empty without a reading.
    static QString figureText(const TrayHeadline &headline);
    // The gauge's level as drawn: round(fraction × 100) clamped to 0..100; −1 without a reading.
    static int level(const TrayHeadline &headline);
};

} // namespace orb
