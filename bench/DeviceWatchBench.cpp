// The device and network watch's share of a pass: the common pass with nothing new (the
// same descriptions as before), and a pass with a new power state and new interface
// description to compare.
#include "app/DeviceWatch.h"
#include "collect/NetworkBase.h"
#include "collect/PowerState.h"
#include "collect/Samples.h"

#include <benchmark/benchmark.h>

using namespace orb;

namespace {

SensorData laptop(uint64_t interfaceChanges)
{
    auto power = std::make_shared<PowerState>();
    for (int i = 0; i < 3; ++i) {
        PeripheralDevice d;
        d.address = QStringLiteral("DC:2C:26:0A:1B:%1").arg(i, 2, 10, QLatin1Char('0'));
        d.name = QStringLiteral("Device %1").arg(i);
        d.icon = i == 2 ? QStringLiteral("audio-headphones") : QStringLiteral("input-mouse");
        d.percent = 40 + i;
        power->devices.push_back(d);
    }
    auto base = std::make_shared<NetworkBase>();
    for (const char *name : {"eth0", "lo", "wlan0", "docker0", "wg0"}) {
        NetworkInterface n;
        n.name = QLatin1String(name);
        n.macAddress = QStringLiteral("3C:9C:0F:11:22:") + n.name.left(2).toUpper();
        if (n.name == QLatin1String("wlan0"))
            n.wifi = WifiDetails{QStringLiteral("Home"), 70, 866000, 5180, 3, -52, 0};
        base->interfaces.push_back(n);
    }
    base->interfaceChanges = interfaceChanges;
    SensorData data;
    data.power = power;
    data.networkBase = base;
    return data;
}

const QVariantMap kGeneral{{"BidDisconnectNotify", true}, {"kBidBatteryNotify", true}};
const QVariantMap kNetwork{{"WifiDisconnectNotifyBool", true}};

} // namespace

static void BM_DeviceWatchQuietPass(benchmark::State &state)
{
    DeviceWatch watch;
    const SensorData data = laptop(1);
    watch.setSwitches(kGeneral, kNetwork);
    watch.afterPass(data);
    for (auto _ : state) {
        watch.setSwitches(kGeneral, kNetwork);
        benchmark::DoNotOptimize(watch.afterPass(data));
    }
}
BENCHMARK(BM_DeviceWatchQuietPass)->Unit(benchmark::kNanosecond);

static void BM_DeviceWatchNewDescriptions(benchmark::State &state)
{
    DeviceWatch watch;
    watch.setSwitches(kGeneral, kNetwork);
    const SensorData a = laptop(1), b = laptop(2);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        benchmark::DoNotOptimize(watch.afterPass(flip ? a : b));
    }
}
BENCHMARK(BM_DeviceWatchNewDescriptions)->Unit(benchmark::kMicrosecond);
