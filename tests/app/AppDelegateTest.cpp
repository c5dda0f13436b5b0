#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "modules/ModuleFactory.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"
#include "toolkit/OrbColors.h"

#include <QGuiApplication>
#include <QPalette>

#include <QSignalSpy>
#include <gtest/gtest.h>
#include <map>
#include <semaphore>

using namespace orb;

namespace {

// A status item that only counts its redraws.
class CountingModule : public MenuModule {
public:
    CountingModule(ModuleId id, MenuModuleDelegate *d, std::map<ModuleId, int> *redraws)
        : MenuModule(id, d), redraws_(redraws) {}
    void refreshBar() override { ++(*redraws_)[moduleId()]; }

private:
    std::map<ModuleId, int> *redraws_;
};

class AppDelegateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The controller reads the machine at start and in every pass: a fixture tree here.
        qputenv("ORBMETER_SYSROOT", test::fixturePath("bench-a").toUtf8());
        ModuleFactory::setCreator([this](ModuleId id, MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
            ++created[id];
            return std::make_unique<CountingModule>(id, d, &redraws);
        });
    }
    void TearDown() override
    {
        ModuleFactory::setCreator({});
        qunsetenv("ORBMETER_SYSROOT");
    }

    std::shared_ptr<SettingsStore> store() { return SettingsStore::open(); }
    void switchAllOn()
    {
        auto s = store();
        s->setString("AppVersion", "8.0");
        s->setArray("GpuItemSortArray", {});
        for (const char *k : {"Cpu_Display_Graph", "Memory_Display_Text", "Network_Display_Graph", "Disk_Display_Graph",
                              "Vlms_Display_Graph", "Temp_Display_Text", "Fan_Display_Text", "Vnc_ShowMenu",
                              "Gpu_Display_Graph"})
            s->setBool(k, true);
        s->setInteger("DisplayOrbIcon", 1);
        s->synchronize();
    }
    QStringList shownKeys() const
    {
        QStringList keys;
        for (StatusItemHost *item : host.itemsInOrder())
            keys << item->moduleKey();
        return keys;
    }

    test::ScopedHome home;
    OffscreenHost host;
    std::map<ModuleId, int> created;
    std::map<ModuleId, int> redraws;
};

} // namespace

TEST_F(AppDelegateTest, FirstRunWritesVersionAndGeneralDefaults)
{
    AppDelegate app(host, {.startTimer = false});
    app.startUpMe();
    SettingsStore::resetSharedInstances();
    auto s = store();
    EXPECT_EQ(s->stringForKey("AppVersion"), ORB_VERSION);
    EXPECT_EQ(s->integerForKey("DisplayOrbIcon"), 1);
    EXPECT_TRUE(s->boolForKey("DisplayTopWindowAtStartup"));
    EXPECT_TRUE(s->boolForKey("Gpu_ShowMyLabel"));
    // The other domains got their value once, without touching an existing one.
    EXPECT_TRUE(SettingsStore::open("NSGlobalDomain")->boolForKey("NSWindowSupportsAutomaticInlineTitle"));
    EXPECT_TRUE(SettingsStore::open("com.apple.finder")->contains("_FXShowPosixPathInTitle"));
    // Every module whose first-run display switches are on, in the fixed order; the GPU,
    // temperature and fan items need hardware this test machine is not given.
    EXPECT_EQ(shownKeys().join(','), "cpu,memory,network,disk,volume,general");
}

