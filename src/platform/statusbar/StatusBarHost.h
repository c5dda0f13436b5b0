#pragma once
#include "platform/statusbar/StatusItemHost.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>

namespace orb {

// Where status items are shown: a StatusNotifierItem tray ("sni"), our own menu-bar strip
// ("panel"), or nowhere ("offscreen", rendered by `snapshot`). Items are kept in the fixed
// left-to-right order whatever the order they were created in.
class StatusBarHost : public QObject {
    Q_OBJECT
public:
    ~StatusBarHost() override;

    // Makes the host named `name`, or chooses one when `name` is empty: sni when a
    // StatusNotifierWatcher is on the session bus, panel when a display is there, else offscreen.
    // `trayStyle` is how a StatusNotifierItem tray shows the items (Auto: chosen per tray).
    static std::unique_ptr<StatusBarHost> create(const QString &name, TrayStyle trayStyle = TrayStyle::Auto);
    // The choice create() makes: `requested` when it names a usable host ("offscreen",
    // "panel" with a widget application, "sni" with a session bus), else sni when a watcher is
    // there, panel when a display is there, else offscreen.
    static QString chooseHostName(const QString &requested, bool sessionBus, bool watcherOnBus, bool display);

    virtual QString name() const = 0;
    // How a tray draws the items from now on; hosts without a tray ignore it.
    virtual void setTrayStyle(TrayStyle style) { (void)style; }
    // Height of the bar in points; 0 when the host has none of its own.
    virtual double menuBarHeight() const { return 0.0; }

    // A new item for the module; the caller owns it.
    virtual std::unique_ptr<StatusItemHost> createItem(const QString &moduleKey);

    // Left-to-right place of a module: cpu, gpu, memory, network, disk, temp, fan, volume, vnc, general.
    static int visibleRank(const QString &moduleKey);
    QList<StatusItemHost *> itemsInOrder() const { return items_; }

Q_SIGNALS:
    void itemAdded(orb::StatusItemHost *item);
    void itemRemoved(orb::StatusItemHost *item);
    void itemChanged(orb::StatusItemHost *item);

protected:
    StatusBarHost() = default;
    // Hosts with their own item classes create them here and pass them to adopt().
    std::unique_ptr<StatusItemHost> adopt(std::unique_ptr<StatusItemHost> item);

private:
    friend class StatusItemHost;
    void forget(StatusItemHost *item);
    QList<StatusItemHost *> items_;
};

// No window at all: items are only kept, in order, for snapshots and tests.
class OffscreenHost : public StatusBarHost {
    Q_OBJECT
public:
    QString name() const override { return QStringLiteral("offscreen"); }
};

} // namespace orb
