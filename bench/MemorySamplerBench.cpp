// One memory sample over captured trees: the per-tick cost of the memory module.
#include "collect/MemorySampler.h"

#include <benchmark/benchmark.h>

namespace {

void memorySample(benchmark::State &state, const char *tree)
{
    const orb::Sysroot root(std::string(ORB_FIXTURES_DIR "/") + tree);
    orb::MemorySampler sampler(4096);
    for (auto _ : state) {
        auto sample = sampler.loadMemoryData(root);
        benchmark::DoNotOptimize(sample);
    }
}

} // namespace

BENCHMARK_CAPTURE(memorySample, zswap, "memory-zswap-laptop")->Name("MemorySampler/zswap");
BENCHMARK_CAPTURE(memorySample, zram, "memory-zram-desktop")->Name("MemorySampler/zram");