TEST_F(AppDelegateTest, UpgradeAddsMissingModuleDefaultsOnly)
{
    {
        auto s = store();
        s->setString("AppVersion", "8.1");
        s->setInteger("DisplayOrbIcon", 0);
        s->setBool("Gpu_ShowMyLabel", false);
        s->setBool("DisplayTopWindowAtStartupTmp", true);
        s->synchronize();
        auto finder = SettingsStore::open("com.apple.finder");
        finder->setString("_FXShowPosixPathInTitle", "kept");
        finder->synchronize();
    }
    AppDelegate app(host, {.startTimer = false});
    app.startUpMe();
    auto s = store();
    EXPECT_FALSE(s->boolForKey("Gpu_ShowMyLabel")); // the user's choice, kept
    EXPECT_TRUE(s->contains("Gpu_Display_Graph"));
    EXPECT_EQ(s->integerForKey("DisplayOrbIcon"), 0); // the General first-run writer did not run
    EXPECT_FALSE(s->contains("DisplayTopWindowAtStartupTmp"));
    EXPECT_TRUE(s->boolForKey("DisplayTopWindowAtStartup"));
    EXPECT_EQ(SettingsStore::open("com.apple.finder")->stringForKey("_FXShowPosixPathInTitle"), "kept");
    // Every module without settings got its first-run switches; the machine has no GPU,
    // temperature sensor or fan (none probed), and the icon is off: no General item.
    EXPECT_EQ(shownKeys().join(','), "cpu,memory,network,disk,volume");
}

// A store written by the previous release (captured with it: it knows nothing of the
// Network, Disk, Volume and VNC settings) gains their defaults; what the user set stays.
TEST_F(AppDelegateTest, UpgradeFromPreviousReleaseAddsMissingModulesAndKeepsUserValues)
{
    const QString fixture = test::fixturePath("settings-upgrade-9.0.0/org.orbmeter.Orbmeter9.plist");
    test::writeFile(home.configDir() + "/org.orbmeter.Orbmeter9.plist", test::readFile(fixture));
    SettingsStore::resetSharedInstances();
    {
        AppDelegate app(host, {.startTimer = false});
        app.startUpMe();
    }
    SettingsStore::resetSharedInstances();
    auto s = store();
    // New modules: their first-run values.
    EXPECT_EQ(s->arrayForKey("NetworkItemSortArray"), (QVariantList{1, 2, 3, 4}));
    EXPECT_EQ(s->integerForKey("Network_UpdateInterval"), 2);
    EXPECT_TRUE(s->boolForKey("Network_Display_Graph"));
    EXPECT_EQ(s->arrayForKey("DiskItemSortArray"), (QVariantList{1, 2, 3}));
    EXPECT_TRUE(s->boolForKey("Disk_Display_Indicator"));
    EXPECT_EQ(s->integerForKey("Vlms_UpdateInterval"), 5);
    EXPECT_TRUE(s->boolForKey("Vlms_HideSystemVols"));
    EXPECT_TRUE(s->contains("Vnc_ShowMenu"));
    EXPECT_FALSE(s->boolForKey("Vnc_ShowMenu"));
    // The user's own values, set with the previous release, are untouched.
    EXPECT_EQ(s->integerForKey("Cpu_UpdateInterval"), 7);
    EXPECT_FALSE(s->boolForKey("Network_ShowMyLabel"));
    EXPECT_FALSE(s->boolForKey("Memory_Display_Text"));
    EXPECT_EQ(s->integerForKey("Memory_UpdateInterval"), 5);
    EXPECT_EQ(s->stringForKey("AppVersion"), ORB_VERSION);
}

TEST_F(AppDelegateTest, ItemsAppearInTheFixedOrderWhateverTheCreationOrder)
{
    switchAllOn();
    AppDelegate app(host, {.startTimer = false, .probeHardware = false});
    app.startUpMe();
    const QStringList fixed{"cpu", "gpu", "memory", "network", "disk", "temp", "fan", "volume", "vnc", "general"};
    EXPECT_EQ(shownKeys().join(','), fixed.join(','));

    app.moduleRelease(ModuleId::Memory);
    EXPECT_FALSE(app.chkGeneBool("LaunchMemo"));
    app.moduleRelease(ModuleId::Memory); // absent: only the launch key is written
    app.memoryModuleAlloc();
    app.memoryModuleAlloc();             // already there: nothing new
    EXPECT_EQ(created[ModuleId::Memory], 2);
    app.moduleLaunchCheck(true);
    EXPECT_EQ(shownKeys().join(','), fixed.join(','));
    EXPECT_TRUE(app.chkGeneBool("LaunchMemo"));
}

