#include "TestEnvironment.h"
#include "app/DeviceWatch.h"
#include "collect/NetworkBase.h"
#include "collect/PowerState.h"
#include "collect/Samples.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace orb;

namespace {

const char *kGone = "Bluetooth input device disconnected";
const char *kLowBody = "Check the battery of the Bluetooth input device.";

PeripheralDevice device(const char *address, const char *name, std::optional<int> percent,
                        const char *icon = "input-mouse")
{
    PeripheralDevice d;
    d.address = QString::fromLatin1(address);
    d.name = QString::fromUtf8(name);
    d.icon = QString::fromLatin1(icon);
    d.transport = d.address.isEmpty() ? QStringLiteral("USB") : QStringLiteral("Bluetooth");
    d.percent = percent;
    if (d.address.isEmpty())
        d.upowerPath = QStringLiteral("/org/freedesktop/UPower/devices/mouse_hidpp_") + d.name;
    return d;
}

const PeripheralDevice kMouse = device("DC:2C:26:0A:1B:3C", "MX Master 3", 80);
const PeripheralDevice kMouse2 = device("11:22:33:44:55:66", "Travel Mouse", 60);
const PeripheralDevice kKeys = device("AA:BB:CC:DD:EE:01", "Keyboard K380", std::nullopt, "input-keyboard");
const PeripheralDevice kHeadset = device("AA:BB:CC:DD:EE:02", "Headphones", 10, "audio-headphones");
const PeripheralDevice kMarkup = device("AA:BB:CC:DD:EE:03", "<b>Mouse</b> & \"Co\"", 70);

PeripheralDevice at(PeripheralDevice d, std::optional<int> percent)
{
    d.percent = percent;
    return d;
}

SensorData withDevices(std::vector<PeripheralDevice> devices)
{
    auto state = std::make_shared<PowerState>();
    state->devices = std::move(devices);
    state->source = PowerSource::UPower;
    SensorData data;
    data.power = state;
    return data;
}

// One notice as "title|body|identifier|delay".
std::string describe(const DeviceNotice &n)
{
    return QStringLiteral("%1|%2|%3|%4").arg(n.title, n.body, n.identifier).arg(n.delaySeconds).toStdString();
}

std::vector<std::string> describe(const std::vector<DeviceNotice> &notices)
{
    std::vector<std::string> out;
    for (const DeviceNotice &n : notices)
        out.push_back(describe(n));
    return out;
}

QVariantMap general(bool disconnect, bool battery)
{
    return {{"BidDisconnectNotify", disconnect}, {"kBidBatteryNotify", battery}};
}

} // namespace

