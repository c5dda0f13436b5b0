// One network sample over a ten-interface tree (two wired, Wi-Fi, loopback, two bridges, a
// veth pair, WireGuard, TUN): the path the collection pass takes each second once the
// interfaces are known.
#include "collect/NetworkSampler.h"
#include "modules/network/Network_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QColor>
#include <benchmark/benchmark.h>

static void BM_NetworkSample10(benchmark::State &state)
{
    const orb::Sysroot root(ORB_FIXTURES_DIR "/net-bench");
    orb::NetworkSampler sampler;
    double now = 0.0;
    sampler.loadNetworkData(root, now);
    for (auto _ : state) {
        now += 1.0;
        auto s = sampler.loadNetworkData(root, now);
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(sampler.checkInterfaceStatusChange());
    }
    const auto s = sampler.loadNetworkData(root, now + 1.0);
    if (!s || s->up != 81'000'000'000 + 7'000'000 + 3'000'000)
        state.SkipWithError("fixture did not give the expected totals");
}
BENCHMARK(BM_NetworkSample10);

// One Network status image with every element: up/down label, lamps, a 30-point graph over
// a full history with Wi-Fi quality behind it, rate text; widths, drawing and capture.
static void BM_NetworkStatusImage(benchmark::State &state)
{
    using namespace orb;
    QVariantMap d{{"NetworkItemSortArray", QVariantList{1, 2, 3, 4}},
                  {"Network_Display_UdLabel", true},
                  {"Network_Display_UdCircle", true},
                  {"Network_Display_Graph", true},
                  {"Network_Display_Text", true},
                  {"Network_GraphWidth", 30},
                  {"Network_Padding", 2.0},
                  {"Network_UdLabel_ModeAry", QStringList{"Up", "Dw"}},
                  {"Network_Graph_Mode", 1},
                  {"Network_Text_Mode", 1},
                  {"Network_Limen_Base", 1},
                  {"NetworkInnerUdLabelWidth", 13.0},
                  {"NetworkInnerTextWidth", 46.0},
                  {"_FontPostScriptName", "DejaVuSansMono-Bold"},
                  {"PrefName", "Network"}};
    for (const char *key : {"C01", "C02", "C03", "C04", "C05", "C06", "Z01", "Z03"})
        d.insert(key, QColor(100, 150, 200));
    History<NetworkSample> history;
    int64_t up = 0, down = 0;
    for (int i = 0; i < 512; ++i) {
        up += 1000 + (i * 7919) % 90000;
        down += 5000 + (i * 104729) % 900000;
        history = history.appended({up, down, 1.0, 40 + i % 30, 5});
    }
    SensorData data;
    data.network = history;

    OffscreenHost host;
    Network_MenuModule item(nullptr);
    item.setMyDefaults(d);
    item.initDrawStatusBar(host);
    item.setSensorData(data);
    for (auto _ : state)
        item.refreshBar();
}
BENCHMARK(BM_NetworkStatusImage)->Unit(benchmark::kMicrosecond);
