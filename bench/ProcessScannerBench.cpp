// The process step of the pass over generated /proc trees (written once into a temporary
// directory): the steady scan of N known processes, read through their kept stat files;
// the same while alternating two trees one second apart, where every file is opened by
// name and every share is computed from moved ticks; and, for comparison, a scan of this
// machine's own /proc.
#include "collect/ProcessScanner.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// Two trees of `count` processes one second apart; the directory is removed at exit.
struct GeneratedTrees {
    explicit GeneratedTrees(int count)
    {
        char pattern[] = "/tmp/orbbench-procs-XXXXXX";
        if (!::mkdtemp(pattern))
            return;
        base = pattern;
        for (int t = 0; t < 2; ++t) {
            const fs::path root = base / (t ? "b" : "a");
            for (int i = 0; i < count; ++i) {
                const int pid = 300 + i;
                const fs::path dir = root / "proc" / std::to_string(pid);
                fs::create_directories(dir);
                const std::string comm = i % 4 ? "worker-" + std::to_string(i % 40) : "Isolated Web Co";
                std::ofstream(dir / "stat") << pid << " (" << comm << ") S 1 " << pid << ' ' << pid
                                            << " 0 -1 4194560 2210 0 31 0 " << 4000 + i * 3 + t * (i % 5) << ' '
                                            << 1200 + i + t << " 0 0 20 0 4 0 " << 900 + i
                                            << " 812345344 " << 2000 + i * 11
                                            << " 18446744073709551615 1 1 0 0 0 0 0 4096 17663 0 0 0 17 3 0 0 0 0 0 0 0 0"
                                               " 0 0 0 0 0\n";
                std::ofstream(dir / "cmdline") << "/usr/bin/" << comm << '\0';
            }
            fs::create_directories(root / "usr/share/applications");
            std::ofstream(root / "usr/share/applications/worker.desktop")
                << "[Desktop Entry]\nType=Application\nName=Worker\nExec=worker-7\n";
        }
        roots[0] = orb::Sysroot((base / "a").string());
        roots[1] = orb::Sysroot((base / "b").string());
    }
    ~GeneratedTrees()
    {
        std::error_code ec;
        if (!base.empty())
            fs::remove_all(base, ec);
    }
    fs::path base;
    orb::Sysroot roots[2];
};

void scanBench(benchmark::State &state, int count, bool alternate)
{
    static GeneratedTrees *trees[2] = {};
    GeneratedTrees *&g = trees[count > 5];
    if (!g)
        g = new GeneratedTrees(count);
    orb::ProcessScanner scanner(100, 4096, orb::ApplicationNames({QStringLiteral("/usr/share")}, {}));
    double now = 0;
    scanner.scan(g->roots[0], now);
    size_t i = 1;
    for (auto _ : state) {
        now += 1.0;
        auto s = scanner.scan(g->roots[alternate ? i++ & 1 : 0], now);
        benchmark::DoNotOptimize(s);
    }
    if (scanner.knownProcesses() != static_cast<size_t>(count))
        state.SkipWithError("the generated tree was not scanned whole");
    state.counters["processes"] = count;
}

void BM_ProcessScan300(benchmark::State &state) { scanBench(state, 300, false); }
void BM_ProcessScan5(benchmark::State &state) { scanBench(state, 5, false); }
void BM_ProcessScan300Alternating(benchmark::State &state) { scanBench(state, 300, true); }
void BM_ProcessScan5Alternating(benchmark::State &state) { scanBench(state, 5, true); }

// This machine's own processes: real procfs cost, for comparison only.
void BM_ProcessScanThisMachine(benchmark::State &state)
{
    orb::ProcessScanner scanner;
    const orb::Sysroot host;
    double now = 0;
    scanner.scan(host, now);
    for (auto _ : state) {
        now += 1.0;
        auto s = scanner.scan(host, now);
        benchmark::DoNotOptimize(s);
    }
    state.counters["processes"] = static_cast<double>(scanner.knownProcesses());
}

} // namespace

BENCHMARK(BM_ProcessScan300)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessScan5)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessScan300Alternating)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessScan5Alternating)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ProcessScanThisMachine)->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond);
