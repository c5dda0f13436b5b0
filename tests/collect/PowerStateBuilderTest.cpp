#include "collect/PowerStateBuilder.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {

const QString kDevices = QStringLiteral("/org/freedesktop/UPower/devices/");

UPowerDevice battery(const QString &name, double percent, uint state, qint64 toEmpty, qint64 toFull,
                     QVariantMap extra = {})
{
    QVariantMap p{{"Type", 2u},           {"PowerSupply", true}, {"IsPresent", true},  {"Percentage", percent},
                  {"State", state},       {"TimeToEmpty", toEmpty}, {"TimeToFull", toFull}, {"Energy", 30.0},
                  {"EnergyFull", 50.0},   {"EnergyFullDesign", 60.0}, {"Model", "5B10W13975"}};
    p.insert(extra);
    return {kDevices + name, p};
}

UPowerDevice linePower(bool online) { return {kDevices + "line_power_AC", {{"Type", 1u}, {"PowerSupply", true}, {"Online", online}}}; }

UPowerDevice ups(double percent)
{
    return {kDevices + "ups_hiddev0",
            {{"Type", 3u}, {"PowerSupply", true}, {"IsPresent", true}, {"Percentage", percent}, {"State", 4u}}};
}

UPowerDevice mouse(double percent, const QString &nativePath)
{
    return {kDevices + "mouse_dev", {{"Type", 5u},       {"PowerSupply", false}, {"Percentage", percent},
                                     {"State", 2u},      {"Model", "MX Master 3"}, {"NativePath", nativePath}}};
}

BluezDevice bt(const char *address, const char *name, bool connected, std::optional<int> level)
{
    BluezDevice d;
    d.path = QStringLiteral("/org/bluez/hci0/dev_") + QString::fromLatin1(address).replace(':', '_');
    d.address = QString::fromLatin1(address);
    d.name = QString::fromLatin1(name);
    d.connected = connected;
    d.battery = level;
    return d;
}

} // namespace

