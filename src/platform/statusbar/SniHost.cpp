#include "platform/statusbar/SniHost.h"

#include "platform/Logging.h"
#include "platform/statusbar/DBusMenuExporter.h"
#include "platform/statusbar/SniItem.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDir>
#include <QPointer>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <signal.h>

namespace orb {

namespace {
std::atomic<int> nextHost{1};
}

const QString &SniHost::watcherService()
{
    static const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    return name;
}

bool SniHost::watcherPresent(const QDBusConnection &bus)
{
    if (!bus.isConnected() || !bus.interface())
        return false;
    return bus.interface()->isServiceRegistered(watcherService()).value();
}

SniHost::SniHost(const QString &busAddress, TrayStyle style, Sysroot procRoot)
    : address_(busAddress),
      connectionName_(QStringLiteral("orbmeter-sni-host-%1").arg(nextHost.fetch_add(1))),
      bus_(busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)
                                : QDBusConnection::connectToBus(busAddress, connectionName_)),
      requested_(style),
      style_(style == TrayStyle::Wide ? TrayStyle::Wide : TrayStyle::Compact),
      procRoot_(std::move(procRoot))
{
    removeStaleIconFiles();
    if (!bus_.isConnected()) {
        qCWarning(lcPlatform).noquote() << "no session bus for status items:" << bus_.lastError().message();
        return;
    }
    watcher_ = new QDBusServiceWatcher(watcherService(), bus_,
                                       QDBusServiceWatcher::WatchForRegistration
                                           | QDBusServiceWatcher::WatchForUnregistration,
                                       this);
    connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this, &SniHost::watcherAppeared);
    connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &SniHost::watcherVanished);
    watcherPresent_ = watcherPresent(bus_);
    if (!watcherPresent_)
        qCInfo(lcPlatform) << "no status notifier watcher yet; items are shown when one starts";
    else
        identifyTray();
}

SniHost::~SniHost()
{
    // The watcher's signal subscriptions go before the connection does: the closing
    // connection, on its own thread, lets go of every object still subscribed.
    delete watcher_;
    watcher_ = nullptr;
    QDBusConnection::disconnectFromBus(connectionName_);
}

std::unique_ptr<StatusItemHost> SniHost::createItem(const QString &moduleKey)
{
    auto sni = std::make_unique<SniItem>(this, moduleKey, address_);
    sni->setStyle(style_);
    // An item is put before the tray once it has something to show.
    connect(sni.get(), &SniItem::activeChanged, this, [this](bool active) {
        if (active)
            scheduleSync();
    });
    auto item = adopt(std::move(sni));
    scheduleSync();
    return item;
}

void SniHost::scheduleSync()
{
    if (syncPending_)
        return;
    syncPending_ = true;
    QTimer::singleShot(0, this, [this] { sync(); });
}

// Walks the items left to right. Trays append new items at the end, so once one item had to
// be registered, every item to its right is registered again under a fresh name. An item with
// nothing to show is left out until it has something (a tray would show an empty or broken
// icon for it).
void SniHost::sync()
{
    syncPending_ = false;
    if (!watcherPresent_ || !trayKnown_)
        return;
    bool moveRest = false;
    const QList<StatusItemHost *> items = itemsInOrder();
    for (StatusItemHost *base : items) {
        auto *item = static_cast<SniItem *>(base);
        if (!item->isRegistered()) {
            if (!item->isActive())
                continue;
            moveRest = true;
        } else if (moveRest) {
            if (!item->takeNewServiceName())
                continue;
        } else {
            continue;
        }
        registerWithWatcher(item);
    }
}

