#pragma once
#include "platform/Sysroot.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/TrayHeadline.h"

#include <QDBusConnection>

class QDBusServiceWatcher;

namespace orb {

class SniItem;

// Status items as StatusNotifierItems: one bus name and object per item, registered with
// org.kde.StatusNotifierWatcher in the fixed left-to-right order, and again whenever the
// watcher (the tray) restarts. In the Auto style the tray is identified by the process that
// owns the watcher's name, and its items drawn wide or compact to suit it.
class SniHost : public StatusBarHost {
    Q_OBJECT
public:
    // `busAddress` empty: the session bus; otherwise the address of a bus to use instead.
    // `procRoot`: where the tray's process name is read (/proc/<pid>/comm).
    explicit SniHost(const QString &busAddress = QString(), TrayStyle style = TrayStyle::Auto,
                     Sysroot procRoot = Sysroot());
    ~SniHost() override;

    QString name() const override { return QStringLiteral("sni"); }
    std::unique_ptr<StatusItemHost> createItem(const QString &moduleKey) override;
    void setTrayStyle(TrayStyle style) override;

    bool isWatcherPresent() const { return watcherPresent_; }
    // Whether a StatusNotifierWatcher owns its name on `bus`.
    static bool watcherPresent(const QDBusConnection &bus);
    static const QString &watcherService();

    // The style the items have now: the requested one, or for Auto the one chosen for the
    // running tray (Compact until it is known).
    TrayStyle style() const { return style_; }
    // Wide for trays known to keep an item's shape (waybar), Compact for every other.
    static TrayStyle styleForTray(const QString &processName);
    // Whether items are registered with the tray by object path from their own connection
    // rather than by bus name: for GNOME Shell, whose AppIndicator extension sets an item
    // registered by name up only by chance (it races with its own watch of that name).
    static bool registersByPath(const QString &processName);
    // The tray's process name once it has been asked for (empty when it could not tell).
    QString trayName() const { return trayName_; }
    // The name of process `pid` under `root` (its comm, else the base name of argv[0]); empty
    // when it cannot be read.
    static QString processName(const Sysroot &root, qint64 pid);

Q_SIGNALS:
    // The watcher has been sent a registration for `item` under `service`.
    void itemRegistered(orb::StatusItemHost *item, const QString &service);
    // The Auto style has looked at the running tray (`tray` empty when it could not tell).
    void trayIdentified(const QString &tray, orb::TrayStyle style);

private:
    void scheduleSync();
    void sync();
    // `attempt`: how many times the item's registration has been tried since a tray took it.
    void registerWithWatcher(SniItem *item, int attempt = 1);
    // Registers `item` again under a new name when the tray has not read its menu some time
    // after its registration: a tray that failed to set the item up then gets another go.
    void checkTaken(SniItem *item, const QString &service, int menuReads, int attempt);
    void watcherAppeared();
    void watcherVanished();
    static void removeStaleIconFiles();
public:
    // How often an item is registered in all when the tray does not read its menu.
    static constexpr int kRegistrationAttempts = 3;
    // How long a tray has to read a new item's menu (6 s unless changed).
    void setTakenCheckInterval(int ms) { takenCheckMs_ = ms; }

private:
    void identifyTray();
    void applyStyle(TrayStyle style);

    QString address_;
    QString connectionName_;
    QDBusConnection bus_;
    QDBusServiceWatcher *watcher_ = nullptr;
    bool watcherPresent_ = false;
    bool syncPending_ = false;
    TrayStyle requested_;
    TrayStyle style_;
    Sysroot procRoot_;
    int identifySerial_ = 0;
    int takenCheckMs_ = 6000;
    // Registrations wait until the tray has been identified.
    bool trayKnown_ = false;
    QString trayName_;
};

} // namespace orb
