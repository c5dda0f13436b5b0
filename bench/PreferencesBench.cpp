// What a preference change costs on the UI thread: a slider step in a tab (store written and
// saved, notification posted) and the handling of one module's change or a font change
// (settings rebuilt, items redrawn); and what the open window adds to every pass: the CPU
// tab's four element previews, or the General tab's overview graphs.
#include "app/AppDelegate.h"
#include "app/PreferencePropagation.h"
#include "platform/statusbar/StatusBarHost.h"
#include "prefs/CpuTabViewController.h"
#include "prefs/ModuleTabViewController.h"
#include "prefs/PreferenceWindow.h"
#include "prefs/TopTabViewController.h"
#include "settings/SettingsStore.h"

#include <QSlider>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A private HOME with first-run settings, and a started controller with a few passes done.
struct PrefsBench {
    PrefsBench()
    {
        const QByteArray root = dir.path().toUtf8();
        for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
            qputenv(name, root + "/" + name);
        orb::SettingsStore::resetSharedInstances();
        app = std::make_unique<orb::AppDelegate>(
            host, orb::AppOptions{.sysroots = {orb::Sysroot(ORB_FIXTURES_DIR "/bench-a")}, .startTimer = false});
        app->startUpMe();
        for (int i = 0; i < 5; ++i)
            app->runPassSynchronously();
    }
    ~PrefsBench()
    {
        app.reset();
        orb::SettingsStore::resetSharedInstances();
    }
    QTemporaryDir dir;
    orb::OffscreenHost host;
    std::unique_ptr<orb::AppDelegate> app;
};

void BM_PrefsSliderStep(benchmark::State &state)
{
    PrefsBench bench;
    orb::CpuTabViewController tab(bench.app->settings(), bench.app->preferences().center());
    auto *slider = tab.findChild<QSlider *>(QStringLiteral("Cpu_GraphWidth"));
    int position = 6;
    for (auto _ : state) {
        position = position == 6 ? 7 : 6;
        slider->setValue(position);
    }
}
BENCHMARK(BM_PrefsSliderStep)->Unit(benchmark::kMicrosecond);

// The same while the handle is held: the file waits for the release.
void BM_PrefsSliderDragStep(benchmark::State &state)
{
    PrefsBench bench;
    orb::CpuTabViewController tab(bench.app->settings(), bench.app->preferences().center());
    auto *slider = tab.findChild<QSlider *>(QStringLiteral("Cpu_GraphWidth"));
    slider->setSliderDown(true);
    int position = 6;
    for (auto _ : state) {
        position = position == 6 ? 7 : 6;
        slider->setValue(position);
    }
    slider->setSliderDown(false);
}
BENCHMARK(BM_PrefsSliderDragStep)->Unit(benchmark::kMicrosecond);

void BM_PrefsModuleChangeHandled(benchmark::State &state)
{
    PrefsBench bench;
    orb::PreferencePropagation &prefs = bench.app->preferences();
    for (auto _ : state) {
        prefs.center().post(orb::ModuleId::Cpu, {{QStringLiteral("ModuleAllocNow"), false}});
        prefs.processPending();
    }
}
BENCHMARK(BM_PrefsModuleChangeHandled)->Unit(benchmark::kMicrosecond);

void BM_PrefsFontChangeHandled(benchmark::State &state)
{
    PrefsBench bench;
    orb::PreferencePropagation &prefs = bench.app->preferences();
    qint64 diff = 0;
    for (auto _ : state) {
        diff = diff == 0 ? 1 : 0;
        prefs.center().post(orb::ModuleId::General, {{QStringLiteral("FontChanged"), true},
                                                     {QStringLiteral("ModuleDefaultReload"), true},
                                                     {QStringLiteral("_FontName"), QStringLiteral("-")},
                                                     {QStringLiteral("_FontStyle"), QStringLiteral("-")},
                                                     {QStringLiteral("_FontPostScriptName"), QStringLiteral("-")},
                                                     {QStringLiteral("_FontAdjust"), qint64(-9999)},
                                                     {QStringLiteral("_FontSizeDiff"), diff}});
        prefs.processPending();
    }
}
BENCHMARK(BM_PrefsFontChangeHandled)->Unit(benchmark::kMillisecond);

// The work a pass adds while a tab is shown (the window's own painting aside).
void BM_PrefsCpuPreviewsPerPass(benchmark::State &state)
{
    PrefsBench bench;
    orb::PreferencePropagation &prefs = bench.app->preferences();
    prefs.openPreferenceTab(orb::ModuleCatalog::info(orb::ModuleId::Cpu).tabIndex);
    orb::ModuleTabViewController *tab = prefs.window()->moduleTab(orb::ModuleId::Cpu);
    for (auto _ : state)
        tab->refreshContentView(bench.app->infoDict());
}
BENCHMARK(BM_PrefsCpuPreviewsPerPass)->Unit(benchmark::kMicrosecond);

void BM_PrefsOverviewPerPass(benchmark::State &state)
{
    PrefsBench bench;
    bench.app->settings().setBool(QStringLiteral("TopHistgramPreview"), true);
    bench.app->rebuildModuleDefaults(orb::ModuleId::General);
    orb::PreferencePropagation &prefs = bench.app->preferences();
    prefs.openPreferenceTab(orb::ModuleCatalog::info(orb::ModuleId::General).tabIndex);
    orb::TopTabViewController *tab = prefs.window()->generalTab();
    for (auto _ : state)
        tab->redrawTopTabViews(bench.app->infoDict());
}
BENCHMARK(BM_PrefsOverviewPerPass)->Unit(benchmark::kMicrosecond);

} // namespace
