// Bluetooth input devices going away or running low, end to end: the power and Bluetooth
// services and the notification service are python3-dbusmock templates on a private bus;
// the controller runs its passes and the notices reach the notification service.
#include "MockBus.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "collect/PowerState.h"
#include "modules/general/General_MenuModule.h"
#include "platform/linux/DesktopNotifier.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>

using namespace orb;

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");
const char *kMouse = "DC:2C:26:0A:1B:3C";
const char *kKeyboard = "11:22:33:44:55:66";

class DeviceNotices : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isUp());
        SettingsStore::resetSharedInstances();
        ASSERT_TRUE(bus.startTemplate("upower", "org.freedesktop.UPower", true));
        ASSERT_TRUE(bus.startTemplate("bluez5", "org.bluez", true));
        // The mouse's name is chosen by whoever named it.
        ASSERT_TRUE(mock("bz().AddAdapter('hci0', 'laptop', dbus_interface='org.bluez.Mock')\n"
                         "for a, n, icon in (('DC:2C:26:0A:1B:3C', '<b>Mouse</b>', 'input-mouse'),"
                         " ('11:22:33:44:55:66', 'Keyboard K380', 'input-keyboard'),"
                         " ('AA:BB:CC:00:11:22', 'Headphones', 'audio-headphones')):\n"
                         "    p = bz().AddDevice('hci0', a, n, dbus_interface='org.bluez.Mock')\n"
                         "    obj(p).UpdateProperties('org.bluez.Device1', {'Icon': icon}, dbus_interface=M)\n"
                         "    bz().ConnectDevice('hci0', a, dbus_interface='org.bluez.Mock')\n"
                         "obj(dev('" + QString(kKeyboard) + "')).AddProperties('org.bluez.Battery1',"
                         " {'Percentage': dbus.Byte(60)}, dbus_interface=M)"));
        // Started last, so a test can take it away again.
        ASSERT_TRUE(bus.startTemplate("notification_daemon", kNotifications, false));

        host = StatusBarHost::create(QStringLiteral("offscreen"));
        AppOptions options;
        options.sysroots = {Sysroot(test::fixturePath("general-qemu").toStdString())};
        options.startTimer = false;
        options.probeHardware = false;
        options.watchPower = true;
        options.notificationBus = bus.connection();
        app = std::make_unique<AppDelegate>(*host, options);
        app->startUpMe();
        app->settings().setBool("BidDisconnectNotify", true);
        app->settings().setBool("kBidBatteryNotify", true);
        app->rebuildModuleDefaults(ModuleId::General);
        delivered = std::make_unique<QSignalSpy>(&app->notifier(), &DesktopNotifier::delivered);
        ASSERT_TRUE(waitForDevices(2));
        pass(); // learns the devices
    }
    void TearDown() override
    {
        delivered.reset();
        app.reset();
        host.reset();
        SettingsStore::resetSharedInstances();
    }

    static QString dev(const char *address)
    {
        return QStringLiteral("/org/bluez/hci0/dev_") + QString::fromLatin1(address).replace(':', '_');
    }

    // Statements run with dbus-python against the mocks: `bz()` is the Bluetooth service's
    // root object, `obj(path)` any of its objects, `dev(address)` a device's path, `M` the
    // mock interface.
    bool mock(const QString &statements)
    {
        return bus.runPython(QStringLiteral("import dbus, os\n"
                                           "bus = dbus.bus.BusConnection(os.environ['ORB_BUS'])\n"
                                           "M = 'org.freedesktop.DBus.Mock'\n"
                                           "def bz(): return bus.get_object('org.bluez', '/')\n"
                                           "def obj(path): return bus.get_object('org.bluez', path)\n"
                                           "def dev(a): return '/org/bluez/hci0/dev_' + a.replace(':', '_')\n")
                             + statements);
    }
    bool setBattery(const char *address, int percent)
    {
        return mock(QStringLiteral("obj(dev('%1')).UpdateProperties('org.bluez.Battery1', {'Percentage': dbus.Byte(%2)},"
                                   " dbus_interface=M)")
                        .arg(QLatin1String(address))
                        .arg(percent))
            && test::waitUntil([&] {
                   const PeripheralDevice *d = app->infoDict().power->findDevice(QLatin1String(address));
                   return d && d->percent == percent;
               });
    }
    bool connectDevice(const char *address, bool connected)
    {
        return mock(QStringLiteral("bz().%1Device('hci0', '%2', dbus_interface='org.bluez.Mock')")
                        .arg(connected ? "Connect" : "Disconnect", QLatin1String(address)))
            && test::waitUntil([&] { return (app->infoDict().power->findDevice(QLatin1String(address)) != nullptr) == connected; });
    }
    bool waitForDevices(size_t n)
    {
        return test::waitUntil([&] {
            const auto &p = app->infoDict().power;
            return p && p->findDevice(QLatin1String(kMouse)) && p->findDevice(QLatin1String(kKeyboard))
                   && p->devices.size() >= n;
        });
    }
    void pass() { ASSERT_TRUE(app->runPassSynchronously()); }

    // The Notify calls the notification service received.
    QStringList notifies()
    {
        QStringList out;
        for (const QString &c : bus.calls(kNotifications, kNotificationsPath))
            if (c.startsWith("Notify "))
                out << c;
        return out;
    }
    bool generalShowsLowDevice()
    {
        auto *general = qobject_cast<General_MenuModule *>(app->statusModule(ModuleId::General));
        return general && general->showBatteryIcon();
    }

    test::ScopedHome home;
    test::MockBus bus{test::SharedSystemBus::address()};
    std::unique_ptr<StatusBarHost> host;
    std::unique_ptr<AppDelegate> app;
    std::unique_ptr<QSignalSpy> delivered;
};

} // namespace

