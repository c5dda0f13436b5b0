#include "platform/statusbar/SniHost.h"

#include "platform/Logging.h"
#include "platform/statusbar/SniItem.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDir>
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

SniHost::SniHost(const QString &busAddress)
    : address_(busAddress),
      connectionName_(QStringLiteral("orbmeter-sni-host-%1").arg(nextHost.fetch_add(1))),
      bus_(busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)
                                : QDBusConnection::connectToBus(busAddress, connectionName_))
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
}

SniHost::~SniHost() { QDBusConnection::disconnectFromBus(connectionName_); }

std::unique_ptr<StatusItemHost> SniHost::createItem(const QString &moduleKey)
{
    auto item = adopt(std::make_unique<SniItem>(this, moduleKey, address_));
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
// be registered, every item to its right is registered again under a fresh name.
void SniHost::sync()
{
    syncPending_ = false;
    if (!watcherPresent_)
        return;
    bool moveRest = false;
    const QList<StatusItemHost *> items = itemsInOrder();
    for (StatusItemHost *base : items) {
        auto *item = static_cast<SniItem *>(base);
        if (!item->isRegistered()) {
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

void SniHost::registerWithWatcher(SniItem *item)
{
    if (item->serviceName().isEmpty())
        return;
    // All registrations go out on this one connection so that the watcher receives them in
    // order; asynchronously, because the watcher calls the item back before it answers.
    QDBusMessage call = QDBusMessage::createMethodCall(watcherService(), QStringLiteral("/StatusNotifierWatcher"),
                                                       watcherService(),
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << item->serviceName();
    auto *pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
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
}

void SniHost::watcherAppeared()
{
    qCInfo(lcPlatform) << "status notifier watcher appeared; registering status items";
    watcherPresent_ = true;
    for (StatusItemHost *item : itemsInOrder())
        static_cast<SniItem *>(item)->setRegistered(false);
    scheduleSync();
}

void SniHost::watcherVanished()
{
    watcherPresent_ = false;
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
