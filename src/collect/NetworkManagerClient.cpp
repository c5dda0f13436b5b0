#include "collect/NetworkManagerClient.h"

#include "platform/Logging.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

namespace orb {
namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kDevice = QStringLiteral("org.freedesktop.NetworkManager.Device");
const QString kWireless = QStringLiteral("org.freedesktop.NetworkManager.Device.Wireless");
const QString kAccessPoint = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString kActive = QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kDnsManager = QStringLiteral("org.freedesktop.NetworkManager.DnsManager");

// Access point flags (NM80211ApFlags, NM80211ApSecurityFlags).
constexpr uint32_t kPrivacy = 0x1;
constexpr uint32_t kKeyPsk = 0x100;
constexpr uint32_t kKey8021x = 0x200;
constexpr uint32_t kKeySae = 0x400;
constexpr uint32_t kKeyOwe = 0x800;
constexpr uint32_t kKeyOweTm = 0x1000;
constexpr uint32_t kKeyEapSuiteB192 = 0x2000;

QString pathOf(const QVariant &v)
{
    if (v.canConvert<QDBusObjectPath>())
        return v.value<QDBusObjectPath>().path();
    return v.toString();
}

QStringList pathsOf(const QVariant &v)
{
    QStringList out;
    if (v.canConvert<QDBusArgument>()) {
        for (const QDBusObjectPath &p : qdbus_cast<QList<QDBusObjectPath>>(v.value<QDBusArgument>()))
            out.append(p.path());
    } else if (v.canConvert<QList<QDBusObjectPath>>()) {
        for (const QDBusObjectPath &p : v.value<QList<QDBusObjectPath>>())
            out.append(p.path());
    }
    return out;
}

QList<QVariantMap> mapsOf(const QVariant &v)
{
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<QList<QVariantMap>>(v.value<QDBusArgument>());
    return {};
}

uint32_t uintOf(const QVariant &v) { return v.isValid() ? v.toUInt() : 0; }

} // namespace

NetworkManagerClient::NetworkManagerClient(QDBusConnection bus, int timeoutMs) : bus_(std::move(bus)), timeoutMs_(timeoutMs) {}

int NetworkManagerClient::securityKind(uint32_t flags, uint32_t wpa, uint32_t rsn)
{
    const uint32_t keys = wpa | rsn;
    if (keys & kKeyOweTm)
        return 15;
    if (keys & kKeyOwe)
        return 14;
    if (keys & kKeySae)
        return keys & kKeyPsk ? 13 : 11;
    if (keys & kKeyEapSuiteB192)
        return 12;
    if (keys & kKeyPsk) {
        const bool w = wpa & kKeyPsk, r = rsn & kKeyPsk;
        return w && r ? 3 : (r ? 4 : 2);
    }
    if (keys & kKey8021x) {
        const bool w = wpa & kKey8021x, r = rsn & kKey8021x;
        return w && r ? 8 : (r ? 9 : 7);
    }
    if (wpa == 0 && rsn == 0)
        return flags & kPrivacy ? 1 : 0;
    return -1;
}

NetworkManagerClient::ManagedObjects NetworkManagerClient::demarshal(const QDBusArgument &arg)
{
    ManagedObjects objects;
    arg.beginMap();
    while (!arg.atEnd()) {
        QDBusObjectPath path;
        QMap<QString, QVariantMap> interfaces;
        arg.beginMapEntry();
        arg >> path >> interfaces;
        arg.endMapEntry();
        objects.insert(path.path(), interfaces);
    }
    arg.endMap();
    return objects;
}

