#include "platform/linux/PowerMonitor.h"

#include "MockBus.h"
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QThread>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

// A private bus standing in for the system bus, with the power and Bluetooth services
// played by python3-dbusmock's templates.
class PrivateSystemBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus_.isUp()); }
    void TearDown() override { monitor_.reset(); }

    bool startUPower() { return bus_.startTemplate("upower", "org.freedesktop.UPower", true); }
    bool startBluez() { return bus_.startTemplate("bluez5", "org.bluez", true); }

    // Drives the mocks through their control interface with dbus-python (statements
    // see `up` and `bz`, the two services' main objects, and `M`, the mock interface).
    bool mock(const QString &statements)
    {
        return bus_.runPython(
            QStringLiteral("import dbus, os\n"
                           "bus = dbus.bus.BusConnection(os.environ['ORB_BUS'])\n"
                           "M = 'org.freedesktop.DBus.Mock'\n"
                           "def up(): return bus.get_object('org.freedesktop.UPower', '/org/freedesktop/UPower')\n"
                           "def bz(): return bus.get_object('org.bluez', '/')\n"
                           "def obj(service, path): return bus.get_object(service, path)\n")
            + statements);
    }

    void startMonitor(const char *tree)
    {
        monitor_ = std::make_unique<PowerMonitor>(fixture(tree), bus_.connection());
        monitor_->start();
        ASSERT_TRUE(monitor_->waitForFirstState(10000));
    }

    // Runs the event loop until `done` holds for the newest state.
    bool waitFor(const std::function<bool(const PowerState &)> &done, int ms = 10000)
    {
        return test::waitUntil([&] { return done(*monitor_->state()); }, ms);
    }

    test::MockBus bus_;
    std::unique_ptr<PowerMonitor> monitor_;
};

const char *kUPowerDevices = "/org/freedesktop/UPower/devices/";

} // namespace

TEST_F(PrivateSystemBus, laptopBatteryFollowsThePowerService)
{
    ASSERT_TRUE(startUPower());
    ASSERT_TRUE(mock("ac = up().AddAC('AC', 'Mains', dbus_interface=M)\n"
                     "up().SetDeviceProperties(ac, {'Online': dbus.Boolean(False)}, dbus_interface=M)\n"
                     "up().AddDischargingBattery('BAT0', 'Battery', 57.0, dbus.Int64(7800), dbus_interface=M)"));
    startMonitor("general-qemu");
    const PowerState *s = monitor_->state().get();
    EXPECT_EQ(s->source, PowerSource::UPower);
    ASSERT_TRUE(s->battery);
    EXPECT_EQ(s->battery->percentOrMissing(), 57);
    EXPECT_FALSE(s->battery->externalPower);
    EXPECT_FALSE(s->battery->charging);
    EXPECT_EQ(s->battery->minutesToEmpty, std::optional<int64_t>(130));

    const QString bat = QString::fromLatin1(kUPowerDevices) + "BAT0";
    const QString ac = QString::fromLatin1(kUPowerDevices) + "AC";
    ASSERT_TRUE(mock(QStringLiteral("up().SetDeviceProperties('%1', {'Online': dbus.Boolean(True)}, dbus_interface=M)\n"
                                    "up().SetDeviceProperties('%2', {'State': dbus.UInt32(1), 'TimeToEmpty': dbus.Int64(0),"
                                    " 'Percentage': 58.0}, dbus_interface=M)")
                         .arg(ac, bat)));
    EXPECT_TRUE(waitFor([](const PowerState &p) { return p.battery && p.battery->charging && p.battery->externalPower; }));
    EXPECT_EQ(monitor_->state()->battery->percentOrMissing(), 58);
    EXPECT_FALSE(monitor_->state()->battery->minutesToEmpty);

    ASSERT_TRUE(mock(QStringLiteral("up().SetDeviceProperties('%1', {'State': dbus.UInt32(4), 'Percentage': 100.0},"
                                    " dbus_interface=M)")
                         .arg(bat)));
    EXPECT_TRUE(waitFor([](const PowerState &p) { return p.battery && p.battery->percentOrMissing() == 100; }));
    EXPECT_FALSE(monitor_->state()->battery->charging);
    EXPECT_TRUE(monitor_->state()->battery->externalPower);

    // A UPS appears (first reported like a battery, then with its kind): the internal
    // battery stays, and the UPS is not a device either.
    ASSERT_TRUE(mock("ups = up().AddDischargingBattery('ups_hiddev0', 'UPS', 30.0, dbus.Int64(600), dbus_interface=M)\n"
                     "up().SetDeviceProperties(ups, {'Type': dbus.UInt32(3)}, dbus_interface=M)"));
    EXPECT_TRUE(waitFor([](const PowerState &p) { return p.battery && p.battery->percentOrMissing() == 100; }));
    test::spin(300);
    EXPECT_EQ(monitor_->state()->battery->percentOrMissing(), 100);
    EXPECT_TRUE(monitor_->state()->devices.empty());

    // The battery taken out: no battery at all, not a stale one.
    ASSERT_TRUE(mock(QStringLiteral("up().RemoveDevice('%1', dbus_interface=M)").arg(bat)));
    EXPECT_TRUE(waitFor([](const PowerState &p) { return !p.battery; }));
}

