#include "collect/GpuSampler.h"

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