// Each notice appears once with its text; a notice of the same kind later replaces the
// earlier one instead of piling up; device names reach the service as text, not markup;
// without the service notices are logged.
TEST_F(DeviceNotices, EachNoticeOnceAndReplacedByItsSuccessor)
{
    ASSERT_TRUE(setBattery(kKeyboard, 20));
    for (int i = 0; i < 4; ++i)
        pass();
    ASSERT_TRUE(test::waitUntil([&] { return delivered->size() == 1; }));
    const uint lowId = delivered->at(0).at(1).toUInt();
    EXPECT_GT(lowId, 0u);
    EXPECT_TRUE(generalShowsLowDevice()) << "the General item shows the low device's charge";

    ASSERT_TRUE(connectDevice(kMouse, false));
    pass();
    ASSERT_TRUE(test::waitUntil([&] { return delivered->size() == 2; }));
    const uint goneId = delivered->at(1).at(1).toUInt();
    pass();

    // The mouse comes back and goes again; the keyboard is charged and runs low again.
    ASSERT_TRUE(connectDevice(kMouse, true));
    ASSERT_TRUE(setBattery(kKeyboard, 26));
    pass();
    pass();
    EXPECT_FALSE(generalShowsLowDevice());
    ASSERT_TRUE(connectDevice(kMouse, false));
    pass();
    ASSERT_TRUE(setBattery(kKeyboard, 9));
    pass();
    ASSERT_TRUE(test::waitUntil([&] { return delivered->size() == 4; }));
    // Nothing more arrives late.
    test::spin(1500);
    EXPECT_EQ(delivered->size(), 4);

    const QStringList n = notifies();
    ASSERT_EQ(n.size(), 4) << n.join('\n').toStdString();
    const auto expectNotice = [](const QString &call, uint replaces, const QString &title, const QString &body) {
        EXPECT_TRUE(call.startsWith(QStringLiteral("Notify Orbmeter %1 ").arg(replaces))) << call.toStdString();
        EXPECT_TRUE(call.contains(QLatin1Char(' ') + title + QLatin1Char(' ') + body + QLatin1Char(' ')))
            << call.toStdString();
    };
    expectNotice(n[0], 0, "Low Battery", "Check the battery of the Bluetooth input device.");
    expectNotice(n[1], 0, "Bluetooth input device disconnected", "&lt;b&gt;Mouse&lt;/b&gt;");
    expectNotice(n[2], goneId, "Bluetooth input device disconnected", "&lt;b&gt;Mouse&lt;/b&gt;");
    expectNotice(n[3], lowId, "Low Battery", "Check the battery of the Bluetooth input device.");
    for (const QString &call : n)
        EXPECT_FALSE(call.contains("Headphones"));

    // Without a notification service the notice is logged and the passes go on.
    ASSERT_TRUE(bus.stopLast(kNotifications));
    test::LogCapture log;
    ASSERT_TRUE(connectDevice(kMouse, true));
    pass();
    ASSERT_TRUE(connectDevice(kKeyboard, false));
    pass();
    ASSERT_TRUE(test::waitUntil([&] { return delivered->size() == 5; }, 15000));
    EXPECT_EQ(delivered->at(4).at(1).toUInt(), 0u);
    EXPECT_TRUE(log.has({"Bluetooth input device disconnected", "Keyboard K380"})) << log.lines().join('\n').toStdString();
    const int before = app->passesFinished();
    pass();
    pass();
    EXPECT_EQ(app->passesFinished(), before + 2);
}

