#include "collect/NetworkInterfaces.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot tree(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

const AddressMap kAddresses{{"eth0", {"192.168.1.20", "2001:db8::20"}},
                            {"wlan0", {"10.0.0.5", ""}},
                            {"wg0", {"10.8.0.2", ""}},
                            {"lo", {"127.0.0.1", "::1"}}};

QStringList names(const NetworkBase &b)
{
    QStringList n;
    for (const NetworkInterface &i : b.interfaces)
        n << i.name;
    return n;
}

} // namespace

TEST(NetworkInterfaces, LinkStatusFromOperstateAndFlags)
{
    const struct {
        const char *operstate, *flags, *status;
    } cases[] = {
        {"up", "0x1003", "Active"},
        {"down", "0x1003", "Inactive"},
        {"dormant", "0x1003", "Inactive"},          // Wi-Fi not associated
        {"lowerlayerdown", "0x1003", "Inactive"},
        {"unknown", "0x9", "Active"},               // loopback, administratively up
        {"unknown", "0x10d1", "Active"},            // tunnel up
        {"unknown", "0x1002", "Inactive"},          // tunnel down
        {"unknown", "", "Unknown"},
        {"", "garbage", "Unknown"},
        {"testing", "0x1", "Active"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(NetworkInterfaces::linkStatus(c.operstate, c.flags), c.status) << c.operstate << " " << c.flags;
}

TEST(NetworkInterfaces, SysfsFactsWithoutNetworkManager)
{
    const auto base = NetworkInterfaces::retNetworkBase(tree("net-laptop-a"), kAddresses, std::nullopt,
                                                        {{"wlan0", -60, 0}});
    ASSERT_TRUE(base);
    EXPECT_EQ(names(*base), QStringList({"docker0", "eth0", "lo", "veth1a2b3c4", "veth5d6e7f8", "wg0", "wlan0"}));
    EXPECT_EQ(base->location, "---");

    const VpnEntry wg{"wg0", "WireGuard", "10.8.0.2"};
    const struct {
        const char *name, *status;
        bool nic;
        const char *kind, *type;
        std::optional<int64_t> speed;
        const char *mac, *driver, *vendor, *model, *ipv4;
        std::vector<VpnEntry> vpn;
        bool wifi;
    } cases[] = {
        {"eth0", "Active", true, "Ethernet", "Ethernet", 1'000'000'000, "8C:16:45:AA:BB:01", "e1000e",
         "Intel Corporation", "Ethernet Connection (7) I219-LM", "192.168.1.20", {wg}, false},
        {"wlan0", "Active", true, "Wi-Fi", "IEEE 802.11", std::nullopt, "3C:9C:0F:11:22:33", "iwlwifi",
         "Intel Corporation", "Wi-Fi 6 AX201", "10.0.0.5", {wg}, true},
        {"lo", "Active", false, "Loopback", "Loopback", std::nullopt, "", "", "", "", "127.0.0.1", {}, false},
        {"docker0", "Inactive", false, "Bridge", "Bridge", std::nullopt, "", "", "", "", "", {}, false},
        {"veth1a2b3c4", "Active", false, "Virtual Ethernet", "veth", std::nullopt, "", "", "", "", "", {}, false},
        {"wg0", "Active", false, "WireGuard", "WireGuard", std::nullopt, "", "", "", "", "10.8.0.2", {}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const NetworkInterface *i = base->find(c.name);
        ASSERT_NE(i, nullptr);
        EXPECT_EQ(i->linkStatus, c.status);
        EXPECT_EQ(i->hasNic, c.nic);
        EXPECT_TRUE(i->hasItf);
        EXPECT_EQ(i->kind, c.kind);
        EXPECT_EQ(i->type, c.type);
        EXPECT_EQ(i->speed, c.speed);
        EXPECT_EQ(i->macAddress, c.mac);
        EXPECT_EQ(i->driver, c.driver);
        EXPECT_EQ(i->vendor, c.vendor);
        EXPECT_EQ(i->model, c.model);
        EXPECT_EQ(i->ipv4, c.ipv4);
        EXPECT_EQ(i->vpn, c.vpn);
        EXPECT_EQ(i->wifi.has_value(), c.wifi);
        EXPECT_TRUE(i->dns.isEmpty());
    }
    const NetworkInterface *w = base->find("wlan0");
    EXPECT_EQ(w->wifi->rssi, -60);
    EXPECT_EQ(w->wifi->noise, 0);
    EXPECT_TRUE(w->wifi->ssid.isEmpty());
    EXPECT_EQ(w->wifi->security, -1);
}

TEST(NetworkInterfaces, UsbDongleKnownByDevtypeAndTunKinds)
{
    const auto two = NetworkInterfaces::retNetworkBase(tree("net-two-wifi"), {}, std::nullopt, {});
    const NetworkInterface *dongle = two->find("wlan1");
    ASSERT_NE(dongle, nullptr);
    EXPECT_EQ(dongle->kind, "Wi-Fi");
    EXPECT_TRUE(dongle->wifi.has_value());
    EXPECT_EQ(dongle->driver, "mt7601u");
    EXPECT_EQ(dongle->vendor, "MediaTek Inc.");

    const auto bench = NetworkInterfaces::retNetworkBase(tree("net-bench"), {{"tun0", {"10.9.0.6", ""}}}, std::nullopt, {});
    const NetworkInterface *tun = bench->find("tun0");
    ASSERT_NE(tun, nullptr);
    EXPECT_EQ(tun->kind, "TUN");
    // eth1 has no link (speed −1): not reported, inactive, no tunnels attached.
    const NetworkInterface *eth1 = bench->find("eth1");
    EXPECT_EQ(eth1->speed, std::nullopt);
    EXPECT_EQ(eth1->linkStatus, "Inactive");
    EXPECT_TRUE(eth1->vpn.empty());
    ASSERT_EQ(bench->find("eth0")->vpn.size(), 1u);
    EXPECT_EQ(bench->find("eth0")->vpn[0], (VpnEntry{"tun0", "TUN", "10.9.0.6"}));
}

TEST(NetworkInterfaces, NetworkManagerFactsJoinTheSysfsOnes)
{
    NmSnapshot nm;
    NmDevice eth;
    eth.interface = "eth0";
    eth.connectionId = "Wired";
    eth.dns = {"192.168.1.1"};
    NmDevice wlan;
    wlan.interface = "wlan0";
    wlan.ssid = "Café & <b>Net</b>";
    wlan.strength = 70;
    wlan.bitrateKbps = 866'000;
    wlan.frequencyMHz = 5180;
    wlan.security = 4;
    nm.devices = {eth, wlan};
    nm.tunnels = {{"office", "wireguard", {"wg0"}}, {"work", "vpn", {"eth0"}}};
    nm.primaryConnection = "Wired";

    // wg0 without an address of its own still shows because NetworkManager names it.
    AddressMap addresses = kAddresses;
    addresses.remove("wg0");
    const auto base = NetworkInterfaces::retNetworkBase(tree("net-laptop-a"), addresses, nm, {{"wlan0", -52, -95}});
    EXPECT_EQ(base->location, "Wired");
    const NetworkInterface *e = base->find("eth0");
    EXPECT_EQ(e->dns, QStringList{"192.168.1.1"});
    EXPECT_EQ(e->vpn, (std::vector<VpnEntry>{{"wg0", "WireGuard office", ""}, {"work", "VPN work", ""}}));
    const NetworkInterface *w = base->find("wlan0");
    ASSERT_TRUE(w->wifi.has_value());
    EXPECT_EQ(w->wifi->ssid, "Café & <b>Net</b>");
    EXPECT_EQ(w->wifi->strength, 70);
    EXPECT_EQ(w->wifi->bitrateKbps, 866'000);
    EXPECT_EQ(w->wifi->frequencyMHz, 5180);
    EXPECT_EQ(w->wifi->security, 4);
    EXPECT_EQ(w->wifi->rssi, -52);
    EXPECT_EQ(w->wifi->noise, -95);
    EXPECT_EQ(w->vpn, (std::vector<VpnEntry>{{"wg0", "WireGuard office", ""}}));
}

TEST(NetworkInterfaces, WifiLevelsReplaceTheDescriptionOnlyWhenTheyChange)
{
    const auto base = NetworkInterfaces::retNetworkBase(tree("net-laptop-a"), {}, std::nullopt, {{"wlan0", -60, 0}});
    EXPECT_EQ(NetworkInterfaces::withWifiLevels(base, {{"wlan0", -60, 0}}), base);
    EXPECT_EQ(NetworkInterfaces::withWifiLevels(base, {{"wlan9", -40, 0}}), base);
    const auto next = NetworkInterfaces::withWifiLevels(base, {{"wlan0", -48, -91}});
    ASSERT_NE(next, base);
    EXPECT_EQ(next->find("wlan0")->wifi->rssi, -48);
    EXPECT_EQ(next->find("wlan0")->wifi->noise, -91);
    EXPECT_EQ(base->find("wlan0")->wifi->rssi, -60) << "the shared description is never changed";
    EXPECT_EQ(next->find("eth0")->macAddress, base->find("eth0")->macAddress);
    EXPECT_EQ(NetworkInterfaces::withWifiLevels(nullptr, {{"wlan0", -1, 0}}), nullptr);
}

TEST(NetworkInterfaces, SecurityKinds)
{
    constexpr uint32_t privacy = 0x1, psk = 0x100, eap = 0x200, sae = 0x400, owe = 0x800, oweTm = 0x1000,
                       suiteB = 0x2000, ccmp = 0x8;
    const struct {
        uint32_t flags, wpa, rsn;
        int kind;
    } cases[] = {
        {0, 0, 0, 0},                                 // No Security
        {privacy, 0, 0, 1},                           // WEP
        {privacy, psk | ccmp, 0, 2},                  // WPA Personal
        {privacy, psk, psk | ccmp, 3},                // WPA/WPA2 Personal
        {privacy, 0, psk | ccmp, 4},                  // WPA2 Personal
        {privacy, eap, 0, 7},
        {privacy, eap, eap, 8},
        {privacy, 0, eap, 9},
        {privacy, 0, sae, 11},                        // WPA3 Personal
        {privacy, 0, suiteB, 12},                     // WPA3 Enterprise
        {privacy, 0, sae | psk, 13},                  // transition
        {0, 0, owe, 14},
        {0, 0, oweTm, 15},
        {privacy, ccmp, 0, -1},                       // ciphers but no key management
    };
    for (const auto &c : cases)
        EXPECT_EQ(NetworkManagerClient::securityKind(c.flags, c.wpa, c.rsn), c.kind)
            << std::hex << c.flags << " " << c.wpa << " " << c.rsn;
}
