#include "SniTestBus.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDBusPendingCall>
#include <QDBusVariant>

namespace orb::test {

TestWatcher::TestWatcher(const QString &address, const QString &connectionName)
    : name_(connectionName), bus_(QDBusConnection::connectToBus(address, connectionName)),
      vanish_(QString(), bus_, QDBusServiceWatcher::WatchForUnregistration)
{
    connect(&vanish_, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString &s) {
        items_.removeIf([&](const QString &item) { return item == s || item.startsWith(s + QLatin1Char('/')); });
    });
    bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this, QDBusConnection::ExportAllSlots);
    ok_ = bus_.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

TestWatcher::~TestWatcher() { stop(); }

void TestWatcher::stop()
{
    if (!bus_.isConnected())
        return;
    bus_.unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    bus_.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
    QDBusConnection::disconnectFromBus(name_);
    bus_ = QDBusConnection(QString());
}

void TestWatcher::RegisterStatusNotifierItem(const QString &service)
{
    ++registrations_;
    const bool byPath = service.startsWith(QLatin1Char('/'));
    const QString owner = byPath ? message().service() : service;
    vanish_.addWatchedService(owner);
    const QString item = byPath ? owner + service : service;
    if (!items_.contains(item))
        items_.append(item);
}

TrayClient::TrayClient(const QString &address, const QString &connectionName)
    : name_(connectionName), bus_(QDBusConnection::connectToBus(address, connectionName))
{
}

TrayClient::~TrayClient() { QDBusConnection::disconnectFromBus(name_); }

QDBusMessage TrayClient::call(const QString &service, const QString &path, const QString &interface,
                              const QString &method, const QVariantList &args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(service, path, interface, method);
    m.setArguments(args);
    QDBusPendingCall pending = bus_.asyncCall(m);
    waitUntil([&] { return pending.isFinished(); });
    return pending.reply();
}

QDBusMessage TrayClient::callItem(const QString &service, const QString &interface, const QString &method,
                                  const QVariantList &args)
{
    return call(service, QStringLiteral("/StatusNotifierItem"), interface, method, args);
}

QVariant TrayClient::property(const QString &service, const QString &name)
{
    const QDBusMessage reply = callItem(service, QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("Get"), {QStringLiteral("org.kde.StatusNotifierItem"), name});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

} // namespace orb::test
