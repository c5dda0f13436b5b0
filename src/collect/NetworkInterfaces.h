#pragma once
#include "collect/NetworkBase.h"
#include "collect/NetworkManagerClient.h"
#include "collect/NetworkSampler.h"
#include "platform/Sysroot.h"

#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace orb {

// IPv4 and IPv6 address of one interface (empty when it has none).
struct InterfaceAddress {
    QString ipv4;
    QString ipv6;
    bool operator==(const InterfaceAddress &) const = default;
};
using AddressMap = QHash<QString, InterfaceAddress>;

// Builds the descriptions of the network interfaces from sysfs (link state, kind, speed,
// hardware address, driver, udev's vendor and model names), the addresses and, where it
// runs, NetworkManager (network names, signal, bit rate, security, DNS, VPN connections,
// the primary connection).
class NetworkInterfaces {
public:
    NetworkInterfaces() = delete;

    // The machine's addresses by interface (getifaddrs). Of several addresses of one family
    // the last listed wins, except that a global IPv6 address wins over a link-local one.
    static AddressMap retIpAdress();

    static std::shared_ptr<NetworkBase> retNetworkBase(const Sysroot &root, const AddressMap &addresses,
                                                       const std::optional<NmSnapshot> &nm,
                                                       const std::vector<WifiReading> &wifi);

    // "Active", "Inactive" or "Unknown" from sysfs operstate and flags (hex, IFF_*).
    static QString linkStatus(const QString &operstate, const QString &flags);

    // A copy of `base` with the Wi-Fi levels replaced; `base` itself when nothing differs.
    static std::shared_ptr<const NetworkBase> withWifiLevels(const std::shared_ptr<const NetworkBase> &base,
                                                             const std::vector<WifiReading> &wifi);

    // Whether a name or kind marks a tunnel (VPN) interface.
    static bool isTunnel(const NetworkInterface &i);
};

} // namespace orb
