#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace orb {

// What is known of one Wi-Fi interface when its description was built: plain values,
// never a live object, so the menu reads them on the UI thread while the pass goes on.
struct WifiDetails {
    QString ssid;               // empty when not associated or unknown
    int strength = -1;          // percent from NetworkManager, −1 unknown
    int64_t bitrateKbps = 0;    // current transmit rate, 0 unknown
    int frequencyMHz = 0;       // 0 unknown
    int security = -1;          // index of the security kinds (0 "No Security" ...), −1 unknown
    // Levels in dBm from /proc/net/wireless; 0 means no reading (not associated, or noise
    // not reported).
    int rssi = 0;
    int noise = 0;
    bool operator==(const WifiDetails &) const = default;
};

// A tunnel riding on an interface: the tunnel's interface name (or the VPN connection's
// name when it has no interface of its own), a description ("WireGuard office") and the
// tunnel's IPv4 address (empty when it has none).
struct VpnEntry {
    QString tunnel;
    QString description;
    QString ipv4;
    bool operator==(const VpnEntry &) const = default;
};

// One network interface. The hardware facts ("nic") exist for interfaces backed by a
// device; `kind` and `type` ("itf") for every interface whose kind is known.
struct NetworkInterface {
    QString name;

    // Link state: "Active", "Inactive" or "Unknown"; filled for every interface.
    QString linkStatus;
    bool hasNic = false;
    std::optional<int64_t> speed; // bits per second
    QString vendor;
    QString model;
    QString macAddress;           // upper-case, colon separated
    QString driver;

    bool hasItf = false;
    QString kind;                 // display name: "Ethernet", "Wi-Fi", "Bridge", ...
    QString type;                 // the interface type: "Ethernet", "IEEE 802.11", "WireGuard", ...

    QString ipv4;
    QString ipv6;
    QStringList dns;

    std::optional<WifiDetails> wifi;
    std::vector<VpnEntry> vpn;

    bool isActive() const { return linkStatus == QLatin1String("Active"); }
    bool operator==(const NetworkInterface &) const = default;
};

// Every network interface by name (sorted), and the name of the connection that carries
// the default route ("---" when there is none). Built in the collection pass and shared
// read-only; a change replaces it whole.
struct NetworkBase {
    std::vector<NetworkInterface> interfaces;
    QString location = QStringLiteral("---");
    // How many changes of the interfaces (names, link states) the sampler had seen when
    // this was built; a description built after another change carries a higher number.
    uint64_t interfaceChanges = 0;

    const NetworkInterface *find(const QString &name) const
    {
        for (const NetworkInterface &i : interfaces)
            if (i.name == name)
                return &i;
        return nullptr;
    }
    bool operator==(const NetworkBase &) const = default;
};

} // namespace orb