// Bluetooth input devices over a run of passes: which notices each pass gives, and whether
// the General item's low-battery switch is on afterwards.
TEST(DeviceWatch, BluetoothDevicesGoneAndLow)
{
    struct Pass {
        std::vector<PeripheralDevice> devices;
        std::vector<std::string> notices;
        bool low = false;
    };
    struct Case {
        const char *name;
        bool disconnect, battery;
        std::vector<Pass> passes;
    };
    const std::string lowNotice = std::string("Low Battery|") + kLowBody + "|kBidBatteryNotify|1";
    const std::string mouseGone = std::string(kGone) + "|MX Master 3|MX Master 3|0.25";
    const std::vector<Case> cases = {
        {"the first state is only learnt", true, true, {{{kMouse}, {}}, {{}, {mouseGone}}}},
        {"one of two mice unplugged", true, true, {{{kMouse, kMouse2}, {}}, {{kMouse2}, {mouseGone}}}},
        {"both mice unplugged at once: one notice, one name a line", true, true,
         {{{kMouse, kMouse2}, {}},
          {{}, {std::string(kGone) + "|MX Master 3\nTravel Mouse|MX Master 3\nTravel Mouse|0.25"}}}},
        {"one goes while another arrives", true, true, {{{kMouse}, {}}, {{kMouse2}, {mouseGone}}}},
        {"a new device alone says nothing", true, true, {{{kMouse}, {}}, {{kMouse, kMouse2}, {}}}},
        {"headsets are not input devices", true, true, {{{kMouse, kHeadset}, {}}, {{kMouse}, {}}}},
        {"receiver-connected devices are not Bluetooth devices", true, true,
         {{{device("", "Unifying Mouse", 50)}, {}}, {{}, {}}}},
        {"disconnection notices switched off", false, true, {{{kMouse}, {}}, {{}, {}}}},
        {"a name full of markup travels as text", true, true,
         {{{kMarkup}, {}}, {{}, {std::string(kGone) + "|<b>Mouse</b> & \"Co\"|<b>Mouse</b> & \"Co\"|0.25"}}}},
        {"at 25 % one notice, held while low, cleared at 26 %, given again when low again", false, true,
         {{{at(kKeys, 25)}, {lowNotice}, true},
          {{at(kKeys, 20)}, {}, true},
          {{at(kKeys, 20), kMouse}, {}, true},
          {{at(kKeys, 26)}, {}, false},
          {{at(kKeys, 0)}, {lowNotice}, true}}},
        {"the first low device counts, later ones add nothing", false, true,
         {{{at(kMouse, 10), at(kKeys, 5)}, {lowNotice}, true}, {{at(kKeys, 5)}, {}, true}}},
        {"no reading is not low", false, true, {{{kKeys}, {}, false}}},
        {"low devices without the switch", false, false, {{{at(kKeys, 3)}, {}, false}}},
        {"a low headset is no input device", false, true, {{{kHeadset, kMouse}, {}, false}}},
        {"the last device gone clears the switch", true, true,
         {{{at(kMouse, 5)}, {lowNotice}, true}, {{}, {mouseGone}, false}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DeviceWatch watch;
        watch.setSwitches(general(c.disconnect, c.battery), {});
        for (size_t i = 0; i < c.passes.size(); ++i) {
            SCOPED_TRACE("pass " + std::to_string(i + 1));
            EXPECT_EQ(describe(watch.afterPass(withDevices(c.passes[i].devices))), c.passes[i].notices);
            EXPECT_EQ(watch.alreadyNotifyBidBattery(), c.passes[i].low);
        }
    }
}

// Passes in between that bring no new power state repeat nothing; before the services
// answered there is nothing to compare with.
TEST(DeviceWatch, OnlyANewPowerStateIsCompared)
{
    DeviceWatch watch;
    watch.setSwitches(general(true, true), {});
    EXPECT_TRUE(watch.afterPass(SensorData{}).empty());
    const SensorData first = withDevices({at(kMouse, 15), kMouse2});
    EXPECT_EQ(watch.afterPass(first).size(), 1u) << "low battery";
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(watch.afterPass(first).empty());
    EXPECT_TRUE(watch.afterPass(SensorData{}).empty()) << "a pass without power data loses no device";
    ASSERT_EQ(watch.afterPass(withDevices({kMouse2})).size(), 1u);
}

// The switches are read again when a settings dictionary is replaced.
TEST(DeviceWatch, ChangedSwitchesTakeEffect)
{
    DeviceWatch watch;
    QVariantMap settings = general(false, true);
    watch.setSwitches(settings, {});
    watch.afterPass(withDevices({kMouse}));
    settings = general(true, true);
    watch.setSwitches(settings, {});
    const std::vector<DeviceNotice> n = watch.afterPass(withDevices({}));
    ASSERT_EQ(n.size(), 1u);
    EXPECT_EQ(n[0].title, kGone);
}

namespace {

NetworkInterface wifi(const char *name, const char *mac, const char *ssid)
{
    NetworkInterface i;
    i.name = QString::fromLatin1(name);
    i.macAddress = QString::fromLatin1(mac);
    i.linkStatus = QStringLiteral("Active");
    i.hasNic = true;
    i.wifi = WifiDetails{};
    i.wifi->ssid = QString::fromUtf8(ssid);
    return i;
}

NetworkInterface wired(const char *name, const char *mac)
{
    NetworkInterface i;
    i.name = QString::fromLatin1(name);
    i.macAddress = QString::fromLatin1(mac);
    i.linkStatus = QStringLiteral("Active");
    i.hasNic = true;
    return i;
}

struct Described {
    uint64_t changes;
    std::vector<NetworkInterface> interfaces;
};

SensorData withNetwork(const Described &d)
{
    auto base = std::make_shared<NetworkBase>();
    base->interfaces = d.interfaces;
    base->interfaceChanges = d.changes;
    SensorData data;
    data.networkBase = base;
    return data;
}

} // namespace

// Wi-Fi networks over a run of descriptions: a network is lost when its interface is gone
// or off its network at a change of the interfaces.
TEST(DeviceWatch, WifiNetworksLost)
{
    struct Step {
        Described base;
        const char *lost; // body of the notice, "" for none
    };
    struct Case {
        const char *name;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"the first description is only learnt", {{{1, {wired("eth0", "E0")}}, ""}}},
        {"the network left at a change", {{{1, {wifi("wlan0", "W0", "Home")}}, ""}, {{2, {wifi("wlan0", "W0", "")}}, "Home"}}},
        {"the adapter pulled out", {{{1, {wifi("wlan0", "W0", "Home"), wired("eth0", "E0")}}, ""}, {{2, {wired("eth0", "E0")}}, "Home"}}},
        {"two adapters lost at once, one name a line",
         {{{1, {wifi("wlan0", "W0", "Home"), wifi("wlan1", "W1", "Café <5G>")}}, ""}, {{2, {}}, "Home\nCafé <5G>"}}},
        {"a description without a change of the interfaces gives no notice",
         {{{1, {wifi("wlan0", "W0", "Home")}}, ""}, {{1, {wifi("wlan0", "W0", "")}}, ""}}},
        {"a network name that arrives late is remembered",
         {{{1, {wifi("wlan0", "W0", "")}}, ""}, {{1, {wifi("wlan0", "W0", "Office")}}, ""}, {{2, {wifi("wlan0", "W0", "")}}, "Office"}}},
        {"joining another network on the same adapter is no loss",
         {{{1, {wifi("wlan0", "W0", "Home")}}, ""}, {{2, {wifi("wlan0", "W0", "Guest")}}, ""}}},
        {"an interface without a hardware address is known by name",
         {{{1, {wifi("wlp0", "", "Lab")}}, ""}, {{2, {wired("eth0", "")}}, "Lab"}}},
        {"a network found again is no loss, losing it later is",
         {{{1, {wifi("wlan0", "W0", "Home")}}, ""}, {{2, {wifi("wlan0", "W0", "")}}, "Home"}, {{3, {wifi("wlan0", "W0", "Home")}}, ""},
          {{4, {}}, "Home"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        DeviceWatch watch;
        watch.setSwitches({}, {{"WifiDisconnectNotifyBool", true}});
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE("description " + std::to_string(i + 1));
            const std::vector<DeviceNotice> n = watch.afterPass(withNetwork(c.steps[i].base));
            if (!*c.steps[i].lost) {
                EXPECT_TRUE(n.empty()) << (n.empty() ? "" : describe(n[0]));
                continue;
            }
            ASSERT_EQ(n.size(), 1u);
            const QString lost = QString::fromUtf8(c.steps[i].lost);
            EXPECT_EQ(n[0], (DeviceNotice{"Wi-Fi disconnected", lost, lost, 0.25}));
        }
    }
}

// Without the switch a lost network is logged, never announced; the same description seen
// again gives nothing twice.
TEST(DeviceWatch, WifiNoticeFollowsItsSwitch)
{
    DeviceWatch watch;
    watch.setSwitches({}, {{"WifiDisconnectNotifyBool", false}});
    watch.afterPass(withNetwork({1, {wifi("wlan0", "W0", "Home")}}));
    test::LogCapture log;
    EXPECT_TRUE(watch.afterPass(withNetwork({2, {}})).empty());
    EXPECT_TRUE(log.has({"Home"}));

    DeviceWatch on;
    on.setSwitches({}, {{"WifiDisconnectNotifyBool", true}});
    on.afterPass(withNetwork({1, {wifi("wlan0", "W0", "Home")}}));
    const SensorData lost = withNetwork({2, {}});
    EXPECT_EQ(on.afterPass(lost).size(), 1u);
    EXPECT_TRUE(on.afterPass(lost).empty());
}

// Bluetooth notices come before the Wi-Fi notice of the same pass.
TEST(DeviceWatch, OrderWithinAPass)
{
    DeviceWatch watch;
    watch.setSwitches(general(true, true), {{"WifiDisconnectNotifyBool", true}});
    SensorData first = withDevices({kMouse});
    first.networkBase = withNetwork({1, {wifi("wlan0", "W0", "Home")}}).networkBase;
    EXPECT_TRUE(watch.afterPass(first).empty());
    SensorData second = withDevices({at(kKeys, 4)});
    second.networkBase = withNetwork({2, {}}).networkBase;
    std::vector<std::string> titles;
    for (const DeviceNotice &n : watch.afterPass(second))
        titles.push_back(n.title.toStdString());
    EXPECT_EQ(titles, (std::vector<std::string>{kGone, "Low Battery", "Wi-Fi disconnected"}));
}
