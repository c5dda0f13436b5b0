#pragma once
#include "toolkit/OrbColors.h"
#include <QColor>
#include <QFont>
#include <QPointF>
#include <optional>

namespace orb {

// The mutable attribute set a caller keeps for its texts: a pixel-sized font, the
// foreground colour and an optional shadow. Text placement rewrites the colour and
// shadow in place.
struct OrbTextAttributes {
    QFont font;
    QColor foregroundColor;
    std::optional<OrbShadow> shadow;
};

} // namespace orb
