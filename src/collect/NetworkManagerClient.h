#pragma once
#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <optional>
#include <vector>

class QDBusArgument;

namespace orb {

// What NetworkManager knows about one device, as plain values.
struct NmDevice {
    QString interface;
    uint32_t deviceType = 0;  // NMDeviceType: 1 Ethernet, 2 Wi-Fi, 13 Bridge, 16 TUN, 29 WireGuard ...
    uint32_t state = 0;       // NMDeviceState: 100 activated
    QString connectionId;     // the active connection's name, empty when none
    // Wi-Fi: the access point the device is associated with.
    QString ssid;
    int strength = -1;        // percent
    int64_t bitrateKbps = 0;
    int frequencyMHz = 0;
    int security = -1;        // index of the security kinds, −1 unknown
    QStringList dns;
    bool operator==(const NmDevice &) const = default;
};

// An active VPN-like connection: a VPN plugin connection (riding on its devices) or a
// WireGuard / TUN connection (whose device is the tunnel itself).
struct NmTunnel {
    QString id;
    QString type;             // "vpn", "wireguard", "tun", ...
    QStringList interfaces;   // interfaces of the connection's devices
    bool operator==(const NmTunnel &) const = default;
};

struct NmSnapshot {
    std::vector<NmDevice> devices;
    std::vector<NmTunnel> tunnels;
    QString primaryConnection; // name of the connection with the default route; empty when none
    const NmDevice *device(const QString &interface) const
    {
        for (const NmDevice &d : devices)
            if (d.interface == interface)
                return &d;
        return nullptr;
    }
};

// Reads NetworkManager's objects from a bus in one call (ObjectManager.GetManagedObjects)
// with a timeout. Blocking: call it only off the UI thread.
class NetworkManagerClient {
public:
    explicit NetworkManagerClient(QDBusConnection bus, int timeoutMs = 1000);

    // Nothing when NetworkManager is not on the bus or did not answer in time.
    std::optional<NmSnapshot> read() const;

    // Object path → interface name → properties, as GetManagedObjects returns them.
    using ManagedObjects = QMap<QString, QMap<QString, QVariantMap>>;
    static ManagedObjects demarshal(const QDBusArgument &argument);
    static NmSnapshot fromObjects(const ManagedObjects &objects);

    // Index of the security kinds (0 "No Security" … 15 "OWE Transition") from an access
    // point's flags, WPA flags and RSN flags; −1 when it cannot be told.
    static int securityKind(uint32_t flags, uint32_t wpaFlags, uint32_t rsnFlags);

private:
    QDBusConnection bus_;
    int timeoutMs_;
};

} // namespace orb
