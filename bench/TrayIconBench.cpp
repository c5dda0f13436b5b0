// Cost of a compact tray icon: the five square sizes drawn for a new reading, as a status
// item does when its figure changes (at most once per refresh).
#include "platform/statusbar/CompactIcon.h"
#include "platform/statusbar/SniPixmap.h"

#include <benchmark/benchmark.h>

namespace {
using namespace orb;

void BM_CompactIconAllSizes(benchmark::State &state)
{
    TrayHeadline h;
    h.colour = QColor(0x4c, 0xc2, 0x6e);
    h.gauge = state.range(0) == 0 ? TrayHeadline::Gauge::Bar : TrayHeadline::Gauge::Pie;
    int i = 0;
    for (auto _ : state) {
        h.fraction = (i++ % 100) / 100.0;
        for (int size : CompactIcon::kSizes)
            benchmark::DoNotOptimize(SniPixmap::fromImage(CompactIcon::render(h, size)));
    }
}
BENCHMARK(BM_CompactIconAllSizes)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
