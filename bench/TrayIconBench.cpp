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
    h.gauge = state.range(0) == 1 ? TrayHeadline::Gauge::Pie : TrayHeadline::Gauge::Bar;
    // 2: the module's own figure, a rate that changes with every reading ("1.2M", narrowed
    // to fit the small sizes).
    const bool ownFigure = state.range(0) == 2;
    int i = 0;
    for (auto _ : state) {
        h.fraction = (i % 100) / 100.0;
        if (ownFigure)
            h.figure = TrayHeadline::shortAmount(1000.0 + 7919.0 * i * i);
        ++i;
        for (int size : CompactIcon::kSizes)
            benchmark::DoNotOptimize(SniPixmap::fromImage(CompactIcon::render(h, size)));
    }
}
BENCHMARK(BM_CompactIconAllSizes)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

} // namespace
