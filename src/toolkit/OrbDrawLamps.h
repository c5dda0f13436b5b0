#pragma once
#include "toolkit/OrbCanvas.h"

#include <QColor>

namespace orb {

// Indicator lamps: a circle of diameter `myRadius` (the argument is a diameter) with a
// one-point frame whose inner half is covered by the lamp's fill. A lamp is filled with
// its on colour when its flag is set, else with `baseBgColor`. Anti-aliased; under
// highlight frame and fill become white with their own alpha.
class OrbDrawLamps {
public:
    // One lamp centred in a slot of `baseWidth`, bottom at baseY.
    static void orbDrawHorizontalSigleCircle(const OrbCanvas &canvas, bool isOn,
                                             const QColor &frameColor, const QColor &baseBgColor,
                                             const QColor &onColor, double baseX, double baseY,
                                             double baseWidth, double myRadius, bool isHighLighted);

    // Two lamps side by side, `spacer` either side of the slot's middle; up lamp left.
    static void orbDrawHorizontalTwoCircle(const OrbCanvas &canvas, bool upOn, bool dwOn,
                                           const QColor &frameColor, const QColor &baseBgColor,
                                           const QColor &upColor, const QColor &dwColor,
                                           double baseX, double baseY, double baseWidth,
                                           double myRadius, double spacer, bool isHighLighted);

    // Two lamps one above the other, `spacer` either side of baseHeight / 2; up lamp upper.
    static void orbDrawVerticalTwoCircle(const OrbCanvas &canvas, bool upOn, bool dwOn,
                                         const QColor &frameColor, const QColor &baseBgColor,
                                         const QColor &upColor, const QColor &dwColor, double baseX,
                                         double baseHeight, double myRadius, double spacer,
                                         bool isHighLighted);

private:
    // Through a kept picture (KeptPictures) where the painter allows.
    static void drawLamp(const OrbCanvas &canvas, double lx, double ly, double d,
                         const QColor &frameColor, const QColor &fillColor, bool isHighLighted);
    static void paintLamp(const OrbCanvas &canvas, double lx, double ly, double d,
                          const QColor &frameColor, const QColor &fillColor, bool isHighLighted);
};

} // namespace orb
