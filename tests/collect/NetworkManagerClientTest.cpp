#include "collect/NetworkManagerClient.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
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
    void SetUp() override
    {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        ASSERT_TRUE(daemon_.waitForStarted(5000));
        ASSERT_TRUE(daemon_.waitForReadyRead(5000));
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        ASSERT_FALSE(address_.isEmpty());
        bus_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, name_));
        ASSERT_TRUE(bus_->isConnected());
    }
    void TearDown() override
    {
        bus_.reset();
        QDBusConnection::disconnectFromBus(name_);
        for (QProcess *p : {&mock_, &daemon_}) {
            if (p->state() != QProcess::NotRunning) {
                p->terminate();
                if (!p->waitForFinished(3000))
                    p->kill();
                p->waitForFinished(1000);
            }
        }
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", address_);
        return env;
    }

    bool waitForName()
    {
        const QDeadlineTimer deadline(10000);
        while (!deadline.hasExpired()) {
            if (bus_->interface()->isServiceRegistered("org.freedesktop.NetworkManager"))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    bool startTemplate()
    {
        mock_.setProcessEnvironment(environment());
        mock_.start("/usr/bin/python3", {"-m", "dbusmock", "--system", "--template", "networkmanager"});
        return mock_.waitForStarted(5000) && waitForName();
    }

    bool runSetup()
    {
        QProcess setup;
        setup.setProcessEnvironment(environment());
        setup.start("/usr/bin/python3", {"-c", kSetup, address_});
        if (!setup.waitForFinished(20000))
            return false;
        if (setup.exitCode() != 0)
            ADD_FAILURE() << setup.readAllStandardError().toStdString();
        return setup.exitCode() == 0;
    }

    QProcess daemon_, mock_;
    QString address_;
    QString name_ = QStringLiteral("orb-test-nm");
    std::unique_ptr<QDBusConnection> bus_;
};

} // namespace

TEST_F(NetworkManagerBus, DevicesAccessPointTunnelsAndPrimaryConnection)
{
    ASSERT_TRUE(startTemplate());
    ASSERT_TRUE(runSetup());
    const std::optional<NmSnapshot> snap = NetworkManagerClient(*bus_, 3000).read();
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
    EXPECT_FALSE(NetworkManagerClient(*bus_, 3000).read().has_value());
    EXPECT_LT(timer.elapsed(), 1500);
}

TEST_F(NetworkManagerBus, ASilentDaemonTimesOut)
{
    mock_.setProcessEnvironment(environment());
    mock_.start("/usr/bin/python3", {"-m", "dbusmock", "--system", "org.freedesktop.NetworkManager", "/org/freedesktop",
                                     "org.freedesktop.DBus.ObjectManager"});
    ASSERT_TRUE(mock_.waitForStarted(5000));
    ASSERT_TRUE(waitForName());
    QDBusMessage add = QDBusMessage::createMethodCall("org.freedesktop.NetworkManager", "/org/freedesktop",
                                                      "org.freedesktop.DBus.Mock", "AddMethod");
    add << "org.freedesktop.DBus.ObjectManager" << "GetManagedObjects" << "" << "a{oa{sa{sv}}}"
        << "__import__('time').sleep(5); ret = {}";
    ASSERT_EQ(bus_->call(add, QDBus::Block, 5000).type(), QDBusMessage::ReplyMessage);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(NetworkManagerClient(*bus_, 300).read().has_value());
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST_F(NetworkManagerBus, AnEmptyAnswerGivesAnEmptySnapshot)
{
    ASSERT_TRUE(startTemplate());
    const std::optional<NmSnapshot> snap = NetworkManagerClient(*bus_, 3000).read();
    ASSERT_TRUE(snap.has_value());
    EXPECT_TRUE(snap->devices.empty());
    EXPECT_TRUE(snap->tunnels.empty());
    EXPECT_TRUE(snap->primaryConnection.isEmpty());
}
