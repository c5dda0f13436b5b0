// The General item's share of a second: its status image while the battery charges (the
// animation advances every pass), turning the power service's devices into the shown state,
// and the kernel's power-supply tree read while no power service runs.
#include "collect/PowerStateBuilder.h"
#include "collect/PowerSupplyReader.h"
#include "modules/general/General_MenuModule.h"
#include "platform/Sysroot.h"
#include "platform/statusbar/StatusBarHost.h"

#include <benchmark/benchmark.h>

using namespace orb;

namespace {

PowerState chargingLaptop()
{
    PowerState s;
    InternalBattery b;
    b.name = "Built-in Battery";
    b.percent = 57;
    b.externalPower = true;
    b.charging = true;
    s.battery = b;
    PeripheralDevice mouse;
    mouse.address = "DC:2C:26:0A:1B:3C";
    mouse.name = "MX Master 3";
    mouse.percent = 12;
    s.devices = {mouse};
    return s;
}

} // namespace

// One pass of the General item showing the charging battery (cached images after the first
// round of frames), with its menu closed.
static void BM_GeneralStatusImageCharging(benchmark::State &state)
{
    OffscreenHost host;
    General_MenuModule item(nullptr);
    item.setMyDefaults({{"DisplayOrbIcon", qint64(2)}, {"PrefName", "Orbmeter"}});
    item.initDrawStatusBar(host);
    SensorData data;
    data.power = std::make_shared<const PowerState>(chargingLaptop());
    item.setSensorData(data);
    for (auto _ : state)
        item.cycleStatusMenu();
}
BENCHMARK(BM_GeneralStatusImageCharging)->Unit(benchmark::kMicrosecond);

// A power-service change: a laptop battery, its charger, a UPS and a mouse, merged with two
// Bluetooth devices.
static void BM_PowerStateFromServices(benchmark::State &state)
{
    const QString dir = QStringLiteral("/org/freedesktop/UPower/devices/");
    const std::vector<UPowerDevice> devices = {
        {dir + "battery_BAT0", {{"Type", 2u}, {"PowerSupply", true}, {"IsPresent", true}, {"Percentage", 57.0},
                                {"State", 2u}, {"TimeToEmpty", 7800}, {"Energy", 30.0}, {"EnergyFull", 50.0},
                                {"EnergyFullDesign", 57.0}, {"Model", "5B10W13975"}}},
        {dir + "line_power_AC", {{"Type", 1u}, {"PowerSupply", true}, {"Online", false}}},
        {dir + "ups_hiddev0", {{"Type", 3u}, {"PowerSupply", true}, {"Percentage", 100.0}}},
        {dir + "mouse_dev", {{"Type", 5u}, {"PowerSupply", false}, {"Percentage", 12.0}, {"Model", "MX Master 3"},
                             {"NativePath", "/org/bluez/hci0/dev_DC_2C_26_0A_1B_3C"}}},
    };
    std::vector<BluezDevice> bluez(2);
    bluez[0].address = "DC:2C:26:0A:1B:3C";
    bluez[0].name = "MX Master 3";
    bluez[0].connected = true;
    bluez[1].address = "11:22:33:44:55:66";
    bluez[1].name = "Keyboard K380";
    bluez[1].connected = true;
    for (auto _ : state) {
        PowerState s = PowerStateBuilder::fromUPower(devices, {});
        PowerStateBuilder::mergeBluez(s, bluez);
        benchmark::DoNotOptimize(s);
    }
}
BENCHMARK(BM_PowerStateFromServices)->Unit(benchmark::kMicrosecond);

// The fallback read of a laptop's power-supply class (done on a pool thread every 5 s).
static void BM_PowerSupplyRead(benchmark::State &state)
{
    const Sysroot root(ORB_FIXTURES_DIR "/general-thinkpad");
    for (auto _ : state)
        benchmark::DoNotOptimize(PowerSupplyReader::read(root));
}
BENCHMARK(BM_PowerSupplyRead)->Unit(benchmark::kMicrosecond);
