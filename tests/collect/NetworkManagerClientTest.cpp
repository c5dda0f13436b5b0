#include "collect/NetworkManagerClient.h"

#include "MockBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using orb::NetworkManagerClient;
using orb::NmSnapshot;

namespace {

// Builds a machine on the mock: wired eth0; wlan0 associated with a WPA/WPA2 access point
// whose name holds markup; a WireGuard connection on wg0; the Wi-Fi connection primary.
const char *kSetup = R"PY(
import dbus, sys
bus = dbus.bus.BusConnection(sys.argv[1])
nm = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', '/org/freedesktop'), 'org.freedesktop.DBus.Mock')
nm.AddEthernetDevice('mock_Ethernet1', 'eth0', 100)
wifi = nm.AddWiFiDevice('mock_WiFi1', 'wlan0', 100)
ssid = 'Café & <b>Net</b>'
ap = nm.AddAccessPoint(wifi, 'Mock_AP1', ssid, '00:23:F8:7E:12:BB', 2, 5180, 866000, 78, 0x100)
con = nm.AddWiFiConnection(wifi, 'Mock_Con1', ssid, 'wpa-psk')
active = nm.AddActiveConnection([wifi], con, ap, 'Mock_Active1', 2)
dev = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', wifi), 'org.freedesktop.DBus.Mock')
dev.AddProperty('org.freedesktop.NetworkManager.Device.Wireless', 'ActiveAccessPoint', dbus.ObjectPath(ap))
wg = nm.AddEthernetDevice('mock_wg0', 'wg0', 100)
settings = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager/Settings'),
                          'org.freedesktop.NetworkManager.Settings')
wgcon = settings.AddConnection(dbus.Dictionary({'connection': dbus.Dictionary({'id': 'office', 'type': 'wireguard'},
                                                signature='sv')}, signature='sa{sv}'))
nm.AddActiveConnection([wg], wgcon, '/', 'Mock_Active2', 2)
mgr = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager'),
                     'org.freedesktop.DBus.Mock')
mgr.AddProperty('org.freedesktop.NetworkManager', 'PrimaryConnection', dbus.ObjectPath(active))
)PY";

// A private bus standing in for the system bus, with python3-dbusmock on it.
class NetworkManagerBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus_.isUp()); }
    bool startTemplate() { return bus_.startTemplate("networkmanager", "org.freedesktop.NetworkManager", true); }
    bool runSetup() { return bus_.runPython(kSetup, {bus_.address()}); }

    orb::test::MockBus bus_;
};

} // namespace

TEST_F(NetworkManagerBus, DevicesAccessPointTunnelsAndPrimaryConnection)
{
    ASSERT_TRUE(startTemplate());
    ASSERT_TRUE(runSetup());
    const std::optional<NmSnapshot> snap = NetworkManagerClient(bus_.connection(), 3000).read();
    ASSERT_TRUE(snap.has_value());
    ASSERT_NE(snap->device("eth0"), nullptr);
    EXPECT_TRUE(snap->device("eth0")->ssid.isEmpty());
    const orb::NmDevice *w = snap->device("wlan0");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->ssid, QString::fromUtf8("Café & <b>Net</b>"));
    EXPECT_EQ(w->strength, 78);
    EXPECT_EQ(w->frequencyMHz, 5180);
    EXPECT_EQ(w->bitrateKbps, 5400) << "the device's current rate, not the access point's maximum";
    EXPECT_EQ(w->security, 3) << "WPA and RSN pre-shared key: WPA/WPA2 Personal";
    EXPECT_EQ(w->state, 100u);
    EXPECT_EQ(w->connectionId, QString::fromUtf8("Café & <b>Net</b>"));
    ASSERT_EQ(snap->tunnels.size(), 1u);
    EXPECT_EQ(snap->tunnels[0].id, "office");
    EXPECT_EQ(snap->tunnels[0].type, "wireguard");
    EXPECT_EQ(snap->tunnels[0].interfaces, QStringList{"wg0"});
    EXPECT_EQ(snap->primaryConnection, QString::fromUtf8("Café & <b>Net</b>"));
}

TEST_F(NetworkManagerBus, WithoutNetworkManagerNothingAndAtOnce)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(NetworkManagerClient(bus_.connection(), 3000).read().has_value());
    EXPECT_LT(timer.elapsed(), 1500);
}

TEST_F(NetworkManagerBus, ASilentDaemonTimesOut)
{
    ASSERT_TRUE(bus_.startMock("org.freedesktop.NetworkManager", "/org/freedesktop", "org.freedesktop.DBus.ObjectManager",
                               true));
    QDBusMessage add = QDBusMessage::createMethodCall("org.freedesktop.NetworkManager", "/org/freedesktop",
                                                      "org.freedesktop.DBus.Mock", "AddMethod");
    add << "org.freedesktop.DBus.ObjectManager" << "GetManagedObjects" << "" << "a{oa{sa{sv}}}"
        << "__import__('time').sleep(5); ret = {}";
    ASSERT_EQ(bus_.connection().call(add, QDBus::Block, 5000).type(), QDBusMessage::ReplyMessage);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(NetworkManagerClient(bus_.connection(), 300).read().has_value());
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST_F(NetworkManagerBus, AnEmptyAnswerGivesAnEmptySnapshot)
{
    ASSERT_TRUE(startTemplate());
    const std::optional<NmSnapshot> snap = NetworkManagerClient(bus_.connection(), 3000).read();
    ASSERT_TRUE(snap.has_value());
    EXPECT_TRUE(snap->devices.empty());
    EXPECT_TRUE(snap->tunnels.empty());
    EXPECT_TRUE(snap->primaryConnection.isEmpty());
}
