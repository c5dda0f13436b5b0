#include "platform/statusbar/X11Dock.h"

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#ifdef ORB_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace orb {

#ifdef ORB_HAVE_XCB
namespace {
xcb_connection_t *connection()
{
    if (!X11Dock::isX11())
        return nullptr;
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    const xcb_atom_t a = reply->atom;
    free(reply);
    return a;
}

void setCardinals(xcb_connection_t *c, xcb_window_t w, const char *name, const uint32_t *values, uint32_t count)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, name), XCB_ATOM_CARDINAL, 32, count, values);
}

void setAtoms(xcb_connection_t *c, xcb_window_t w, const char *name, const xcb_atom_t *values, uint32_t count)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, name), XCB_ATOM_ATOM, 32, count, values);
}
} // namespace
#endif

bool X11Dock::isX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

bool X11Dock::markAsDock(QWidget *window)
{
#ifdef ORB_HAVE_XCB
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    const auto w = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t type[] = {atom(c, "_NET_WM_WINDOW_TYPE_DOCK")};
    setAtoms(c, w, "_NET_WM_WINDOW_TYPE", type, 1);
    const uint32_t allDesktops = 0xFFFFFFFFu;
    setCardinals(c, w, "_NET_WM_DESKTOP", &allDesktops, 1);
    const xcb_atom_t state[] = {atom(c, "_NET_WM_STATE_STICKY"), atom(c, "_NET_WM_STATE_ABOVE"),
                                atom(c, "_NET_WM_STATE_SKIP_TASKBAR"), atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    setAtoms(c, w, "_NET_WM_STATE", state, 4);
    xcb_flush(c);
    return true;
#else
    Q_UNUSED(window);
    return false;
#endif
}

bool X11Dock::setTopStrut(QWidget *window, const QRect &geometry)
{
#ifdef ORB_HAVE_XCB
    xcb_connection_t *c = connection();
    if (!c || geometry.isEmpty())
        return false;
    const auto w = static_cast<xcb_window_t>(window->winId());
    const auto top = static_cast<uint32_t>(geometry.bottom() + 1);
    const uint32_t strut[] = {0, 0, top, 0};
    setCardinals(c, w, "_NET_WM_STRUT", strut, 4);
    // left, right, top, bottom, then start/end pairs for each side.
    const uint32_t partial[] = {0, 0, top, 0, 0, 0, 0, 0, static_cast<uint32_t>(geometry.left()),
                                static_cast<uint32_t>(geometry.right()), 0, 0};
    setCardinals(c, w, "_NET_WM_STRUT_PARTIAL", partial, 12);
    xcb_flush(c);
    return true;
#else
    Q_UNUSED(window);
    Q_UNUSED(geometry);
    return false;
#endif
}

} // namespace orb