namespace {

// wlan0 on a network whose name holds markup, as NetworkManager reports it.
const char *kWifiSetup = R"PY(
import dbus, os
bus = dbus.bus.BusConnection(os.environ['ORB_BUS'])
nm = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', '/org/freedesktop'), 'org.freedesktop.DBus.Mock')
wifi = nm.AddWiFiDevice('mock_WiFi1', 'wlan0', 100)
ssid = 'Café & <b>Net</b>'
ap = nm.AddAccessPoint(wifi, 'Mock_AP1', ssid, '00:23:F8:7E:12:BB', 2, 5180, 866000, 78, 0x100)
con = nm.AddWiFiConnection(wifi, 'Mock_Con1', ssid, 'wpa-psk')
nm.AddActiveConnection([wifi], con, ap, 'Mock_Active1', 2)
dev = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', wifi), 'org.freedesktop.DBus.Mock')
dev.AddProperty('org.freedesktop.NetworkManager.Device.Wireless', 'ActiveAccessPoint', dbus.ObjectPath(ap))
)PY";

} // namespace

// The Wi-Fi adapter goes away, comes back, goes again: two notices naming the network, the
// second replacing the first; passes without a change of the interfaces say nothing.
TEST(WifiNotices, LostNetworkNoticedOnceAndReplaced)
{
    test::ScopedHome home;
    test::MockBus bus(test::SharedSystemBus::address());
    ASSERT_TRUE(bus.isUp());
    ASSERT_TRUE(bus.startTemplate("networkmanager", "org.freedesktop.NetworkManager", true));
    ASSERT_TRUE(bus.runPython(kWifiSetup));
    ASSERT_TRUE(bus.startTemplate("notification_daemon", kNotifications, false));
    {
        auto host = StatusBarHost::create(QStringLiteral("offscreen"));
        AppOptions options;
        for (const char *tree : {"net-laptop-a", "net-laptop-a", "net-laptop-vanished", "net-laptop-vanished",
                                 "net-laptop-back", "net-laptop-back", "net-laptop-vanished"})
            options.sysroots.emplace_back(test::fixturePath(tree).toStdString());
        options.startTimer = false;
        options.probeHardware = false;
        options.notificationBus = bus.connection();
        AppDelegate app(*host, options);
        app.startUpMe();
        app.settings().setBool("LaunchNetw", true);
        app.settings().setBool("WifiDisconnectNotifyBool", true);
        app.rebuildModuleDefaults(ModuleId::General);
        app.rebuildModuleDefaults(ModuleId::Network);
        app.moduleLaunchCheck(false);
        QSignalSpy delivered(&app.notifier(), &DesktopNotifier::delivered);

        const int expected[] = {0, 0, 1, 1, 1, 1, 2}; // notices given after each pass
        for (int i = 0; i < 7; ++i) {
            SCOPED_TRACE("pass " + std::to_string(i + 1));
            ASSERT_TRUE(app.runPassSynchronously());
            ASSERT_TRUE(app.infoDict().networkBase);
            if (expected[i] > 0) {
                EXPECT_TRUE(test::waitUntil([&] { return delivered.size() == expected[i]; }));
            }
            test::spin(400); // the notice's delay, and time for a stray one
            EXPECT_EQ(delivered.size(), expected[i]);
        }
        ASSERT_EQ(delivered.size(), 2);
        const uint first = delivered.at(0).at(1).toUInt();
        EXPECT_GT(first, 0u);
        QStringList n;
        for (const QString &c : bus.calls(kNotifications, kNotificationsPath))
            if (c.startsWith("Notify "))
                n << c;
        ASSERT_EQ(n.size(), 2);
        const QString text = QStringLiteral(" Wi-Fi disconnected Café &amp; &lt;b&gt;Net&lt;/b&gt; ");
        EXPECT_TRUE(n[0].startsWith("Notify Orbmeter 0 ")) << n[0].toStdString();
        EXPECT_TRUE(n[0].contains(text)) << n[0].toStdString();
        EXPECT_TRUE(n[1].startsWith(QStringLiteral("Notify Orbmeter %1 ").arg(first))) << n[1].toStdString();
        EXPECT_TRUE(n[1].contains(text)) << n[1].toStdString();
    }
}
