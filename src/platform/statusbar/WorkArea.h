#pragma once
#include <QList>
#include <QRect>
#include <QSize>

namespace orb {

// Space a dock window keeps for itself along the edges of the X screen
// (_NET_WM_STRUT_PARTIAL): thickness from each edge of the root window, and the stretch of
// that edge it covers. All in device pixels.
struct DockStrut {
    int left = 0, right = 0, top = 0, bottom = 0;
    int leftStartY = 0, leftEndY = 0, rightStartY = 0, rightEndY = 0;
    int topStartX = 0, topEndX = 0, bottomStartX = 0, bottomEndX = 0;

    // From the 12 values of _NET_WM_STRUT_PARTIAL, or the 4 of _NET_WM_STRUT (whole edges of
    // `root`); anything else gives no strut.
    static DockStrut fromCardinals(const QList<quint32> &values, const QSize &root);
};

class WorkArea {
public:
    // The part of `screen` (root coordinates) that none of `struts` reserves.
    static QRect freeArea(const QRect &screen, const QSize &root, const QList<DockStrut> &struts);
};

} // namespace orb
