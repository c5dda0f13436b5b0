// One network sample over a ten-interface tree (two wired, Wi-Fi, loopback, two bridges, a
// veth pair, WireGuard, TUN): the path the collection pass takes each second once the
// interfaces are known.
#include "collect/NetworkSampler.h"

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
