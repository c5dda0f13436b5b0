#include "collect/GpuSampler.h"
#include "modules/gpu/GPU_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QColor>

#include <benchmark/benchmark.h>

using namespace orb;

// One GPU sample of a laptop with two display devices: the Intel one has no figures, the
// AMD one has its two memory files re-read. Devices were found by the warm-up call.
static void BM_GpuSampleTwoDevices(benchmark::State &state)
{
    const Sysroot root(ORB_FIXTURES_DIR "/gpu-hybrid-laptop");
    GpuSampler sampler;
    if (sampler.loadPciGpuData(root).size() != 2)
        state.SkipWithError("fixture gpu-hybrid-laptop should hold two display devices");
    for (auto _ : state)
        benchmark::DoNotOptimize(sampler.loadPciGpuData(root));
}
BENCHMARK(BM_GpuSampleTwoDevices)->Unit(benchmark::kMicrosecond);

// One GPU status image of two devices with all four elements over a full history: widths,
// double-scale drawing, capture.
static void BM_GpuStatusImage(benchmark::State &state)
{
    QVariantMap d{{"GpuItemSortArray", QVariantList{1, 2, 3, 4}},
                  {"Gpu_Display_Graph", true},
                  {"Gpu_Display_LevelBar", true},
                  {"Gpu_Display_CircleMeter", true},
                  {"Gpu_Display_Text", true},
                  {"Gpu_GraphWidth", 30},
                  {"Gpu_Padding", 2.0},
                  {"Gpu_ShowMyLabel", true},
                  {"GpuInnerTextWidth", 26.0},
                  {"_FontPostScriptName", "DejaVuSansMono-Bold"},
                  {"PrefName", "GPU"}};
    for (const char *key : {"H01", "H02", "H03", "H04", "H05", "Z01", "Z03"})
        d.insert(key, QColor(100, 150, 200));
    History<GpuSample> history;
    for (int i = 0; i < 512; ++i) {
        GpuEntry intel{"_1", "UHD Graphics", "--", "--", -1, -1, -1};
        GpuEntry amd{"_2", "Radeon RX 6500M", "4096MB", "75%", 4294967296, 3221225472 - i * 1048576, 1073741824 + i * 1048576};
        history = history.appended({intel, amd});
    }
    SensorData data;
    data.gpu = history;

    OffscreenHost host;
    GPU_MenuModule item(nullptr);
    item.setMyDefaults(d);
    item.initDrawStatusBar(host);
    item.setSensorData(data);
    for (auto _ : state)
        item.refreshBar();
}
BENCHMARK(BM_GpuStatusImage)->Unit(benchmark::kMicrosecond);
