#pragma once
#include <QColor>
#include <QFont>
#include <QPointF>
#include <optional>

namespace orb {

// Shadow under status-bar text. The offset is in canvas coordinates (y up), so a
// negative y puts the shadow below the text.
struct OrbTextShadow {
    QColor color;
    double blurRadius = 0.0;
    QPointF offset;
};

// The mutable attribute set a caller keeps for its texts: a pixel-sized font, the
// foreground colour and an optional shadow. Text placement rewrites the colour and
// shadow in place.
struct OrbTextAttributes {
    QFont font;
    QColor foregroundColor;
    std::optional<OrbTextShadow> shadow;
};

} // namespace orb
