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

// A property of 32-bit values; empty when absent or of another format.
QList<quint32> cardinals(xcb_connection_t *c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, uint32_t max)
{
    QList<quint32> out;
    xcb_get_property_reply_t *reply =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, type, 0, max), nullptr);
    if (!reply)
        return out;
    if (reply->format == 32 && reply->type == type) {
        const auto *values = static_cast<const quint32 *>(xcb_get_property_value(reply));
        const int n = xcb_get_property_value_length(reply) / 4;
        out.reserve(n);
        for (int i = 0; i < n; ++i)
            out.append(values[i]);
    }
    free(reply);
    return out;
}

void setAtoms(xcb_connection_t *c, xcb_window_t w, const char *name, const xcb_atom_t *values, uint32_t count)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom(c, name), XCB_ATOM_ATOM, 32, count, values);
}
} // namespace
#endif

QList<DockStrut> X11Dock::otherStruts(const QWidget *self, QSize &root)
{
    QList<DockStrut> struts;
#ifdef ORB_HAVE_XCB
    xcb_connection_t *c = connection();
    if (!c)
        return struts;
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return struts;
    root = QSize(screen->width_in_pixels, screen->height_in_pixels);
    xcb_window_t own = XCB_WINDOW_NONE;
    if (self && self->internalWinId())
        own = static_cast<xcb_window_t>(self->internalWinId());
    // Managed windows (docks included) as the window manager lists them, and the root's own
    // children for docks without a window manager.
    QList<quint32> windows = cardinals(c, screen->root, atom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 4096);
    if (xcb_query_tree_reply_t *tree = xcb_query_tree_reply(c, xcb_query_tree(c, screen->root), nullptr)) {
        const xcb_window_t *children = xcb_query_tree_children(tree);
        for (int i = 0, n = xcb_query_tree_children_length(tree); i < n; ++i) {
            if (windows.contains(children[i]))
                continue;
            // Only windows on the screen: an unmapped one reserves nothing.
            xcb_get_window_attributes_reply_t *attrs =
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
            if (attrs && attrs->map_state == XCB_MAP_STATE_VIEWABLE)
                windows.append(children[i]);
            free(attrs);
        }
        free(tree);
    }
    const xcb_atom_t partial = atom(c, "_NET_WM_STRUT_PARTIAL"), plain = atom(c, "_NET_WM_STRUT");
    for (quint32 w : std::as_const(windows)) {
        if (w == own)
            continue;
        QList<quint32> values = cardinals(c, w, partial, XCB_ATOM_CARDINAL, 12);
        if (values.size() != 12)
            values = cardinals(c, w, plain, XCB_ATOM_CARDINAL, 4);
        if (values.size() == 12 || values.size() == 4)
            struts.append(DockStrut::fromCardinals(values, root));
    }
#else
    Q_UNUSED(self);
    Q_UNUSED(root);
#endif
    return struts;
}

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
