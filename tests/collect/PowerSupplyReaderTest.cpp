#include "TestEnvironment.h"
#include "collect/PowerSupplyReader.h"
#include "platform/Sysroot.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

template <typename T>
std::optional<T> none() { return std::nullopt; }

} // namespace

TEST(PowerSupplyReader, internalBatteryFiguresPerMachine)
{
    const struct {
        const char *tree;
        int percent; // −1 = not reported
        std::optional<double> remaining, full, design;
        const char *unit;
        std::optional<int> raw, health;
        std::optional<int64_t> toEmpty, toFull, cycles;
        bool external, charging;
    } cases[] = {
        // 30.21 Wh of 53 at 8.392 W: 3.6 h left (215 whole minutes); 53 of 57 Wh design is 92 %.
        {"general-thinkpad", 57, 30.21, 53.0, 57.0, "Wh", 57, 92, 215, none<int64_t>(), 312, false, false},
        // Full on the charger; charge counters in mAh; no drain, so no time.
        {"general-macbookpro", 100, 8790.0, 8790.0, 8790.0, "mAh", 100, 100, none<int64_t>(), none<int64_t>(), 41,
         true, false},
        // Two packs: 10+20 Wh of 25+25 is 60 %, 20 Wh to go at 10+10 W is 60 minutes.
        {"general-two-packs", 60, 30.0, 50.0, 52.0, "Wh", 60, 96, none<int64_t>(), 60, none<int64_t>(), true, true},
        // Garbled charge and energy: nothing is made up; a design capacity of 0 is unknown.
        {"general-garbled", -1, none<double>(), 50.0, none<double>(), "Wh", none<int>(), none<int>(), none<int64_t>(),
         none<int64_t>(), none<int64_t>(), false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tree);
        const PowerState s = PowerSupplyReader::read(fixture(c.tree));
        EXPECT_EQ(s.source, PowerSource::Sysfs);
        ASSERT_TRUE(s.battery.has_value());
        const InternalBattery &b = *s.battery;
        EXPECT_EQ(b.percentOrMissing(), c.percent);
        ASSERT_EQ(b.remaining.has_value(), c.remaining.has_value());
        if (c.remaining) {
            EXPECT_NEAR(*b.remaining, *c.remaining, 1e-6);
        }
        ASSERT_EQ(b.full.has_value(), c.full.has_value());
        if (c.full) {
            EXPECT_NEAR(*b.full, *c.full, 1e-6);
        }
        ASSERT_EQ(b.design.has_value(), c.design.has_value());
        if (c.design) {
            EXPECT_NEAR(*b.design, *c.design, 1e-6);
        }
        EXPECT_EQ(b.unit, QLatin1String(c.unit));
        EXPECT_EQ(b.rawPercent(), c.raw);
        EXPECT_EQ(b.health(), c.health);
        EXPECT_EQ(b.minutesToEmpty, c.toEmpty);
        EXPECT_EQ(b.minutesToFull, c.toFull);
        EXPECT_EQ(b.cycles, c.cycles);
        EXPECT_EQ(b.externalPower, c.external);
        EXPECT_EQ(b.charging, c.charging);
        EXPECT_EQ(b.name, "Built-in Battery");
    }
}

TEST(PowerSupplyReader, chargerFiguresOnlyOnExternalPower)
{
    const PowerState mac = PowerSupplyReader::read(fixture("general-macbookpro"));
    ASSERT_TRUE(mac.battery);
    EXPECT_EQ(mac.battery->adapterVolts, std::optional<double>(20.5));
    EXPECT_EQ(mac.battery->adapterAmps, std::optional<double>(2.25));
    ASSERT_TRUE(mac.battery->adapterWatts);
    EXPECT_NEAR(*mac.battery->adapterWatts, 46.125, 1e-9);

    const PowerState thinkpad = PowerSupplyReader::read(fixture("general-thinkpad"));
    ASSERT_TRUE(thinkpad.battery);
    EXPECT_FALSE(thinkpad.battery->adapterVolts);
    EXPECT_FALSE(thinkpad.battery->adapterWatts);
}

TEST(PowerSupplyReader, devicesAndMachinesWithoutBattery)
{
    const PowerState thinkpad = PowerSupplyReader::read(fixture("general-thinkpad"));
    ASSERT_EQ(thinkpad.devices.size(), 1u);
    EXPECT_EQ(thinkpad.devices[0].address, "DC:2C:26:0A:1B:3C");
    EXPECT_EQ(thinkpad.devices[0].name, "MX Master 3");
    EXPECT_EQ(thinkpad.devices[0].percent, std::optional<int>(12));
    EXPECT_EQ(thinkpad.devices[0].transport, "Bluetooth");

    // A capacity of 250 % is not a reading; a hostile name is kept as text.
    const PowerState garbled = PowerSupplyReader::read(fixture("general-garbled"));
    ASSERT_EQ(garbled.devices.size(), 1u);
    EXPECT_FALSE(garbled.devices[0].percent);
    EXPECT_EQ(garbled.devices[0].name, "<b>Pen</b> & \"Co\"");
    EXPECT_EQ(garbled.devices[0].transport, "USB");

    // A UPS beside the packs is neither the battery nor a device.
    EXPECT_TRUE(PowerSupplyReader::read(fixture("general-two-packs")).devices.empty());

    for (const char *tree : {"general-qemu", "general-missing"}) {
        SCOPED_TRACE(tree);
        const PowerState s = PowerSupplyReader::read(fixture(tree));
        EXPECT_FALSE(s.battery);
        EXPECT_TRUE(s.devices.empty());
    }
}

TEST(PowerSupplyReader, addressesInNamesAndPaths)
{
    const struct {
        const char *text;
        const char *address;
    } cases[] = {
        {"hid-dc:2c:26:0a:1b:3c-battery", "DC:2C:26:0A:1B:3C"},
        {"/org/bluez/hci0/dev_AA_BB_CC_DD_EE_0F", "AA:BB:CC:DD:EE:0F"},
        {"AA:BB:CC:DD:EE", ""},
        {"hidpp_battery_0", ""},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PowerSupplyReader::addressIn(QString::fromLatin1(c.text)), QLatin1String(c.address)) << c.text;
}
