#include "platform/statusbar/WorkArea.h"

#include <algorithm>

namespace orb {

namespace {
// The reservation is bounded by the root window; values beyond it are clamped.
int clampTo(quint32 v, int max) { return static_cast<int>(std::min<quint32>(v, static_cast<quint32>(std::max(max, 0)))); }

bool overlaps(int start, int end, int lo, int hi) { return start <= hi && end >= lo; }
} // namespace

DockStrut DockStrut::fromCardinals(const QList<quint32> &v, const QSize &root)
{
    DockStrut s;
    const int w = root.width(), h = root.height();
    if (v.size() == 12) {
        s.left = clampTo(v[0], w);
        s.right = clampTo(v[1], w);
        s.top = clampTo(v[2], h);
        s.bottom = clampTo(v[3], h);
        s.leftStartY = clampTo(v[4], h);
        s.leftEndY = clampTo(v[5], h);
        s.rightStartY = clampTo(v[6], h);
        s.rightEndY = clampTo(v[7], h);
        s.topStartX = clampTo(v[8], w);
        s.topEndX = clampTo(v[9], w);
        s.bottomStartX = clampTo(v[10], w);
        s.bottomEndX = clampTo(v[11], w);
    } else if (v.size() == 4) {
        s.left = clampTo(v[0], w);
        s.right = clampTo(v[1], w);
        s.top = clampTo(v[2], h);
        s.bottom = clampTo(v[3], h);
        s.leftEndY = s.rightEndY = h - 1;
        s.topEndX = s.bottomEndX = w - 1;
    }
    return s;
}

QRect WorkArea::freeArea(const QRect &screen, const QSize &root, const QList<DockStrut> &struts)
{
    int top = screen.top(), bottom = screen.bottom(), left = screen.left(), right = screen.right();
    for (const DockStrut &s : struts) {
        if (s.top > 0 && overlaps(s.topStartX, s.topEndX, screen.left(), screen.right()))
            top = std::max(top, s.top);
        if (s.bottom > 0 && overlaps(s.bottomStartX, s.bottomEndX, screen.left(), screen.right()))
            bottom = std::min(bottom, root.height() - s.bottom - 1);
        if (s.left > 0 && overlaps(s.leftStartY, s.leftEndY, screen.top(), screen.bottom()))
            left = std::max(left, s.left);
        if (s.right > 0 && overlaps(s.rightStartY, s.rightEndY, screen.top(), screen.bottom()))
            right = std::min(right, root.width() - s.right - 1);
    }
    if (right < left || bottom < top)
        return screen; // docks that leave nothing: ignore them rather than vanish
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace orb
