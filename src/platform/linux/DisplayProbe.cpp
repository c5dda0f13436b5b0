#include "platform/linux/DisplayProbe.h"

#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QStringList>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#ifdef ORB_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace orb {

namespace {
const char *kPanelElsewhere =
    "the panel host needs an X11 display (an X server, or Xwayland in a Wayland session); this Wayland "
    "compositor has none. Use --host sni with a tray that shows StatusNotifierItems (waybar's tray, for one).";
} // namespace

DisplayProbe::Decision DisplayProbe::decide(const Inputs &in)
{
    Decision d;
    const QString requested = in.requestedPlatform.trimmed();
    const bool waylandRequested = requested.startsWith(QLatin1String("wayland"));
    if (!requested.isEmpty() && requested != QLatin1String("xcb") && !waylandRequested)
        return d; // offscreen, vnc, ...: the caller knows what it asked for
    if (requested == QLatin1String("xcb") || (requested.isEmpty() && !in.display.isEmpty() && in.x11Reachable)) {
        if (!in.xcbPlugin) {
            d.message = QStringLiteral("Qt's X11 platform plugin (libqxcb.so) is not installed");
            d.exitCode = 1;
        } else if (!in.x11Reachable) {
            d.message = QStringLiteral("cannot open the X11 display \"%1\"").arg(QString::fromLocal8Bit(in.display));
            d.exitCode = 1;
        } else {
            d.platform = "xcb";
        }
        return d;
    }
    if (waylandRequested || (requested.isEmpty() && !in.waylandDisplay.isEmpty())) {
        if (!in.waylandReachable) {
            d.message = QStringLiteral("cannot reach the Wayland display \"%1\"").arg(QString::fromLocal8Bit(in.waylandDisplay));
            if (!in.display.isEmpty())
                d.message += QStringLiteral(", nor the X11 display \"%1\"").arg(QString::fromLocal8Bit(in.display));
            d.exitCode = 1;
        } else if (!in.waylandPlugin) {
            d.message = QStringLiteral("Qt's Wayland platform plugin is not installed (Debian: qt6-wayland), and there is no "
                                       "X11 display (Xwayland) to use instead");
            d.exitCode = 1;
        } else if (in.panelRequested) {
            d.message = QString::fromLatin1(kPanelElsewhere);
            d.exitCode = 2;
        } else {
            d.platform = waylandRequested ? requested.toLatin1() : QByteArray("wayland");
        }
        return d;
    }
    if (!in.display.isEmpty()) {
        d.message = QStringLiteral("cannot open the X11 display \"%1\"").arg(QString::fromLocal8Bit(in.display));
        d.exitCode = 1;
    }
    return d; // no display at all: the caller runs headless
}

DisplayProbe::Inputs DisplayProbe::probe(bool panelRequested)
{
    Inputs in;
    in.requestedPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    in.display = qgetenv("DISPLAY");
    in.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    in.panelRequested = panelRequested;
    in.x11Reachable = !in.display.isEmpty() && x11Reachable(in.display);
    in.waylandReachable = !in.waylandDisplay.isEmpty() && waylandReachable(in.waylandDisplay, qgetenv("XDG_RUNTIME_DIR"));
    in.xcbPlugin = pluginInstalled(QStringLiteral("libqxcb.so"));
    in.waylandPlugin = pluginInstalled(QStringLiteral("libqwayland-generic.so"));
    return in;
}

bool DisplayProbe::x11Reachable(const QByteArray &display)
{
#ifdef ORB_HAVE_XCB
    xcb_connection_t *c = xcb_connect(display.constData(), nullptr);
    const bool ok = c && xcb_connection_has_error(c) == 0;
    if (c)
        xcb_disconnect(c);
    return ok;
#else
    Q_UNUSED(display);
    return true; // let Qt try
#endif
}

bool DisplayProbe::waylandReachable(const QByteArray &name, const QByteArray &runtimeDir)
{
    QByteArray path = name;
    if (!name.startsWith('/')) {
        if (runtimeDir.isEmpty())
            return false;
        path = runtimeDir + '/' + name;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof(addr.sun_path)))
        return false;
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr *>(&addr), sizeof(addr)) == 0;
    ::close(fd);
    return ok;
}

bool DisplayProbe::pluginInstalled(const QString &file)
{
    QStringList dirs;
    const QString platforms = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!platforms.isEmpty() && QFileInfo::exists(platforms + QLatin1Char('/') + file))
        return true;
    for (const QString &dir : qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs << dir;
    dirs << QLibraryInfo::path(QLibraryInfo::PluginsPath);
    for (const QString &dir : std::as_const(dirs))
        if (QFileInfo::exists(dir + QStringLiteral("/platforms/") + file))
            return true;
    return false;
}

} // namespace orb
