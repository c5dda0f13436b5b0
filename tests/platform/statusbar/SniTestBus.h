#pragma once
// Shared by the StatusNotifierItem tests: a private bus, a small watcher that lists items
// the way trays do (in the order they registered, dropping names that vanish), and a client
// that reads an item's properties and calls its methods.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVariant>
#include <functional>

namespace orb::test {

bool waitUntil(const std::function<bool()> &done, int ms = 5000);
void spin(int ms);

// A dbus-daemon of the test's own, gone when the test ends.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    QString address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

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