TEST(PowerStateBuilder, internalBatteryFromThePowerService)
{
    const struct {
        const char *what;
        std::vector<UPowerDevice> devices;
        int percent;
        bool external, charging;
        std::optional<int64_t> toEmpty, toFull;
    } cases[] = {
        {"discharging", {battery("battery_BAT0", 57, 2, 7800, 0), linePower(false)}, 57, false, false, 130,
         std::nullopt},
        {"charging", {battery("battery_BAT0", 40, 1, 0, 3600), linePower(true)}, 40, true, true, std::nullopt, 60},
        {"full on AC", {battery("battery_BAT0", 100, 4, 0, 0), linePower(true)}, 100, true, false, std::nullopt,
         std::nullopt},
        // Without a line-power device the battery's own state tells.
        {"pending charge, no charger object", {battery("battery_BAT0", 80, 5, 0, 0)}, 80, true, false, std::nullopt,
         std::nullopt},
        // A UPS listed before or after never takes the battery's place.
        {"UPS beside it", {ups(100), battery("battery_BAT0", 57, 2, 7800, 0), linePower(false)}, 57, false, false,
         130, std::nullopt},
        {"UPS sorted first", {battery("zz_battery", 57, 2, 60, 0), ups(100)}, 57, false, false, 1, std::nullopt},
        // A service that knows nothing yet: no reading, no times, never 100 % or −1 minutes.
        {"nothing known", {battery("battery_BAT0", 0, 0, 0, 0, {{"Energy", 0.0}}), linePower(false)}, -1, false,
         false, std::nullopt, std::nullopt},
        // A charger object without a kind: its Online property still counts, and it is no device.
        {"charger without a kind",
         {battery("battery_BAT0", 57, 2, 7800, 0), {kDevices + "ac", {{"PowerSupply", true}, {"Online", true}}}}, 57,
         true, false, 130, std::nullopt},
        {"negative time", {battery("battery_BAT0", 20, 2, -1, -60)}, 20, false, false, std::nullopt, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const PowerState s = PowerStateBuilder::fromUPower(c.devices, {});
        EXPECT_EQ(s.source, PowerSource::UPower);
        ASSERT_TRUE(s.battery);
        EXPECT_EQ(s.battery->percentOrMissing(), c.percent);
        EXPECT_EQ(s.battery->externalPower, c.external);
        EXPECT_EQ(s.battery->charging, c.charging);
        EXPECT_EQ(s.battery->minutesToEmpty, c.toEmpty);
        EXPECT_EQ(s.battery->minutesToFull, c.toFull);
        EXPECT_TRUE(s.devices.empty());
    }
}

TEST(PowerStateBuilder, capacitiesAndMachinesWithoutBattery)
{
    PowerState s = PowerStateBuilder::fromUPower({battery("battery_BAT0", 57, 2, 0, 0, {{"ChargeCycles", -1}})}, {});
    ASSERT_TRUE(s.battery);
    EXPECT_EQ(s.battery->rawPercent(), std::optional<int>(60)); // 30 of 50 Wh
    EXPECT_EQ(s.battery->health(), std::optional<int>(83));     // 50 of 60 Wh
    EXPECT_FALSE(s.battery->cycles) << "the service's −1 means unknown";
    EXPECT_EQ(s.battery->unit, "Wh");

    s = PowerStateBuilder::fromUPower({battery("battery_BAT0", 57, 2, 0, 0, {{"EnergyFullDesign", 0.0}})}, {});
    EXPECT_FALSE(s.battery->health());

    // Only a UPS and a charger, or a battery slot with no pack in it: no internal battery.
    EXPECT_FALSE(PowerStateBuilder::fromUPower({ups(90), linePower(true)}, {}).battery);
    EXPECT_FALSE(PowerStateBuilder::fromUPower({battery("battery_BAT1", 0, 0, 0, 0, {{"IsPresent", false}})}, {}).battery);
    EXPECT_FALSE(PowerStateBuilder::fromUPower({}, {}).battery);
}

TEST(PowerStateBuilder, twoPacksTakeChargeFromTheDisplayDevice)
{
    const QVariantMap display{{"IsPresent", true}, {"Percentage", 65.0}, {"State", 1u}, {"TimeToFull", 1800}};
    const PowerState s = PowerStateBuilder::fromUPower(
        {battery("battery_BAT0", 40, 1, 0, 0, {{"Energy", 10.0}, {"EnergyFull", 25.0}}),
         battery("battery_BAT1", 90, 4, 0, 0, {{"Energy", 22.5}, {"EnergyFull", 25.0}}), linePower(true)},
        display);
    ASSERT_TRUE(s.battery);
    EXPECT_EQ(s.battery->percentOrMissing(), 65);
    EXPECT_TRUE(s.battery->charging);
    EXPECT_EQ(s.battery->minutesToFull, std::optional<int64_t>(30));
    EXPECT_EQ(s.battery->remaining, std::optional<double>(32.5));
    EXPECT_EQ(s.battery->full, std::optional<double>(50.0));
    EXPECT_EQ(s.battery->design, std::optional<double>(120.0));
}

TEST(PowerStateBuilder, devicesSeenByBothServicesAreListedOnce)
{
    PowerState s = PowerStateBuilder::fromUPower(
        {battery("battery_BAT0", 57, 2, 0, 0), mouse(12, "/org/bluez/hci0/dev_DC_2C_26_0A_1B_3C")}, {});
    ASSERT_EQ(s.devices.size(), 1u);
    EXPECT_EQ(s.devices[0].address, "DC:2C:26:0A:1B:3C");

    PowerStateBuilder::mergeBluez(
        s, {bt("11:22:33:44:55:66", "Keyboard K380", true, std::nullopt), bt("DC:2C:26:0A:1B:3C", "Maus", true, 15),
            bt("77:88:99:AA:BB:CC", "Headset", false, 80), bt("AA:AA:AA:AA:AA:AA", "Pencil", true, 130)});
    ASSERT_EQ(s.devices.size(), 3u);
    // With a reading first (the power service's 12 % wins over Bluetooth's own 15 %, the
    // alias names it), then the connected keyboard without one; the disconnected headset is left out.
    EXPECT_EQ(s.devices[0].name, "Maus");
    EXPECT_EQ(s.devices[0].percent, std::optional<int>(12));
    EXPECT_EQ(s.devices[0].transport, "Bluetooth");
    EXPECT_EQ(s.devices[1].name, "Pencil");
    EXPECT_EQ(s.devices[1].percent, std::optional<int>(100));
    EXPECT_EQ(s.devices[2].name, "Keyboard K380");
    EXPECT_FALSE(s.devices[2].percent);
    EXPECT_EQ(s.findDevice("11:22:33:44:55:66"), &s.devices[2]);
    EXPECT_EQ(s.findDevice("77:88:99:AA:BB:CC"), nullptr);
    EXPECT_EQ(s.findDevice(""), nullptr);
}

TEST(PowerStateBuilder, aDisconnectedDeviceIsDropped)
{
    PowerState s = PowerStateBuilder::fromUPower({mouse(12, "hid-dc:2c:26:0a:1b:3c-battery")}, {});
    PowerStateBuilder::mergeBluez(s, {bt("DC:2C:26:0A:1B:3C", "Maus", false, std::nullopt)});
    EXPECT_TRUE(s.devices.empty());

    // A receiver-connected device has no address and stays whatever Bluetooth says.
    s = PowerStateBuilder::fromUPower({mouse(50, "hidpp_battery_0")}, {});
    PowerStateBuilder::mergeBluez(s, {});
    ASSERT_EQ(s.devices.size(), 1u);
    EXPECT_EQ(s.devices[0].transport, "USB");
    EXPECT_EQ(s.findDevice(kDevices + "mouse_dev"), &s.devices[0]);
}

TEST(PowerStateBuilder, bluetoothPropertiesAreBounded)
{
    const BluezDevice d = PowerStateBuilder::bluezDevice(
        "/org/bluez/hci0/dev_x", {{"Address", "dc:2c:26:0a:1b:3c"}, {"Name", "MX"}, {"Connected", true}, {"RSSI", -60}},
        {{"Percentage", 255}});
    EXPECT_EQ(d.address, "DC:2C:26:0A:1B:3C");
    EXPECT_EQ(d.name, "MX");
    EXPECT_EQ(d.rssi, std::optional<int>(-60));
    EXPECT_EQ(d.battery, std::optional<int>(100));
    const BluezDevice bare = PowerStateBuilder::bluezDevice("/org/bluez/hci0/dev_y", {{"Address", "00:11:22:33:44:55"}}, {});
    EXPECT_EQ(bare.name, "00:11:22:33:44:55");
    EXPECT_FALSE(bare.battery);
    EXPECT_FALSE(bare.rssi);
    EXPECT_FALSE(bare.connected);
}

TEST(PowerState, remainingTimeText)
{
    const struct {
        std::optional<int64_t> minutes;
        const char *text;
    } cases[] = {{135, "2h15m"}, {59, "0h59m"}, {0, "0h0m"}, {-1, ""}, {std::nullopt, ""}, {6000, "100h0m"}};
    for (const auto &c : cases)
        EXPECT_EQ(buildBatteryRemain(c.minutes), QLatin1String(c.text));
}