void SniHost::registerWithWatcher(SniItem *item, int attempt)
{
    if (item->serviceName().isEmpty())
        return;
    // All registrations go out on this one connection so that the watcher receives them in
    // order; asynchronously, because the watcher calls the item back before it answers. A tray
    // that takes items by path hears from each item's own connection.
    const bool byPath = registersByPath(trayName_);
    QDBusMessage call = QDBusMessage::createMethodCall(watcherService(), QStringLiteral("/StatusNotifierWatcher"),
                                                       watcherService(),
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << (byPath ? QStringLiteral("/StatusNotifierItem") : item->serviceName());
    QDBusConnection sender = byPath ? item->connection() : bus_;
    auto *pending = new QDBusPendingCallWatcher(sender.asyncCall(call), this);
    const QString service = item->serviceName();
    const QString key = item->moduleKey();
    connect(pending, &QDBusPendingCallWatcher::finished, this, [service, key](QDBusPendingCallWatcher *w) {
        if (w->isError())
            qCWarning(lcPlatform).noquote() << "status item" << key << "(" << service
                                            << ") was refused by the tray:" << w->error().message();
        w->deleteLater();
    });
    item->setRegistered(true);
    Q_EMIT itemRegistered(item, service);
    const int reads = item->menuExporter() ? item->menuExporter()->layoutReads() : 0;
    QPointer<SniItem> guard(item);
    QTimer::singleShot(takenCheckMs_, this, [this, guard, service, reads, attempt] {
        if (guard)
            checkTaken(guard, service, reads, attempt);
    });
}

void SniHost::checkTaken(SniItem *item, const QString &service, int menuReads, int attempt)
{
    if (!watcherPresent_ || item->serviceName() != service || !item->isRegistered() || !item->menuExporter()
        || item->menuExporter()->layoutReads() > menuReads)
        return;
    if (attempt >= kRegistrationAttempts) {
        qCInfo(lcPlatform).noquote() << "the tray never read the menu of" << item->moduleKey() << "; leaving it as it is";
        return;
    }
    qCInfo(lcPlatform).noquote() << "the tray has not set up" << item->moduleKey() << "; registering it again";
    if (!item->takeNewServiceName())
        return;
    registerWithWatcher(item, attempt + 1);
}

void SniHost::watcherAppeared()
{
    qCInfo(lcPlatform) << "status notifier watcher appeared; registering status items";
    watcherPresent_ = true;
    for (StatusItemHost *item : itemsInOrder())
        static_cast<SniItem *>(item)->setRegistered(false);
    identifyTray();
    scheduleSync();
}

bool SniHost::registersByPath(const QString &processName) { return processName == QLatin1String("gnome-shell"); }

TrayStyle SniHost::styleForTray(const QString &processName)
{
    return processName == QLatin1String("waybar") ? TrayStyle::Wide : TrayStyle::Compact;
}

QString SniHost::processName(const Sysroot &root, qint64 pid)
{
    if (pid <= 0)
        return {};
    const std::string dir = "/proc/" + std::to_string(pid);
    if (const auto comm = root.readLine(dir + "/comm"); comm && !comm->empty())
        return QString::fromLocal8Bit(comm->data(), static_cast<qsizetype>(comm->size())).trimmed();
    // argv[0] up to its first NUL, without the directory.
    const auto cmdline = root.readText(dir + "/cmdline", 4096);
    if (!cmdline || cmdline->empty())
        return {};
    const std::string argv0 = cmdline->substr(0, cmdline->find('\0'));
    return QString::fromLocal8Bit(argv0.data(), static_cast<qsizetype>(argv0.size())).section(QLatin1Char('/'), -1);
}

// Asks the bus which process owns the watcher's name, without waiting for the answer.
void SniHost::identifyTray()
{
    trayKnown_ = false;
    if (!bus_.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    call << watcherService();
    auto *pending = new QDBusPendingCallWatcher(bus_.asyncCall(call, 3000), this);
    const int serial = ++identifySerial_;
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this, serial](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (serial != identifySerial_)
            return; // a newer tray came since
        const QDBusMessage reply = w->reply();
        QString tray;
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            tray = processName(procRoot_, reply.arguments().first().toLongLong());
        else
            qCInfo(lcPlatform).noquote() << "cannot tell which tray runs:" << w->error().message();
        trayName_ = tray;
        trayKnown_ = true;
        if (requested_ == TrayStyle::Auto) {
            const TrayStyle chosen = styleForTray(tray);
            qCInfo(lcPlatform).noquote() << "tray" << (tray.isEmpty() ? QStringLiteral("(unknown)") : tray)
                                         << "gets the" << trayStyleName(chosen) << "item style";
            applyStyle(chosen);
            Q_EMIT trayIdentified(tray, chosen);
        }
        // After the style: the items have then worked out what they show in it, and only
        // those with something to show are registered.
        scheduleSync();
    });
}

void SniHost::setTrayStyle(TrayStyle style)
{
    requested_ = style;
    if (style != TrayStyle::Auto)
        applyStyle(style);
    else if (trayKnown_)
        applyStyle(styleForTray(trayName_));
    else
        identifyTray();
}

void SniHost::applyStyle(TrayStyle style)
{
    style_ = style;
    for (StatusItemHost *item : itemsInOrder())
        static_cast<SniItem *>(item)->setStyle(style);
}

void SniHost::watcherVanished()
{
    watcherPresent_ = false;
    trayKnown_ = false;
    for (StatusItemHost *item : itemsInOrder())
        static_cast<SniItem *>(item)->setRegistered(false);
}

// Icon files of an earlier run that did not end cleanly.
void SniHost::removeStaleIconFiles()
{
    const QString path = SniItem::iconDirectory();
    if (path.isEmpty())
        return;
    QDir dir(path);
    const QStringList files = dir.entryList({QStringLiteral("*.png")}, QDir::Files);
    for (const QString &file : files) {
        bool ok = false;
        const qint64 pid = file.section(QLatin1Char('-'), 0, 0).toLongLong(&ok);
        if (!ok || pid <= 0 || pid == QCoreApplication::applicationPid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            dir.remove(file);
    }
}

} // namespace orb
