// The disk module's per-tick costs: one sample over a twelve-line diskstats (four SATA
// disks, two md arrays, two NVMe disks and their partitions).
#include "collect/DiskSampler.h"

#include <benchmark/benchmark.h>

namespace {

void diskSample(benchmark::State &state)
{
    const orb::Sysroot root(std::string(ORB_FIXTURES_DIR "/disk-server-md-a"));
    orb::DiskSampler sampler;
    double now = 0.0;
    for (auto _ : state) {
        auto sample = sampler.retDiskRW(root, now);
        now += 1.0;
        benchmark::DoNotOptimize(sample);
    }
}

} // namespace

BENCHMARK(diskSample)->Name("DiskSampler/12lines");
