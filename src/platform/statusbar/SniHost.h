#pragma once
#include "platform/statusbar/StatusBarHost.h"

#include <QDBusConnection>

class QDBusServiceWatcher;

namespace orb {

class SniItem;

// Status items as StatusNotifierItems: one bus name and object per item, registered with
// org.kde.StatusNotifierWatcher in the fixed left-to-right order, and again whenever the
// watcher (the tray) restarts.
class SniHost : public StatusBarHost {
    Q_OBJECT
public:
    // `busAddress` empty: the session bus; otherwise the address of a bus to use instead.
    explicit SniHost(const QString &busAddress = QString());
    ~SniHost() override;

    QString name() const override { return QStringLiteral("sni"); }
    std::unique_ptr<StatusItemHost> createItem(const QString &moduleKey) override;

    bool isWatcherPresent() const { return watcherPresent_; }
    // Whether a StatusNotifierWatcher owns its name on `bus`.
    static bool watcherPresent(const QDBusConnection &bus);
    static const QString &watcherService();

Q_SIGNALS:
    // The watcher has been sent a registration for `item` under `service`.
    void itemRegistered(orb::StatusItemHost *item, const QString &service);

private:
    void scheduleSync();
    void sync();
    void registerWithWatcher(SniItem *item);
    void watcherAppeared();
    void watcherVanished();
    static void removeStaleIconFiles();

    QString address_;
    QString connectionName_;
    QDBusConnection bus_;
    QDBusServiceWatcher *watcher_ = nullptr;
    bool watcherPresent_ = false;
    bool syncPending_ = false;
};

} // namespace orb
