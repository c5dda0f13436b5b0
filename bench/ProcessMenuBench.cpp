// Opening the CPU and Memory menus with full histories: 512 samples of the module and 256
// process snapshots of 300 names each, facts read from a fixture tree. One iteration is
// one opening: base data, ranking, rows, graphs, the menu graph.
#include "collect/ProcessHistories.h"
#include "modules/MenuModuleDelegate.h"
#include "modules/cpu/CPU_MenuModule.h"
#include "modules/memory/Memory_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/CpuPreferences.h"
#include "settings/MemoryPreferences.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace orb;

namespace {

class FixtureDelegate : public MenuModuleDelegate {
public:
    void openPreferenceTab(int) override {}
    void changeAppearanceMode() override {}
    std::optional<Sysroot> menuSysroot() const override { return Sysroot(ORB_FIXTURES_DIR "/procs-workstation-b"); }
};

SensorData fullData()
{
    SensorData data;
    History<CpuSample> cpu;
    History<MemorySample> memory;
    for (int i = 0; i < 512; ++i) {
        CpuSample s(17, CpuTicks{10 + i % 30, 5, 1, 84 - i % 30});
        cpu = cpu.appended(std::move(s));
        memory = memory.appended({262144, 1048576, 524288, 1310720, 100, 50, 0, 131072 + i, 1572864, 786432});
    }
    data.cpu = cpu;
    data.memory = memory;
    data.memoryPageSize = 4096;
    data.memoryTotlSize = 16ull << 30;
    auto histories = std::make_shared<ProcessHistories>();
    for (int s = 0; s < 256; ++s) {
        auto cpuSnap = std::make_shared<ProcessSnapshot>();
        auto memSnap = std::make_shared<ProcessSnapshot>();
        cpuSnap->time = memSnap->time = s;
        for (int p = 0; p < 300; ++p) {
            const QString name = QStringLiteral("process-%1").arg(p);
            cpuSnap->entries.push_back({name, 300.0 - p + (s * 7 + p) % 13});
            memSnap->entries.push_back({name, 900000.0 - p * 1000});
        }
        std::sort(cpuSnap->entries.begin(), cpuSnap->entries.end(),
                  [](const ProcessShare &a, const ProcessShare &b) { return a.value > b.value; });
        ProcessHistories::append(histories->cpu, cpuSnap);
        ProcessHistories::append(histories->memory, memSnap);
    }
    data.processes = histories;
    return data;
}

template <typename Item, typename Prefs>
void openMenu(benchmark::State &state, const char *recentKey)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    auto store = SettingsStore::open();
    Prefs::initialize(*store);
    if (recentKey)
        store->setInteger(QLatin1String(recentKey), 30);
    FixtureDelegate delegate;
    OffscreenHost host;
    Item item(&delegate);
    item.setMyDefaults(Prefs::load(*store, ThemeStore::builtInReference(false)));
    item.initDrawStatusBar(host);
    item.setSensorData(fullData());
    for (auto _ : state) {
        item.menuWillOpen();
        item.menuDidClose();
    }
}

void BM_CpuMenuOpen(benchmark::State &state) { openMenu<CPU_MenuModule, CpuPreferences>(state, "Cpu_ProcessRecentSec"); }
void BM_MemoryMenuOpen(benchmark::State &state) { openMenu<Memory_MenuModule, MemoryPreferences>(state, nullptr); }

} // namespace

BENCHMARK(BM_CpuMenuOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryMenuOpen)->Unit(benchmark::kMillisecond);
