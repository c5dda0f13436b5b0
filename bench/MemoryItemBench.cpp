#include "modules/memory/Memory_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QColor>
#include <benchmark/benchmark.h>

using namespace orb;

// One Memory status image: figures, widths, double-scale drawing of the default circle
// meter and text plus a 30-point graph over a full history, capture.
static void BM_MemoryStatusImage(benchmark::State &state)
{
    QVariantMap d{{"MemoryItemSortArray", QVariantList{1, 2, 3, 4, 5}},
                  {"Memory_Display_Graph", true},
                  {"Memory_Display_CircleMeter", true},
                  {"Memory_Display_Text", true},
                  {"Memory_GraphWidth", 30},
                  {"Memory_Padding", 2.0},
                  {"Memory_Unit", 1},
                  {"MemoryInnerTextHeaderWidth", 13.0},
                  {"_FontPostScriptName", "DejaVuSansMono-Bold"},
                  {"PrefName", "Memory"}};
    for (const char *key : {"B01", "B02", "B03", "B04", "B05", "B06", "B07", "B08", "B09", "B10", "Z01", "Z03"})
        d.insert(key, QColor(100, 150, 200));
    History<MemorySample> history;
    for (int i = 0; i < 512; ++i)
        history = history.appended({262144, 1048576, 524288, 1310720, 100, 50, 0, 131072 + i, 1572864, 786432});
    SensorData data;
    data.memory = history;
    data.memoryPageSize = 4096;
    data.memoryTotlSize = 16ull << 30;

    OffscreenHost host;
    Memory_MenuModule item(nullptr);
    item.setMyDefaults(d);
    item.initDrawStatusBar(host);
    item.setSensorData(data);
    for (auto _ : state)
        item.refreshBar();
}
BENCHMARK(BM_MemoryStatusImage)->Unit(benchmark::kMicrosecond);
