#include "collect/sensors/SensorSampler.h"
#include "collect/sensors/SensorTableProvider.h"
#include "modules/fan/Fan_MenuModule.h"
#include "modules/temp/Temp_MenuModule.h"
#include "platform/Sysroot.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/FanPreferences.h"
#include "settings/SettingsStore.h"
#include "settings/TempPreferences.h"
#include "settings/ThemeStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace orb;

namespace {

void writeFile(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(text);
}

// A desktop with 16 temperatures on three chips and 4 fans: 20 sensors.
struct SensorTree {
    QTemporaryDir dir;
    SensorTree()
    {
        const QString hw = dir.path() + "/sys/class/hwmon/";
        writeFile(hw + "hwmon0/name", "acpitz\n");
        writeFile(hw + "hwmon0/temp1_input", "27800\n");
        writeFile(hw + "hwmon1/name", "coretemp\n");
        for (int i = 1; i <= 11; ++i) {
            writeFile(hw + QStringLiteral("hwmon1/temp%1_label").arg(i), i == 1 ? "Package id 0\n" : QByteArray("Core ") + QByteArray::number(i - 2) + "\n");
            writeFile(hw + QStringLiteral("hwmon1/temp%1_input").arg(i), QByteArray::number(40000 + i * 1000) + "\n");
        }
        writeFile(hw + "hwmon2/name", "nct6798\n");
        for (int i = 1; i <= 4; ++i)
            writeFile(hw + QStringLiteral("hwmon2/temp%1_input").arg(i), QByteArray::number(30000 + i * 500) + "\n");
        for (int i = 1; i <= 4; ++i)
            writeFile(hw + QStringLiteral("hwmon2/fan%1_input").arg(i), QByteArray::number(600 + i * 200) + "\n");
    }
    Sysroot root() const { return Sysroot(dir.path().toStdString()); }
};

} // namespace

// One pass's temperature and fan samples, a pass a second: the look for changed monitoring
// devices (every few seconds), then reading, parsing and averaging the 20 sensors found at
// start.
static void BM_TempAndFanSample(benchmark::State &state)
{
    SensorTree tree;
    const Sysroot root = tree.root();
    SensorTableProvider provider;
    provider.current(root);
    double now = 0.0;
    for (auto _ : state) {
        now += 1.0;
        const auto table = provider.current(root, now);
        TempSample t = SensorSampler::getBaseTempNew(*table);
        FanSample f = SensorSampler::getFanDetail(*table);
        benchmark::DoNotOptimize(t);
        benchmark::DoNotOptimize(f);
    }
    state.counters["sensors"] = 20;
}
BENCHMARK(BM_TempAndFanSample)->Unit(benchmark::kMicrosecond);

namespace {

template <typename Item, typename Prefs, typename Sample>
void statusImage(benchmark::State &state, std::optional<History<Sample>> SensorData::*slot, Sample sample,
                 bool pileUp)
{
    QTemporaryDir dir;
    SettingsStore store(QStringLiteral("bench"), dir.path());
    Prefs::initialize(store);
    store.setBool(std::is_same_v<Prefs, TempPreferences> ? "Temp_PileUp_TextGraph" : "Fan_PileUp_TextGraph", pileUp);
    const QVariantMap d = Prefs::load(store, ThemeStore::builtInReference(false));
    History<Sample> history;
    for (int i = 0; i < 512; ++i)
        history = history.appended(sample);
    SensorData data;
    data.*slot = history;
    OffscreenHost host;
    Item item(nullptr);
    item.setMyDefaults(d);
    item.initDrawStatusBar(host);
    item.setSensorData(data);
    for (auto _ : state)
        item.refreshBar();
}

TempSample benchTemps()
{
    TempSample s;
    for (int i = 0; i < 16; ++i)
        s.readings.emplace_back(QStringLiteral("CPU Core %1").arg(i), 40 + i);
    s.average = 47;
    return s;
}

} // namespace

// One Temperature status image with the default settings (text piled over a 30-point
// graph) over a full history of 16 sensors, capture included; and side by side.
static void BM_TempStatusImage(benchmark::State &state)
{
    statusImage<Temp_MenuModule, TempPreferences>(state, &SensorData::temp, benchTemps(), state.range(0) != 0);
}
BENCHMARK(BM_TempStatusImage)->Arg(1)->Arg(0)->ArgName("piled")->Unit(benchmark::kMicrosecond);

static void BM_FanStatusImage(benchmark::State &state)
{
    FanSample s;
    s.fans = {{QStringLiteral("Fan 1"), 812}, {QStringLiteral("Fan 2"), 1180}, {QStringLiteral("Fan 3"), 0}};
    s.average = 664;
    statusImage<Fan_MenuModule, FanPreferences>(state, &SensorData::fan, s, state.range(0) != 0);
}
BENCHMARK(BM_FanStatusImage)->Arg(1)->Arg(0)->ArgName("piled")->Unit(benchmark::kMicrosecond);
