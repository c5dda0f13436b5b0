// One CPU sample over a 64-processor tree, alternating two captures so every call
// computes real deltas (the path the collection pass takes each second).
#include "collect/CpuSampler.h"

#include <benchmark/benchmark.h>

static void BM_CpuSamplerLoad64(benchmark::State &state)
{
    const orb::Sysroot trees[2] = {orb::Sysroot(ORB_FIXTURES_DIR "/cpu-64core-a"),
                                   orb::Sysroot(ORB_FIXTURES_DIR "/cpu-64core-b")};
    orb::CpuSampler sampler;
    sampler.loadCpuData(trees[0]);
    size_t i = 1;
    for (auto _ : state) {
        orb::CpuSample s = sampler.loadCpuData(trees[i++ & 1]);
        benchmark::DoNotOptimize(s);
    }
    if (sampler.loadCpuData(trees[i & 1]).size() != 65)
        state.SkipWithError("fixture did not give 65 entries");
}
BENCHMARK(BM_CpuSamplerLoad64);
