#include "collect/NetworkInterfaces.h"

#include "collect/ProcText.h"
#include "platform/Logging.h"

#include <algorithm>
#include <arpa/inet.h>
#include <climits>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {
namespace {

constexpr uint32_t kIffUp = 0x1;
constexpr uint32_t kIffTap = 0x2; // tun_flags: IFF_TAP

QString text(const std::optional<std::string> &s) { return s ? QString::fromStdString(*s) : QString(); }

// The last part of a symbolic link's target ("e1000e" of ../../bus/pci/drivers/e1000e).
QString linkName(const Sysroot &root, const std::string &machinePath)
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink(root.path(machinePath).c_str(), buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    const std::string_view target(buf, static_cast<size_t>(n));
    const size_t slash = target.rfind('/');
    return QString::fromUtf8(std::string(slash == std::string_view::npos ? target : target.substr(slash + 1)));
}

// KEY=value lines (uevent) or udev database lines ("E:KEY=value").
QString property(std::string_view text, std::string_view key)
{
    QString value;
    proctext::forEachLine(text, [&](std::string_view line) {
        if (line.size() > 2 && line[1] == ':')
            line.remove_prefix(2);
        if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=') {
            value = QString::fromUtf8(std::string(proctext::trimmed(line.substr(key.size() + 1))));
            return false;
        }
        return true;
    });
    return value;
}

struct Kind {
    const char *kind;
    const char *type;
};

Kind kindOf(const Sysroot &root, const std::string &dir, const QString &name, bool hasDevice, bool wifi,
            const QString &devtype, long long typeNo)
{
    if (typeNo == 772)
        return {"Loopback", "Loopback"};
    if (wifi)
        return {"Wi-Fi", "IEEE 802.11"};
    if (devtype == QLatin1String("bridge") || root.exists(dir + "/bridge"))
        return {"Bridge", "Bridge"};
    if (devtype == QLatin1String("wireguard"))
        return {"WireGuard", "WireGuard"};
    if (const auto tun = root.readLine(dir + "/tun_flags")) {
        const uint32_t flags = static_cast<uint32_t>(std::strtoul(tun->c_str(), nullptr, 16));
        return flags & kIffTap ? Kind{"TAP", "TAP"} : Kind{"TUN", "TUN"};
    }
    if (devtype == QLatin1String("vlan"))
        return {"VLAN", "VLAN"};
    if (devtype == QLatin1String("bond"))
        return {"Bond", "Bond"};
    if (typeNo == 512 || name.startsWith(QLatin1String("ppp")))
        return {"PPP", "PPP"};
    if (name.startsWith(QLatin1String("veth")))
        return {"Virtual Ethernet", "veth"};
    if (hasDevice && typeNo == 1)
        return {"Ethernet", "Ethernet"};
    if (typeNo == 1)
        return {"Virtual Ethernet", "Ethernet"};
    if (typeNo == 65534)
        return {"Tunnel", "Tunnel"};
    return {"Network", "Network"};
}

QString vpnPrefix(const NetworkInterface &i)
{
    if (i.kind == QLatin1String("WireGuard") || i.name.startsWith(QLatin1String("wg")))
        return QStringLiteral("WireGuard");
    if (i.kind == QLatin1String("PPP"))
        return QStringLiteral("PPP");
    if (i.name.startsWith(QLatin1String("ipsec")))
        return QStringLiteral("IPsec");
    if (i.kind == QLatin1String("TAP"))
        return QStringLiteral("TAP");
    return QStringLiteral("TUN");
}

} // namespace

QString NetworkInterfaces::linkStatus(const QString &operstate, const QString &flags)
{
    if (operstate == QLatin1String("up"))
        return QStringLiteral("Active");
    if (operstate == QLatin1String("down") || operstate == QLatin1String("dormant")
        || operstate == QLatin1String("lowerlayerdown") || operstate == QLatin1String("notpresent"))
        return QStringLiteral("Inactive");
    // "unknown" (loopback, most tunnels) and "testing": the administrative state decides.
    bool ok = false;
    const uint32_t f = flags.trimmed().toUInt(&ok, 16);
    if (!ok)
        return QStringLiteral("Unknown");
    return f & kIffUp ? QStringLiteral("Active") : QStringLiteral("Inactive");
}

