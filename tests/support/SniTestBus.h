#pragma once
// Shared by the StatusNotifierItem tests (on a MockBus of their own): a small watcher that
// lists items the way trays do (in the order they registered, dropping names that vanish),
// and a client that reads an item's properties and calls its methods.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>
#include <QVariant>

namespace orb::test {

// An item registered by object path is listed as "<sender>/path", as trays that take paths do.
class TestWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    TestWatcher(const QString &address, const QString &connectionName);
    ~TestWatcher() override;
    void stop();
    bool ok() const { return ok_; }
    QStringList items() const { return items_; }
    int registrations() const { return registrations_; }

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service);

private:
    QString name_;
    QDBusConnection bus_;
    QDBusServiceWatcher vanish_;
    QStringList items_;
    int registrations_ = 0;
    bool ok_ = false;
};

// Talks to items as a tray does; every call is asynchronous, because the item answers from
// the test's own thread.
class TrayClient {
public:
    TrayClient(const QString &address, const QString &connectionName);
    ~TrayClient();
    QDBusConnection &bus() { return bus_; }
    QDBusMessage call(const QString &service, const QString &path, const QString &interface,
                      const QString &method, const QVariantList &args);
    QDBusMessage callItem(const QString &service, const QString &interface, const QString &method,
                          const QVariantList &args);
    QVariant property(const QString &service, const QString &name);

private:
    QString name_;
    QDBusConnection bus_;
};

} // namespace orb::test