TEST_F(AppDelegateTest, NoGeneralItemWhenIconSwitchedOff)
{
    switchAllOn();
    store()->setInteger("DisplayOrbIcon", 0);
    AppDelegate app(host, {.startTimer = false, .probeHardware = false});
    app.startUpMe();
    EXPECT_FALSE(shownKeys().contains("general"));
    EXPECT_EQ(shownKeys().size(), 9);
}

TEST_F(AppDelegateTest, PassesRedrawOnlySampledModules)
{
    switchAllOn();
    {
        auto s = store();
        s->setInteger("Cpu_UpdateInterval", 1);
        s->setInteger("Memory_UpdateInterval", 3);
        s->setInteger("Disk_UpdateInterval", 2);
        s->synchronize();
    }
    AppDelegate app(host, {.startTimer = false, .probeHardware = false});
    app.startUpMe();
    redraws.clear();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(app.runPassSynchronously());
    // Each module is redrawn on the passes that sampled it: interval 1 on every pass,
    // interval 2 on the first and third, interval 3 on the first only; General and VNC,
    // which have no interval, on every pass.
    EXPECT_EQ(redraws[ModuleId::Cpu], 3);
    EXPECT_EQ(redraws[ModuleId::Disk], 2);
    EXPECT_EQ(redraws[ModuleId::Memory], 1);
    EXPECT_EQ(redraws[ModuleId::General], 3);
    EXPECT_EQ(redraws[ModuleId::Vnc], 3);
    EXPECT_TRUE(app.infoDict().vnc);
}

TEST_F(AppDelegateTest, OverrunningPassDropsTicksWithoutAdvancingCounters)
{
    switchAllOn();
    AppDelegate app(host, {.startTimer = false, .probeHardware = false});
    app.startUpMe();
    std::binary_semaphore entered(0), release(0);
    app.setPassHook([&] {
        entered.release();
        release.acquire();
    });
    QSignalSpy finished(&app, &AppDelegate::passFinished);
    app.loadSysInfoTimer();
    entered.acquire();            // the pass runs on the worker and is held open
    EXPECT_TRUE(app.isBusy());
    app.loadSysInfoTimer();       // dropped
    app.loadSysInfoTimer();       // dropped
    EXPECT_FALSE(app.runPassSynchronously());
    EXPECT_EQ(app.ticksDropped(), 2);
    release.release();
    ASSERT_TRUE(finished.wait(5000));
    EXPECT_FALSE(app.isBusy());
    EXPECT_EQ(app.passesFinished(), 1);
    EXPECT_EQ(app.cycle().state(ModuleId::Cpu).counter, 1);
    app.setPassHook({});
}

// A desktop that is already dark when the monitor starts gets the dark theme, whether or not
// the stored appearance word changes (no change, no signal).
TEST_F(AppDelegateTest, DarkDesktopAtStartGetsTheDarkTheme)
{
    const QPalette saved = QGuiApplication::palette();
    QPalette dark = saved;
    dark.setColor(QPalette::Window, Qt::black);
    dark.setColor(QPalette::WindowText, Qt::white);
    QGuiApplication::setPalette(dark);
    for (const char *stored : {"Light", "Dark"}) {
        SCOPED_TRACE(stored);
        test::ScopedHome ownHome;
        SettingsStore::resetSharedInstances();
        store()->setString("OrbBigSurMenuAppearance", stored);
        store()->synchronize();
        // No portal on this bus: the palette decides.
        AppOptions options{.startTimer = false, .appearanceBus = QDBusConnection(QStringLiteral("orb-no-bus")), .probeHardware = false};
        AppDelegate app(host, options);
        app.startUpMe();
        EXPECT_EQ(store()->stringForKey("OrbBigSurMenuAppearance"), "Dark");
        EXPECT_TRUE(ThemeStore::loadTheme().value("_ForDarkAppearance").toBool());
    }
    QGuiApplication::setPalette(saved);
    OrbColors::setDarkAppearance(false);
    SettingsStore::resetSharedInstances();
}
