#include "platform/Logging.h"
#include "platform/statusbar/PanelHost.h"
#include "platform/statusbar/SniHost.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/X11Dock.h"

#include <QApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QStandardPaths>

namespace orb {

namespace {
// Only look at the session bus when one is configured: libdbus would otherwise try to
// autolaunch a bus of its own.
bool sessionBusConfigured()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(QString::fromLocal8Bit(runtime) + QStringLiteral("/bus")).exists();
}

bool widgetsAvailable() { return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr; }
} // namespace

QString StatusBarHost::chooseHostName(const QString &requested, bool sessionBus, bool watcherOnBus, bool display)
{
    const QString offscreen = QStringLiteral("offscreen"), panel = QStringLiteral("panel"), sni = QStringLiteral("sni");
    if (requested == offscreen)
        return offscreen;
    if (requested == panel && widgetsAvailable())
        return panel;
    if (requested == sni && sessionBus)
        return sni;
    if (!requested.isEmpty())
        qCWarning(lcPlatform).noquote() << "host" << requested << "cannot be used here; choosing one";
    if (watcherOnBus && widgetsAvailable())
        return sni;
    if (display && widgetsAvailable())
        return panel;
    return offscreen;
}

std::unique_ptr<StatusBarHost> StatusBarHost::create(const QString &name, TrayStyle trayStyle)
{
    const bool busConfigured = sessionBusConfigured();
    const bool bus = busConfigured && QDBusConnection::sessionBus().isConnected();
    const bool watcher = bus && SniHost::watcherPresent(QDBusConnection::sessionBus());
    const bool display = !qEnvironmentVariableIsEmpty("DISPLAY") && X11Dock::isX11();
    const QString chosen = chooseHostName(name.trimmed().toLower(), bus, watcher, display);
    if (chosen == QLatin1String("sni")) {
        qCInfo(lcPlatform).noquote() << "status items shown as StatusNotifierItems"
                                     << (watcher ? "(a tray is running)" : "(waiting for a tray)");
        return std::make_unique<SniHost>(QString(), trayStyle);
    }
    if (chosen == QLatin1String("panel")) {
        qCInfo(lcPlatform).noquote() << "status items shown in Orbmeter's own panel at the top of the screen";
        return std::make_unique<PanelHost>();
    }
    qCInfo(lcPlatform).noquote() << "status items shown by the offscreen host";
    return std::make_unique<OffscreenHost>();
}

} // namespace orb