bool NetworkInterfaces::isTunnel(const NetworkInterface &i)
{
    static const char *const kinds[] = {"WireGuard", "TUN", "TAP", "PPP"};
    for (const char *k : kinds)
        if (i.kind == QLatin1String(k))
            return true;
    static const char *const prefixes[] = {"tun", "tap", "wg", "ppp", "ipsec", "utun"};
    for (const char *p : prefixes)
        if (i.name.startsWith(QLatin1String(p)))
            return true;
    return false;
}

AddressMap NetworkInterfaces::retIpAdress()
{
    AddressMap out;
    ifaddrs *list = nullptr;
    if (::getifaddrs(&list) != 0) {
        qCWarning(lcCollect, "getifaddrs failed; no addresses");
        return out;
    }
    QHash<QString, bool> globalV6;
    for (ifaddrs *a = list; a; a = a->ifa_next) {
        if (!a->ifa_addr || !a->ifa_name)
            continue;
        char buf[INET6_ADDRSTRLEN] = {};
        const QString name = QString::fromUtf8(a->ifa_name);
        if (a->ifa_addr->sa_family == AF_INET) {
            const auto *sin = reinterpret_cast<const sockaddr_in *>(a->ifa_addr);
            if (::inet_ntop(AF_INET, &sin->sin_addr, buf, sizeof buf))
                out[name].ipv4 = QString::fromLatin1(buf);
        } else if (a->ifa_addr->sa_family == AF_INET6) {
            const auto *sin6 = reinterpret_cast<const sockaddr_in6 *>(a->ifa_addr);
            const bool linkLocal = IN6_IS_ADDR_LINKLOCAL(&sin6->sin6_addr);
            if (linkLocal && globalV6.value(name))
                continue;
            if (::inet_ntop(AF_INET6, &sin6->sin6_addr, buf, sizeof buf)) {
                out[name].ipv6 = QString::fromLatin1(buf);
                if (!linkLocal)
                    globalV6[name] = true;
            }
        }
    }
    ::freeifaddrs(list);
    return out;
}

