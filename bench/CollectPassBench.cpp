// The steady collection pass as the running monitor takes it each second: every sampler
// reads the same tree again (the running machine's /proc and /sys stay where they are), so
// the figures are those of files kept open and lists kept between passes. One case per
// sampler and one for the four together; and, for /proc/stat, meminfo and diskstats of this
// machine (real procfs cost, for comparison only), one read through a file opened each time
// against one through a file kept open.
#include "collect/CpuSampler.h"
#include "collect/DiskSampler.h"
#include "collect/MemorySampler.h"
#include "collect/NetworkSampler.h"
#include "platform/OpenProcFile.h"

#include <benchmark/benchmark.h>

namespace {

struct Trees {
    orb::Sysroot cpu{ORB_FIXTURES_DIR "/cpu-16core-a"};
    orb::Sysroot memory{ORB_FIXTURES_DIR "/memory-zram-desktop"};
    orb::Sysroot disk{ORB_FIXTURES_DIR "/disk-server-md-a"};
    orb::Sysroot network{ORB_FIXTURES_DIR "/net-bench"};
};

struct Samplers {
    orb::CpuSampler cpu;
    orb::MemorySampler memory{4096};
    orb::DiskSampler disk;
    orb::NetworkSampler network;
};

// Runs `step(now)` once per iteration, one second apart; `failure()` is checked after.
template <typename Step, typename Check>
void steady(benchmark::State &state, Step &&step, Check &&failure)
{
    double now = 0.0;
    step(now);
    for (auto _ : state) {
        now += 1.0;
        step(now);
    }
    if (const char *why = failure())
        state.SkipWithError(why);
}

void BM_CollectCpu(benchmark::State &state)
{
    const Trees t;
    orb::CpuSampler sampler;
    size_t entries = 0;
    steady(
        state, [&](double) { entries = sampler.loadCpuData(t.cpu).size(); },
        [&] { return entries != 17 ? "the tree did not give 17 entries" : nullptr; });
}

void BM_CollectMemory(benchmark::State &state)
{
    const Trees t;
    orb::MemorySampler sampler(4096);
    int64_t compressed = 0;
    steady(
        state, [&](double) { compressed = sampler.loadMemoryData(t.memory).value_or(orb::MemorySample{})[7]; },
        [&] { return compressed != 73647 ? "the tree did not give its zram figure" : nullptr; });
}

void BM_CollectDisk(benchmark::State &state)
{
    const Trees t;
    orb::DiskSampler sampler;
    size_t disks = 0;
    steady(
        state, [&](double now) { disks = sampler.retDiskRW(t.disk, now).value_or(orb::DiskSample{}).disks.size(); },
        [&] { return disks == 0 ? "the tree gave no disk" : nullptr; });
}

void BM_CollectNetwork(benchmark::State &state)
{
    const Trees t;
    orb::NetworkSampler sampler;
    bool sampled = false;
    steady(
        state,
        [&](double now) {
            sampled = sampler.loadNetworkData(t.network, now).has_value();
            benchmark::DoNotOptimize(sampler.checkInterfaceStatusChange());
        },
        [&] { return sampled ? nullptr : "the tree gave no sample"; });
}

void BM_CollectPass(benchmark::State &state)
{
    const Trees t;
    Samplers s;
    steady(
        state,
        [&](double now) {
            benchmark::DoNotOptimize(s.cpu.loadCpuData(t.cpu));
            benchmark::DoNotOptimize(s.memory.loadMemoryData(t.memory));
            benchmark::DoNotOptimize(s.disk.retDiskRW(t.disk, now));
            benchmark::DoNotOptimize(s.network.loadNetworkData(t.network, now));
        },
        [] { return static_cast<const char *>(nullptr); });
}

const char *const kHostFiles[] = {"/proc/stat", "/proc/meminfo", "/proc/diskstats"};

void BM_ReadOpeningEachTime(benchmark::State &state)
{
    const orb::Sysroot host;
    const char *file = kHostFiles[state.range(0)];
    std::string buffer;
    for (auto _ : state)
        benchmark::DoNotOptimize(host.readFile(file, buffer));
    state.SetLabel(file);
}

void BM_ReadKeptOpen(benchmark::State &state)
{
    const orb::Sysroot host;
    orb::OpenProcFile file(kHostFiles[state.range(0)]);
    std::string buffer;
    for (auto _ : state)
        benchmark::DoNotOptimize(file.read(host, buffer));
    state.SetLabel(file.machinePath());
}

} // namespace

BENCHMARK(BM_ReadOpeningEachTime)->DenseRange(0, 2)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadKeptOpen)->DenseRange(0, 2)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollectCpu)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollectMemory)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollectDisk)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollectNetwork)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CollectPass)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
