#include "platform/linux/BluezClient.h"

#include "platform/Logging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>

namespace orb {
namespace {

const QString kService = QStringLiteral("org.bluez");
const QString kObjectManager = QStringLiteral("org.freedesktop.DBus.ObjectManager");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kDevice = QStringLiteral("org.bluez.Device1");
const QString kBattery = QStringLiteral("org.bluez.Battery1");

QVariantMap mapArgument(const QVariant &v)
{
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

QString objectPath(const QVariant &v)
{
    if (v.canConvert<QDBusObjectPath>())
        return v.value<QDBusObjectPath>().path();
    return v.toString();
}

} // namespace

BluezClient::BluezClient(const QDBusConnection &bus, QObject *parent) : QObject(parent), bus_(bus) {}

BluezClient::~BluezClient() = default;

void BluezClient::start()
{
    if (!bus_.isConnected()) {
        settled_ = true;
        Q_EMIT changed();
        return;
    }
    bus_.connect(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesAdded"), this,
                 SLOT(onInterfacesAdded(QDBusMessage)));
    bus_.connect(kService, QStringLiteral("/"), kObjectManager, QStringLiteral("InterfacesRemoved"), this,
                 SLOT(onInterfacesRemoved(QDBusMessage)));
    bus_.connect(kService, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
                 SLOT(onPropertiesChanged(QDBusMessage)));
    serviceWatcher_ = new QDBusServiceWatcher(kService, bus_,
                                              QDBusServiceWatcher::WatchForRegistration
                                                  | QDBusServiceWatcher::WatchForUnregistration,
                                              this);
    connect(serviceWatcher_, &QDBusServiceWatcher::serviceRegistered, this, &BluezClient::load);
    connect(serviceWatcher_, &QDBusServiceWatcher::serviceUnregistered, this, &BluezClient::serviceGone);
    load();
}

std::vector<BluezDevice> BluezClient::devices() const
{
    std::vector<BluezDevice> out;
    for (auto it = objects_.cbegin(); it != objects_.cend(); ++it)
        if (it->hasDevice)
            out.push_back(PowerStateBuilder::bluezDevice(it.key(), it->device, it->battery));
    return out;
}

void BluezClient::load()
{
    const quint64 generation = ++generation_;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/"), kObjectManager,
                                                       QStringLiteral("GetManagedObjects"));
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, kTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, generation](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (generation != generation_)
            return;
        const QDBusMessage reply = w->reply();
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()
            || !reply.arguments().first().canConvert<QDBusArgument>()) {
            if (!settled_)
                qCInfo(lcPlatform).noquote() << "no Bluetooth service on the system bus:" << w->error().message();
            serviceGone();
            return;
        }
        objects_.clear();
        const QDBusArgument arg = reply.arguments().first().value<QDBusArgument>();
        arg.beginMap();
        while (!arg.atEnd()) {
            arg.beginMapEntry();
            QDBusObjectPath path;
            arg >> path;
            addInterfaces(path.path(), arg);
            arg.endMapEntry();
        }
        arg.endMap();
        present_ = true;
        settled_ = true;
        Q_EMIT changed();
    });
}

void BluezClient::addInterfaces(const QString &path, const QDBusArgument &interfaces)
{
    interfaces.beginMap();
    while (!interfaces.atEnd()) {
        interfaces.beginMapEntry();
        QString name;
        QVariantMap properties;
        interfaces >> name >> properties;
        interfaces.endMapEntry();
        if (name == kDevice) {
            Object &o = objects_[path];
            o.device = properties;
            o.hasDevice = true;
        } else if (name == kBattery) {
            objects_[path].battery = properties;
        }
    }
    interfaces.endMap();
}

void BluezClient::serviceGone()
{
    ++generation_;
    const bool hadSomething = present_ || !objects_.isEmpty() || !settled_;
    objects_.clear();
    present_ = false;
    settled_ = true;
    if (hadSomething)
        Q_EMIT changed();
}

void BluezClient::onInterfacesAdded(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2 || !args[1].canConvert<QDBusArgument>())
        return;
    addInterfaces(objectPath(args[0]), args[1].value<QDBusArgument>());
    Q_EMIT changed();
}

void BluezClient::onInterfacesRemoved(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2)
        return;
    const QString path = objectPath(args[0]);
    const auto it = objects_.find(path);
    if (it == objects_.end())
        return;
    const QStringList removed = args[1].toStringList();
    if (removed.contains(kDevice))
        objects_.erase(it);
    else if (removed.contains(kBattery))
        it->battery.clear();
    Q_EMIT changed();
}

void BluezClient::onPropertiesChanged(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.size() < 2)
        return;
    const QString interface = args[0].toString();
    if (interface != kDevice && interface != kBattery)
        return;
    const auto it = objects_.find(message.path());
    if (it == objects_.end())
        return;
    QVariantMap &target = interface == kDevice ? it->device : it->battery;
    const QVariantMap changedProps = mapArgument(args[1]);
    for (auto p = changedProps.cbegin(); p != changedProps.cend(); ++p)
        target.insert(p.key(), p.value());
    for (const QString &gone : args.size() > 2 ? args[2].toStringList() : QStringList())
        target.remove(gone);
    Q_EMIT changed();
}

} // namespace orb