std::shared_ptr<NetworkBase> NetworkInterfaces::retNetworkBase(const Sysroot &root, const AddressMap &addresses,
                                                               const std::optional<NmSnapshot> &nm,
                                                               const std::vector<WifiReading> &wifi)
{
    auto base = std::make_shared<NetworkBase>();
    for (const std::string &entry : root.listDirectory("/sys/class/net")) {
        NetworkInterface i;
        i.name = QString::fromUtf8(entry);
        const std::string dir = "/sys/class/net/" + entry;
        const std::string uevent = root.readText(dir + "/uevent", 16 * 1024).value_or(std::string());
        const QString devtype = property(uevent, "DEVTYPE");
        const long long typeNo = root.readInteger(dir + "/type").value_or(0);
        struct stat st{};
        const bool hasDevice = ::lstat(root.path(dir + "/device").c_str(), &st) == 0;
        const bool isWifi = root.exists(dir + "/wireless") || devtype == QLatin1String("wlan");

        i.linkStatus = linkStatus(text(root.readLine(dir + "/operstate")), text(root.readLine(dir + "/flags")));
        const Kind k = kindOf(root, dir, i.name, hasDevice, isWifi, devtype, typeNo);
        i.hasItf = true;
        i.kind = QLatin1String(k.kind);
        i.type = QLatin1String(k.type);

        if (hasDevice) {
            i.hasNic = true;
            // Mbit/s; −1 or unreadable (Wi-Fi, no link) means not reported.
            if (const auto speed = root.readInteger(dir + "/speed"); speed && *speed > 0)
                i.speed = *speed * 1'000'000;
            i.macAddress = text(root.readLine(dir + "/address")).toUpper();
            i.driver = linkName(root, dir + "/device/driver");
            const std::string index = std::to_string(root.readInteger(dir + "/ifindex").value_or(-1));
            if (const auto udev = root.readText("/run/udev/data/n" + index, 64 * 1024)) {
                i.vendor = property(*udev, "ID_VENDOR_FROM_DATABASE");
                if (i.vendor.isEmpty())
                    i.vendor = property(*udev, "ID_VENDOR");
                i.model = property(*udev, "ID_MODEL_FROM_DATABASE");
                if (i.model.isEmpty())
                    i.model = property(*udev, "ID_MODEL");
            }
        }

        const InterfaceAddress address = addresses.value(i.name);
        i.ipv4 = address.ipv4;
        i.ipv6 = address.ipv6;

        const NmDevice *nd = nm ? nm->device(i.name) : nullptr;
        if (nd)
            i.dns = nd->dns;
        if (isWifi) {
            WifiDetails w;
            if (nd) {
                w.ssid = nd->ssid;
                w.strength = nd->strength;
                w.bitrateKbps = nd->bitrateKbps;
                w.frequencyMHz = nd->frequencyMHz;
                w.security = nd->security;
            }
            for (const WifiReading &r : wifi)
                if (i.name == QLatin1String(r.name.data(), qsizetype(r.name.size()))) {
                    w.rssi = r.rssi;
                    w.noise = r.noise;
                }
            i.wifi = w;
        }
        base->interfaces.push_back(std::move(i));
    }

    // Tunnels with an address of their own ride on every active hardware interface; VPN
    // connections of NetworkManager on the devices they name.
    std::vector<VpnEntry> tunnels;
    for (const NetworkInterface &t : base->interfaces) {
        if (!isTunnel(t))
            continue;
        QString id;
        if (nm)
            for (const NmTunnel &c : nm->tunnels)
                if (c.interfaces.contains(t.name))
                    id = c.id;
        if (t.ipv4.isEmpty() && id.isEmpty())
            continue;
        const QString prefix = vpnPrefix(t);
        tunnels.push_back({t.name, id.isEmpty() ? prefix : prefix + QLatin1Char(' ') + id, t.ipv4});
    }
    for (NetworkInterface &i : base->interfaces) {
        if (i.hasNic && i.isActive())
            i.vpn = tunnels;
        if (!nm)
            continue;
        for (const NmTunnel &c : nm->tunnels)
            if (c.type == QLatin1String("vpn") && c.interfaces.contains(i.name))
                i.vpn.push_back({c.id, QStringLiteral("VPN ") + c.id, QString()});
    }
    if (nm && !nm->primaryConnection.isEmpty())
        base->location = nm->primaryConnection;
    return base;
}

std::shared_ptr<const NetworkBase> NetworkInterfaces::withWifiLevels(const std::shared_ptr<const NetworkBase> &base,
                                                                     const std::vector<WifiReading> &wifi)
{
    if (!base)
        return base;
    const auto differs = [&](const NetworkInterface &i) {
        for (const WifiReading &r : wifi)
            if (i.name == QLatin1String(r.name.data(), qsizetype(r.name.size())) && (r.rssi != i.wifi->rssi || r.noise != i.wifi->noise))
                return true;
        return false;
    };
    bool changed = false;
    for (const NetworkInterface &i : base->interfaces)
        changed = changed || (i.wifi && differs(i));
    if (!changed)
        return base;
    auto next = std::make_shared<NetworkBase>(*base);
    for (NetworkInterface &i : next->interfaces) {
        if (!i.wifi)
            continue;
        for (const WifiReading &r : wifi)
            if (i.name == QLatin1String(r.name.data(), qsizetype(r.name.size()))) {
                i.wifi->rssi = r.rssi;
                i.wifi->noise = r.noise;
            }
    }
    return next;
}

} // namespace orb
