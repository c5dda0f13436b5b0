#pragma once
#include "toolkit/OrbCanvas.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

namespace orb {

// Backgrounds and captions of the preference previews.
class OrbDrawPanels {
public:
    // Rounded panel at (2, 2) of (w − 4, h − 4), corner radius 6, line width 2.
    // Disabled: grey 0.5 at alpha 0.2 fill and stroke; dark: black 0.9 fill, white 0.2
    // stroke; light: white 0.9 fill, black 0.2 stroke.
    static void orbDrawBaseFrame(const OrbCanvas &canvas, const QSizeF &size, bool apDarkMode,
                                 bool disabled);

    // Large caption of a module box in the preferences overview: `systemFont` at 32 px,
    // centred horizontally, in the upper half of `dirtyRect` when a graph is drawn in the
    // box, else in the middle. `shadowColor` is the module's "Z01" colour, or nullopt when
    // the box has no settings dictionary; then the caption is grey 0.5 at alpha 0.25 and
    // otherwise `controlTextColor`.
    static void orbDrawTopboxLabel(const OrbCanvas &canvas, const QString &caption,
                                   const std::optional<QColor> &shadowColor,
                                   const QRectF &dirtyRect, bool withGraph, const QFont &systemFont,
                                   const QColor &controlTextColor);

    static constexpr double kCaptionPixelSize = 32.0;
};

} // namespace orb
