#include "platform/linux/EventLoopChoice.h"

#include <QAbstractEventDispatcher>
#include <QList>
#include <QMetaObject>

#include <array>

namespace orb {

namespace {

constexpr char kNoGlib[] = "QT_NO_GLIB";

// The desktops on which Qt prefers its GTK platform theme.
constexpr std::array<const char *, 7> kGtkDesktops{"GNOME", "X-CINNAMON", "PANTHEON", "UNITY", "MATE", "XFCE", "LXDE"};

// Themes that only wrap the desktop's own (which may be GTK's).
bool wrapsDesktopTheme(const QByteArray &theme)
{
    return theme == "xdgdesktopportal" || theme == "flatpak" || theme == "snap";
}

bool gtkDesktop(const QByteArray &desktops)
{
    for (const QByteArray &name : desktops.toUpper().split(':'))
        for (const char *gtk : kGtkDesktops)
            if (name.trimmed() == gtk)
                return true;
    return false;
}

} // namespace

bool EventLoopChoice::qtLoopWanted(const Inputs &in)
{
    if (in.userChose)
        return false;
    const QByteArray theme = in.platformTheme.trimmed().toLower();
    if (theme.contains("gtk"))
        return false;
    if (!theme.isEmpty() && !wrapsDesktopTheme(theme))
        return true;
    return !gtkDesktop(in.desktop);
}

EventLoopChoice::Inputs EventLoopChoice::fromEnvironment()
{
    Inputs in;
    in.userChose = qEnvironmentVariableIsSet(kNoGlib);
    in.platformTheme = qgetenv("QT_QPA_PLATFORMTHEME");
    // Where Qt looks for the desktop's name, in its order.
    in.desktop = qgetenv("XDG_CURRENT_DESKTOP");
    if (in.desktop.isEmpty())
        in.desktop = qEnvironmentVariableIsEmpty("GNOME_DESKTOP_SESSION_ID") ? qgetenv("DESKTOP_SESSION") : QByteArray("GNOME");
    return in;
}

bool EventLoopChoice::chooseBeforeStart()
{
    if (!qtLoopWanted(fromEnvironment()))
        return false;
    qputenv(kNoGlib, "1");
    return true;
}

void EventLoopChoice::restoreEnvironment(bool chosen)
{
    if (chosen)
        qunsetenv(kNoGlib);
}

QByteArray EventLoopChoice::currentLoopName()
{
    const QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return "none";
    const QByteArray name = dispatcher->metaObject()->className();
    const QByteArray lower = name.toLower();
    return lower.contains("glib") ? QByteArray("GLib") : lower.contains("unix") ? QByteArray("Qt") : name;
}

} // namespace orb