TEST_F(PrivateSystemBus, mouseSeenByBothServicesIsOneRowAndLeavesOnDisconnect)
{
    ASSERT_TRUE(startUPower());
    ASSERT_TRUE(startBluez());
    ASSERT_TRUE(mock("bz().AddAdapter('hci0', 'laptop', dbus_interface='org.bluez.Mock')\n"
                     "for a, n in (('DC:2C:26:0A:1B:3C', 'MX Master 3'), ('11:22:33:44:55:66', 'Keyboard K380')):\n"
                     "    bz().AddDevice('hci0', a, n, dbus_interface='org.bluez.Mock')\n"
                     "    bz().ConnectDevice('hci0', a, dbus_interface='org.bluez.Mock')\n"
                     "d = obj('org.bluez', '/org/bluez/hci0/dev_DC_2C_26_0A_1B_3C')\n"
                     "d.AddProperties('org.bluez.Battery1', {'Percentage': dbus.Byte(15)}, dbus_interface=M)\n"
                     "p = '/org/freedesktop/UPower/devices/mouse_dev_DC_2C_26_0A_1B_3C'\n"
                     "up().AddObject(p, 'org.freedesktop.UPower.Device', {'Type': dbus.UInt32(5),"
                     " 'PowerSupply': False, 'IsPresent': True, 'Percentage': 12.0, 'State': dbus.UInt32(2),"
                     " 'Model': 'MX Master 3', 'NativePath': '/org/bluez/hci0/dev_DC_2C_26_0A_1B_3C'},"
                     " dbus.Array([], signature='(ssss)'), dbus_interface=M)\n"
                     "up().EmitSignal('org.freedesktop.UPower', 'DeviceAdded', 'o', [dbus.ObjectPath(p)], dbus_interface=M)"));
    startMonitor("general-qemu");
    EXPECT_TRUE(waitFor([](const PowerState &p) { return p.devices.size() == 2; }));
    const PowerState &s = *monitor_->state();
    ASSERT_EQ(s.devices.size(), 2u);
    EXPECT_EQ(s.devices[0].address, "DC:2C:26:0A:1B:3C");
    EXPECT_EQ(s.devices[0].name, "MX Master 3");
    EXPECT_EQ(s.devices[0].percent, std::optional<int>(12));
    EXPECT_EQ(s.devices[1].address, "11:22:33:44:55:66");
    EXPECT_FALSE(s.devices[1].percent);
    EXPECT_FALSE(s.battery);

    // The keyboard reports its battery later.
    ASSERT_TRUE(mock("k = obj('org.bluez', '/org/bluez/hci0/dev_11_22_33_44_55_66')\n"
                     "k.AddProperties('org.bluez.Battery1', {'Percentage': dbus.Byte(0)}, dbus_interface=M)\n"
                     "k.UpdateProperties('org.bluez.Battery1', {'Percentage': dbus.Byte(55)}, dbus_interface=M)"));
    EXPECT_TRUE(waitFor([](const PowerState &p) {
        const PeripheralDevice *k = p.findDevice("11:22:33:44:55:66");
        return k && k->percent == 55;
    }));

    // The mouse disconnects mid-run while the power service still lists it.
    ASSERT_TRUE(mock("bz().DisconnectDevice('hci0', 'DC:2C:26:0A:1B:3C', dbus_interface='org.bluez.Mock')"));
    EXPECT_TRUE(waitFor([](const PowerState &p) { return p.devices.size() == 1; }));
    EXPECT_EQ(monitor_->state()->findDevice("DC:2C:26:0A:1B:3C"), nullptr);
    EXPECT_NE(monitor_->state()->findDevice("11:22:33:44:55:66"), nullptr);
}

