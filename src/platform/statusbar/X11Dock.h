#pragma once
#include "platform/statusbar/WorkArea.h"

#include <QList>
#include <QRect>

class QWidget;

namespace orb {

// Marks a top-level window as a dock on X11: _NET_WM_WINDOW_TYPE_DOCK, on all desktops,
// above other windows, and a top strut over `geometry` (device pixels, root coordinates) so
// maximised windows stay below it. Does nothing off X11.
class X11Dock {
public:
    // Before the window is mapped: type, desktop and state (window managers read them then).
    static bool markAsDock(QWidget *window);
    // Whenever the geometry changes.
    static bool setTopStrut(QWidget *window, const QRect &geometry);
    static bool isX11();
    // The struts of every other dock on the display (windows the window manager lists and
    // top-level windows), and the root window's size; empty off X11.
    static QList<DockStrut> otherStruts(const QWidget *self, QSize &root);
};

} // namespace orb
