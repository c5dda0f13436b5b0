// The work of one second as the monitor does it: a full collection pass with every module
// launched, the CPU status image, and the JSON `orbmeter sample` prints.
#include "AllocationCount.h"
#include "app/AppDelegate.h"
#include "collect/SensorDataJson.h"
#include "modules/MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/SettingsStore.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Settings and themes go to a private HOME for the benchmark's lifetime.
class BenchHome {
public:
    BenchHome()
    {
        for (const char *name : kVariables)
            saved_[index(name)] = qgetenv(name);
        const QByteArray root = dir_.path().toUtf8();
        qputenv("HOME", root);
        qputenv("XDG_CONFIG_HOME", root + "/.config");
        qputenv("XDG_DATA_HOME", root + "/.local/share");
        qputenv("XDG_CACHE_HOME", root + "/.cache");
        orb::SettingsStore::resetSharedInstances();
        {
            // A first start writes every module's defaults; the intervals are set over them.
            orb::OffscreenHost host;
            orb::AppDelegate first(host, orb::AppOptions{.startTimer = false});
            first.startUpMe();
        }
        // Every sampler on every pass, so one pass is the most a pass can cost.
        auto store = orb::SettingsStore::open();
        for (const char *key : {"Cpu_UpdateInterval", "Memory_UpdateInterval", "Gpu_UpdateInterval",
                                "Temp_UpdateInterval", "Fan_UpdateInterval"})
            store->setInteger(QString::fromLatin1(key), 1);
        store->synchronize();
    }
    ~BenchHome()
    {
        orb::SettingsStore::resetSharedInstances();
        for (const char *name : kVariables)
            qputenv(name, saved_[index(name)]);
    }

private:
    static constexpr const char *kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"};
    static size_t index(const char *name)
    {
        for (size_t i = 0; i < std::size(kVariables); ++i)
            if (std::string_view(kVariables[i]) == name)
                return i;
        return 0;
    }
    QTemporaryDir dir_;
    QByteArray saved_[std::size(kVariables)];
};

// Two trees alternate so every CPU pass sees real deltas half the time and a counter
// reset the other half, as after a hot-plug; both parse the whole of every file.
orb::AppOptions benchOptions()
{
    return orb::AppOptions{.sysroots = {orb::Sysroot(ORB_FIXTURES_DIR "/bench-a"), orb::Sysroot(ORB_FIXTURES_DIR "/bench-b")},
                           .allModules = true,
                           .startTimer = false};
}

// Starts the controller and runs 600 passes: full histories, as after ten minutes of running.
void warmUp(orb::AppDelegate &app)
{
    app.startUpMe();
    for (int i = 0; i < 600; ++i)
        app.runPassSynchronously();
}

// A delegate whose sysroot list is long enough for `passes` alternating passes.
orb::AppOptions alternatingOptions(int passes)
{
    orb::AppOptions o = benchOptions();
    std::vector<orb::Sysroot> roots;
    roots.reserve(static_cast<size_t>(passes));
    for (int i = 0; i < passes; ++i)
        roots.push_back(o.sysroots[static_cast<size_t>(i) & 1]);
    o.sysroots = std::move(roots);
    return o;
}

} // namespace

static void BM_FullPassAllModules(benchmark::State &state)
{
    BenchHome home;
    orb::OffscreenHost host;
    // The delegate reads sysroots[i] on pass i and the last one afterwards; a long list
    // keeps the alternation going through every iteration the benchmark chooses.
    orb::AppDelegate app(host, alternatingOptions(1 << 16));
    warmUp(app);
    const uint64_t allocationsBefore = orbbench::allocations();
    for (auto _ : state) {
        if (!app.runPassSynchronously()) {
            state.SkipWithError("a pass did not run");
            break;
        }
    }
    // Heap allocations a pass makes, drawing included; new history entries account for a few.
    orbbench::reportAllocationsSince(state, allocationsBefore);
    const orb::SensorData &data = app.infoDict();
    if (!data.cpu || !data.memory || data.cpu->size() != 512 || data.memory->size() != 512)
        state.SkipWithError("not every sampler ran on every pass");
}
BENCHMARK(BM_FullPassAllModules)->Unit(benchmark::kMicrosecond)->Iterations(20000);

static void BM_CpuStatusImage(benchmark::State &state)
{
    BenchHome home;
    orb::OffscreenHost host;
    orb::AppDelegate app(host, alternatingOptions(1024));
    warmUp(app);
    orb::MenuModule *cpu = app.statusModule(orb::ModuleId::Cpu);
    if (!cpu) {
        state.SkipWithError("no CPU status item");
        return;
    }
    for (auto _ : state)
        cpu->refreshBar();
}
BENCHMARK(BM_CpuStatusImage)->Unit(benchmark::kMicrosecond);

static void BM_SampleJson512(benchmark::State &state)
{
    BenchHome home;
    orb::OffscreenHost host;
    orb::AppDelegate app(host, alternatingOptions(1024));
    warmUp(app);
    const orb::SensorData data = app.infoDict();
    if (!data.cpu || data.cpu->size() != orb::History<orb::CpuSample>::kCapacity) {
        state.SkipWithError(("history is " + std::to_string(data.cpu ? data.cpu->size() : 0) + " deep, not 512").c_str());
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        const QByteArray text = orb::SensorDataJson::toText(data);
        bytes = static_cast<size_t>(text.size());
        benchmark::DoNotOptimize(text.constData());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SampleJson512)->Unit(benchmark::kMillisecond);