TEST_F(PrivateSystemBus, kernelFiguresStandInWhileThePowerServiceIsAway)
{
    ASSERT_TRUE(startUPower());
    ASSERT_TRUE(mock("up().AddDischargingBattery('BAT0', 'Battery', 80.0, dbus.Int64(3600), dbus_interface=M)"));
    startMonitor("general-thinkpad");
    EXPECT_EQ(monitor_->state()->source, PowerSource::UPower);
    ASSERT_TRUE(monitor_->state()->battery);
    EXPECT_EQ(monitor_->state()->battery->percentOrMissing(), 80);
    EXPECT_TRUE(monitor_->state()->devices.empty());

    ASSERT_TRUE(bus_.stopLast("org.freedesktop.UPower"));
    EXPECT_TRUE(waitFor([](const PowerState &p) { return p.source == PowerSource::Sysfs; }));
    ASSERT_TRUE(monitor_->state()->battery);
    EXPECT_EQ(monitor_->state()->battery->percentOrMissing(), 57); // the fixture's BAT0
    EXPECT_EQ(monitor_->state()->devices.size(), 1u);               // its HID mouse

    ASSERT_TRUE(startUPower());
    ASSERT_TRUE(mock("up().AddDischargingBattery('BAT0', 'Battery', 79.0, dbus.Int64(3600), dbus_interface=M)"));
    EXPECT_TRUE(waitFor([](const PowerState &p) {
        return p.source == PowerSource::UPower && p.battery && p.battery->percentOrMissing() == 79;
    }));
    EXPECT_TRUE(monitor_->state()->devices.empty());
}

TEST_F(PrivateSystemBus, withoutAnyServiceTheKernelIsRead)
{
    QDeadlineTimer deadline(10000);
    startMonitor("general-macbookpro");
    EXPECT_FALSE(deadline.hasExpired());
    const PowerState &s = *monitor_->state();
    EXPECT_EQ(s.source, PowerSource::Sysfs);
    ASSERT_TRUE(s.battery);
    EXPECT_EQ(s.battery->percentOrMissing(), 100);
    EXPECT_TRUE(s.battery->externalPower);
}

TEST(PowerMonitor, fixtureMachinesStayOffTheRealSystemBus)
{
    const QByteArray saved = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
    qunsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    EXPECT_FALSE(PowerMonitor::systemBusFor(fixture("general-thinkpad")));
    if (!saved.isEmpty())
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", saved);

    PowerMonitor monitor(fixture("general-thinkpad"), std::nullopt);
    monitor.start();
    ASSERT_TRUE(monitor.waitForFirstState(10000));
    ASSERT_TRUE(monitor.state()->battery);
    EXPECT_EQ(monitor.state()->battery->percentOrMissing(), 57);
    ASSERT_EQ(monitor.state()->devices.size(), 1u);
    EXPECT_EQ(monitor.state()->devices[0].percent, std::optional<int>(12));
}

TEST(PowerMonitor, batteriesThatComeAndGoAreSeenWhateverElseTheClassHolds)
{
    // A desktop without any power supply, then with a mains entry only; a battery pack and a
    // mouse are put in and taken out again (short intervals stand in for the real ones).
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    namespace fs = std::filesystem;
    const fs::path supplies = dir.path().toStdString() + "/sys/class/power_supply";
    const fs::path thinkpad = test::fixturePath("general-thinkpad").toStdString() + "/sys/class/power_supply";
    fs::create_directories(supplies);
    PowerMonitor monitor(Sysroot(dir.path().toStdString()), std::nullopt);
    monitor.setSysfsIntervals(40, 80);
    monitor.start();
    ASSERT_TRUE(monitor.waitForFirstState(10000));
    EXPECT_EQ(monitor.state()->source, PowerSource::Sysfs);
    EXPECT_FALSE(monitor.state()->battery);

    const auto waitFor = [&](const std::function<bool(const PowerState &)> &done) {
        const QDeadlineTimer deadline(10000);
        while (!done(*monitor.state()) && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done(*monitor.state());
    };
    fs::copy(thinkpad / "AC", supplies / "AC");
    QThread::msleep(200);
    QCoreApplication::processEvents();
    EXPECT_FALSE(monitor.state()->battery);
    EXPECT_TRUE(monitor.state()->devices.empty());

    fs::copy(thinkpad, supplies, fs::copy_options::recursive | fs::copy_options::skip_existing);
    EXPECT_TRUE(waitFor([](const PowerState &p) { return p.battery && p.devices.size() == 1; }));
    EXPECT_EQ(monitor.state()->battery->percentOrMissing(), 57);
    EXPECT_FALSE(monitor.state()->battery->externalPower); // the mains entry says offline

    fs::remove_all(supplies / "BAT0");
    EXPECT_TRUE(waitFor([](const PowerState &p) { return !p.battery; }));
    EXPECT_EQ(monitor.state()->devices.size(), 1u);

    fs::remove_all(supplies / "hid-dc:2c:26:0a:1b:3c-battery");
    EXPECT_TRUE(waitFor([](const PowerState &p) { return p.devices.empty(); }));
    EXPECT_FALSE(monitor.state()->battery);
}
