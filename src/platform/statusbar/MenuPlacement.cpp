#include "platform/statusbar/MenuPlacement.h"

#include <algorithm>

namespace orb {

QRect MenuPlacement::usableArea(const QPoint &click, const QRect &screen, const QRect &available, bool clickOnTray)
{
    QRect area = available.isValid() ? available.intersected(screen) : screen;
    if (area.isEmpty())
        area = screen;
    if (!clickOnTray || area != screen || !screen.contains(click))
        return area;
    const int top = click.y() - screen.top();
    const int bottom = screen.bottom() - click.y();
    const int left = click.x() - screen.left();
    const int right = screen.right() - click.x();
    // The nearest edge only: a click in a corner belongs to one bar.
    const int nearest = std::min({top, bottom, left, right});
    if (nearest >= kEdgeBand)
        return area;
    if (nearest == top)
        area.setTop(screen.top() + 2 * top + 1);
    else if (nearest == bottom)
        area.setBottom(screen.bottom() - 2 * bottom - 1);
    else if (nearest == left)
        area.setLeft(screen.left() + 2 * left + 1);
    else
        area.setRight(screen.right() - 2 * right - 1);
    return area;
}

QPoint MenuPlacement::place(const QSize &size, const QPoint &click, const QRect &area)
{
    QRect menu(click, size);
    if (area.isEmpty())
        return menu.topLeft();
    if (menu.right() > area.right())
        menu.moveRight(area.right());
    if (menu.left() < area.left())
        menu.moveLeft(area.left());
    if (menu.bottom() > area.bottom())
        menu.moveBottom(area.bottom());
    if (menu.top() < area.top())
        menu.moveTop(area.top());
    return menu.topLeft();
}

} // namespace orb
