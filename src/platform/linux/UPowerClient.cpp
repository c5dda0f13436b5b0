#include "platform/linux/UPowerClient.h"

#include "platform/Logging.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace orb {
namespace {

const QString kService = QStringLiteral("org.freedesktop.UPower");
const QString kPath = QStringLiteral("/org/freedesktop/UPower");
const QString kDevicePrefix = QStringLiteral("/org/freedesktop/UPower/devices/");
const QString kDisplayDevice = QStringLiteral("/org/freedesktop/UPower/devices/DisplayDevice");
const QString kDeviceInterface = QStringLiteral("org.freedesktop.UPower.Device");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

// The first argument of a device signal: an object path (a string on old daemons).
QString pathArgument(const QDBusMessage &message)
{
    const QVariantList args = message.arguments();
    if (args.isEmpty())
        return {};
    const QVariant v = args.first();
    if (v.canConvert<QDBusObjectPath>())
        return v.value<QDBusObjectPath>().path();
    return v.toString();
}

QVariantMap mapArgument(const QVariant &v)
{
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

} // namespace

UPowerClient::UPowerClient(const QDBusConnection &bus, QObject *parent) : QObject(parent), bus_(bus) {}

UPowerClient::~UPowerClient() = default;

void UPowerClient::start()
{
    if (!bus_.isConnected()) {
        settled_ = true;
        Q_EMIT changed();
        return;
    }
    bus_.connect(kService, kPath, kService, QStringLiteral("DeviceAdded"), this, SLOT(onDeviceAdded(QDBusMessage)));
    bus_.connect(kService, kPath, kService, QStringLiteral("DeviceRemoved"), this,
                 SLOT(onDeviceRemoved(QDBusMessage)));
    bus_.connect(kService, QString(), kProperties, QStringLiteral("PropertiesChanged"), this,
                 SLOT(onPropertiesChanged(QDBusMessage)));
    serviceWatcher_ = new QDBusServiceWatcher(kService, bus_,
                                              QDBusServiceWatcher::WatchForRegistration
                                                  | QDBusServiceWatcher::WatchForUnregistration,
                                              this);
    connect(serviceWatcher_, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        qCInfo(lcPlatform) << "power service appeared on the system bus";
        enumerate();
    });
    connect(serviceWatcher_, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        qCInfo(lcPlatform) << "power service left the system bus";
        serviceGone();
    });
    enumerate();
}

std::vector<UPowerDevice> UPowerClient::devices() const
{
    std::vector<UPowerDevice> out;
    out.reserve(static_cast<size_t>(devices_.size()));
    for (auto it = devices_.cbegin(); it != devices_.cend(); ++it)
        out.push_back({it.key(), it.value()});
    return out;
}

void UPowerClient::watch(QDBusPendingCallWatcher *watcher, std::function<void(QDBusPendingCallWatcher &)> done)
{
    const quint64 generation = generation_;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation, done = std::move(done)](QDBusPendingCallWatcher *w) {
                w->deleteLater();
                if (generation == generation_)
                    done(*w);
            });
}

void UPowerClient::enumerate()
{
    ++generation_;
    pending_ = 1;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("EnumerateDevices"));
    watch(new QDBusPendingCallWatcher(bus_.asyncCall(call, kTimeoutMs), this), [this](QDBusPendingCallWatcher &w) {
        const QDBusPendingReply<QList<QDBusObjectPath>> reply = w;
        if (reply.isError()) {
            if (!settled_ || present_)
                qCInfo(lcPlatform).noquote() << "no power service on the system bus:" << reply.error().message();
            serviceGone();
            return;
        }
        present_ = true;
        QMap<QString, QVariantMap> kept;
        for (const QDBusObjectPath &p : reply.value())
            kept.insert(p.path(), devices_.value(p.path()));
        devices_ = kept;
        for (const QDBusObjectPath &p : reply.value())
            fetch(p.path());
        fetch(kDisplayDevice);
        finishOne();
    });
}

void UPowerClient::fetch(const QString &path)
{
    ++pending_;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, path, kProperties, QStringLiteral("GetAll"));
    call << kDeviceInterface;
    watch(new QDBusPendingCallWatcher(bus_.asyncCall(call, kTimeoutMs), this), [this, path](QDBusPendingCallWatcher &w) {
        const QDBusPendingReply<QVariantMap> reply = w;
        if (reply.isError()) {
            qCDebug(lcPlatform).noquote() << "power device" << path << "did not answer:" << reply.error().message();
            if (path == kDisplayDevice)
                display_.clear();
            else
                devices_.remove(path);
        } else if (path == kDisplayDevice) {
            display_ = reply.value();
        } else {
            devices_.insert(path, reply.value());
        }
        finishOne();
    });
}

void UPowerClient::finishOne()
{
    if (pending_ > 0)
        --pending_;
    if (pending_ == 0) {
        settled_ = true;
        Q_EMIT changed();
    }
}

void UPowerClient::serviceGone()
{
    ++generation_;
    const bool hadSomething = present_ || !devices_.isEmpty() || !settled_;
    devices_.clear();
    display_.clear();
    present_ = false;
    pending_ = 0;
    settled_ = true;
    if (hadSomething)
        Q_EMIT changed();
}

void UPowerClient::onDeviceAdded(const QDBusMessage &message)
{
    const QString path = pathArgument(message);
    if (path.startsWith(kDevicePrefix))
        fetch(path);
}

void UPowerClient::onDeviceRemoved(const QDBusMessage &message)
{
    if (devices_.remove(pathArgument(message)) > 0)
        Q_EMIT changed();
}

void UPowerClient::onPropertiesChanged(const QDBusMessage &message)
{
    const QString path = message.path();
    const QVariantList args = message.arguments();
    if (!present_ || !path.startsWith(kDevicePrefix) || args.size() < 2 || args[0].toString() != kDeviceInterface)
        return;
    const bool display = path == kDisplayDevice;
    if (!display && !devices_.contains(path)) {
        fetch(path); // a device whose arrival we missed
        return;
    }
    QVariantMap &target = display ? display_ : devices_[path];
    const QVariantMap changedProps = mapArgument(args[1]);
    for (auto it = changedProps.cbegin(); it != changedProps.cend(); ++it)
        target.insert(it.key(), it.value());
    const QStringList invalidated = args.size() > 2 ? args[2].toStringList() : QStringList();
    if (!invalidated.isEmpty())
        fetch(path);
    else
        Q_EMIT changed();
}

} // namespace orb