NmSnapshot NetworkManagerClient::fromObjects(const ManagedObjects &objects)
{
    NmSnapshot snap;
    const auto props = [&](const QString &path, const QString &interface) -> QVariantMap {
        const auto it = objects.constFind(path);
        return it == objects.cend() ? QVariantMap() : it->value(interface);
    };

    // DNS servers per interface.
    QHash<QString, QStringList> dns;
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto dm = it->constFind(kDnsManager);
        if (dm == it->cend())
            continue;
        for (const QVariantMap &entry : mapsOf(dm->value(QStringLiteral("Configuration")))) {
            const QString iface = entry.value(QStringLiteral("interface")).toString();
            for (const QString &server : entry.value(QStringLiteral("nameservers")).toStringList())
                if (!iface.isEmpty() && !dns[iface].contains(server))
                    dns[iface].append(server);
        }
    }

    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto dev = it->constFind(kDevice);
        if (dev == it->cend())
            continue;
        NmDevice d;
        d.interface = dev->value(QStringLiteral("Interface")).toString();
        if (d.interface.isEmpty())
            d.interface = dev->value(QStringLiteral("IpInterface")).toString();
        if (d.interface.isEmpty())
            continue;
        d.deviceType = uintOf(dev->value(QStringLiteral("DeviceType")));
        d.state = uintOf(dev->value(QStringLiteral("State")));
        const QString active = pathOf(dev->value(QStringLiteral("ActiveConnection")));
        if (active.size() > 1)
            d.connectionId = props(active, kActive).value(QStringLiteral("Id")).toString();
        const auto wifi = it->constFind(kWireless);
        if (wifi != it->cend()) {
            d.bitrateKbps = wifi->value(QStringLiteral("Bitrate")).toLongLong();
            const QString ap = pathOf(wifi->value(QStringLiteral("ActiveAccessPoint")));
            const QVariantMap a = ap.size() > 1 ? props(ap, kAccessPoint) : QVariantMap();
            if (!a.isEmpty()) {
                d.ssid = QString::fromUtf8(a.value(QStringLiteral("Ssid")).toByteArray());
                d.strength = a.contains(QStringLiteral("Strength")) ? int(a.value(QStringLiteral("Strength")).toUInt()) : -1;
                d.frequencyMHz = int(a.value(QStringLiteral("Frequency")).toUInt());
                d.security = securityKind(uintOf(a.value(QStringLiteral("Flags"))), uintOf(a.value(QStringLiteral("WpaFlags"))),
                                          uintOf(a.value(QStringLiteral("RsnFlags"))));
            }
        }
        d.dns = dns.value(d.interface);
        snap.devices.push_back(std::move(d));
    }

    const auto interfaceOf = [&](const QString &devicePath) {
        const QVariantMap dev = props(devicePath, kDevice);
        const QString plain = dev.value(QStringLiteral("Interface")).toString();
        return plain.isEmpty() ? dev.value(QStringLiteral("IpInterface")).toString() : plain;
    };
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        const auto ac = it->constFind(kActive);
        if (ac == it->cend())
            continue;
        const QString type = ac->value(QStringLiteral("Type")).toString();
        const bool vpn = ac->value(QStringLiteral("Vpn")).toBool() || type == QLatin1String("vpn")
                         || type == QLatin1String("wireguard") || type == QLatin1String("tun");
        if (!vpn)
            continue;
        NmTunnel t;
        t.id = ac->value(QStringLiteral("Id")).toString();
        t.type = type;
        for (const QString &dev : pathsOf(ac->value(QStringLiteral("Devices"))))
            if (const QString name = interfaceOf(dev); !name.isEmpty())
                t.interfaces.append(name);
        snap.tunnels.push_back(std::move(t));
    }

    const QVariantMap manager = props(QStringLiteral("/org/freedesktop/NetworkManager"), kManager);
    QString primary = pathOf(manager.value(QStringLiteral("PrimaryConnection")));
    if (primary.size() <= 1) {
        // Older daemons: the active connection that holds the default route.
        for (const QString &path : pathsOf(manager.value(QStringLiteral("ActiveConnections"))))
            if (props(path, kActive).value(QStringLiteral("Default")).toBool()) {
                primary = path;
                break;
            }
    }
    if (primary.size() > 1)
        snap.primaryConnection = props(primary, kActive).value(QStringLiteral("Id")).toString();
    return snap;
}

std::optional<NmSnapshot> NetworkManagerClient::read() const
{
    if (!bus_.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop"),
                                                       QStringLiteral("org.freedesktop.DBus.ObjectManager"),
                                                       QStringLiteral("GetManagedObjects"));
    // NetworkManager is never started on demand for us.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus_.call(call, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()
        || !reply.arguments().first().canConvert<QDBusArgument>()) {
        // A machine without NetworkManager is normal; anything else is worth a line.
        const QString error = reply.errorName();
        if (reply.type() == QDBusMessage::ErrorMessage && error != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
            && error != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
            qCInfo(lcCollect).noquote() << "NetworkManager did not answer:" << reply.errorName() << reply.errorMessage();
        return std::nullopt;
    }
    return fromObjects(demarshal(reply.arguments().first().value<QDBusArgument>()));
}

} // namespace orb
