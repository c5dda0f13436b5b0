#pragma once
#include <QPoint>
#include <QRect>
#include <QSize>

namespace orb {

// Where a status item's menu opens: at the click point, then moved inside the screen's
// available area (the work area on X11) so no part of it lies off the screen or over a panel.
class MenuPlacement {
public:
    // The area a menu opened at `click` may use. `available` is the screen's work area. When
    // nothing of `screen` is reserved there although the click came from a tray (a bar whose
    // size the window system does not tell, as under a Wayland compositor), a click within
    // kEdgeBand of an edge is taken to lie in the middle of a bar along that edge: the band
    // from the edge to twice the click's distance from it is left out.
    static QRect usableArea(const QPoint &click, const QRect &screen, const QRect &available, bool clickOnTray);
    // Top-left corner of a menu of `size` opened at `click` within `area`: moved left and up
    // as far as needed to fit, but never beyond the area's left and top edges.
    static QPoint place(const QSize &size, const QPoint &click, const QRect &area);

    static constexpr int kEdgeBand = 40;
};

} // namespace orb
