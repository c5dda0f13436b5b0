#include "PrefsTestSupport.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "app/PreferencePropagation.h"
#include "app/SnapshotWriter.h"
#include "modules/GraphMenuModule.h"
#include "modules/ModuleFactory.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"
#include "prefs/ColorWell.h"
#include "prefs/ElementOrderRow.h"
#include "prefs/ModuleTabViewController.h"
#include "prefs/PreferenceWindow.h"
#include "prefs/TopTabViewController.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMenu>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <semaphore>

using namespace orb;
using namespace std::chrono_literals;

namespace {

// One refresh tick: what a change must take at most to reach the menu bar.
constexpr int kTickMs = 1000;

class PropagationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("ORBMETER_SYSROOT", test::fixturePath("bench-a").toUtf8());
        SettingsStore::resetSharedInstances();
    }
    void start(AppOptions options = {.startTimer = false})
    {
        app = std::make_unique<AppDelegate>(host, std::move(options));
        app->startUpMe();
        ASSERT_TRUE(app->runPassSynchronously());
        ASSERT_TRUE(app->runPassSynchronously());
    }
    void TearDown() override
    {
        app.reset();
        ModuleFactory::setCreator({});
        qunsetenv("ORBMETER_SYSROOT");
        SettingsStore::resetSharedInstances();
    }

    PreferencePropagation &prefs() { return app->preferences(); }
    PreferenceWindow &openTab(ModuleId id)
    {
        prefs().openPreferenceTab(ModuleCatalog::info(id).tabIndex);
        return *prefs().window();
    }
    ModuleTabViewController &tab(ModuleId id) { return *openTab(id).moduleTab(id); }
    GraphMenuModule *cpu() const { return dynamic_cast<GraphMenuModule *>(app->statusModule(ModuleId::Cpu)); }
    // Waits until `count` notifications were handled, at most `ms`.
    bool handled(QSignalSpy &spy, int count = 1, int ms = kTickMs)
    {
        return QTest::qWaitFor([&] { return spy.count() >= count; }, ms);
    }
    QStringList shownKeys() const
    {
        QStringList keys;
        for (StatusItemHost *item : host.itemsInOrder())
            keys << item->moduleKey();
        return keys;
    }
    QImage menubar(const QString &name)
    {
        const QString dir = home.home() + QLatin1Char('/') + name;
        QString error;
        EXPECT_TRUE(SnapshotWriter::write(host, dir, error)) << qPrintable(error);
        return QImage(dir + QStringLiteral("/menubar.png"));
    }

    test::ScopedHome home;
    OffscreenHost host;
    std::unique_ptr<AppDelegate> app;
};

// A status item that only counts what is done to it.
class CountingModule : public MenuModule {
public:
    CountingModule(ModuleId id, MenuModuleDelegate *d, std::map<ModuleId, int> *redraws)
        : MenuModule(id, d), redraws_(redraws) {}
    void refreshBar() override { ++(*redraws_)[moduleId()]; }

private:
    std::map<ModuleId, int> *redraws_;
};

} // namespace

TEST_F(PropagationTest, SliderWidensTheItemAndTheMenuBarWithinATick)
{
    start();
    ASSERT_NE(cpu(), nullptr);
    const double before = cpu()->statusWidth();
    const QImage barBefore = menubar("before");
    QSlider *width = tab(ModuleId::Cpu).findChild<QSlider *>("Cpu_GraphWidth");
    ASSERT_NE(width, nullptr);
    ASSERT_EQ(width->value(), 6);
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    QElapsedTimer clock;
    clock.start();
    width->setValue(10);
    ASSERT_TRUE(handled(done));
    EXPECT_LT(clock.elapsed(), kTickMs);
    EXPECT_EQ(done.first().first().toString(), "CpuModuleNotif");
    EXPECT_DOUBLE_EQ(cpu()->statusWidth(), before + 20);
    const QImage barAfter = menubar("after");
    // Two pixels per point.
    EXPECT_EQ(barAfter.width(), barBefore.width() + 40);
    EXPECT_EQ(barAfter.height(), barBefore.height());
}

TEST_F(PropagationTest, ElementSwitchesRemoveTheItemAndBringItBackInItsPlace)
{
    start();
    ModuleTabViewController &cpuTab = tab(ModuleId::Cpu);
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    const QStringList initial = shownKeys();
    ASSERT_GE(initial.size(), 2);
    ASSERT_EQ(initial.first(), "cpu");
    const double before = cpu()->statusWidth();
    const double text = app->moduleDefaults(ModuleId::Cpu).value("CpuInnerTextWidth").toDouble();
    const double padding = app->moduleDefaults(ModuleId::Cpu).value("Cpu_Padding").toDouble();
    cpuTab.findChild<QCheckBox *>("Cpu_Display_Text")->click();
    ASSERT_TRUE(handled(done, 1));
    EXPECT_DOUBLE_EQ(cpu()->statusWidth(), before - text - padding);

    cpuTab.findChild<QCheckBox *>("Cpu_Display_Graph")->click();
    ASSERT_TRUE(handled(done, 2));
    EXPECT_EQ(app->statusModule(ModuleId::Cpu), nullptr);
    EXPECT_FALSE(shownKeys().contains("cpu"));

    cpuTab.findChild<QCheckBox *>("Cpu_Display_Graph")->click();
    ASSERT_TRUE(handled(done, 3));
    ASSERT_NE(cpu(), nullptr);
    // All items made again, so the CPU item is back at the left end, not merely added.
    EXPECT_EQ(shownKeys(), initial);
}

TEST_F(PropagationTest, DraggedOrderReachesTheItem)
{
    start();
    PreferenceWindow &window = openTab(ModuleId::Cpu);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QImage before = cpu()->statusItem()->image();
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    test::dragBy(window.moduleTab(ModuleId::Cpu)->elementRow()->view(4), -600);
    ASSERT_TRUE(handled(done));
    const QVariantList order = cpu()->myDefaults().value("CpuItemSortArray").toList();
    EXPECT_EQ(order, (QVariantList{qint64(4), qint64(1), qint64(2), qint64(3)}));
    const QImage after = cpu()->statusItem()->image();
    EXPECT_EQ(after.size(), before.size());
    EXPECT_NE(after, before) << "the text moved to the left of the graph";
}

TEST_F(PropagationTest, ColourWithOpacityReachesTheItemAndTheThemeFile)
{
    start();
    ColorWell *well = tab(ModuleId::Cpu).findChild<ColorWell *>("A07");
    ASSERT_NE(well, nullptr);
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    QSignalSpy written(&prefs(), &PreferencePropagation::themeFileWritten);
    const QColor quarter(0, 128, 255, 64);
    well->openDialog();
    well->dialog()->setCurrentColor(quarter);
    ASSERT_TRUE(handled(done));
    const QColor shown = cpu()->myDefaults().value("A07").value<QColor>();
    EXPECT_EQ(shown.rgba(), quarter.rgba());
    // The file follows within a second; then every module reloads once.
    ASSERT_TRUE(QTest::qWaitFor([&] { return written.count() == 1; }, 2 * kTickMs));
    const QVariantList stored = ThemeStore::checkNowThemeFile().value("A07").toList();
    ASSERT_EQ(stored.size(), 4);
    EXPECT_NEAR(stored[0].toDouble(), 0.0, 1e-6);
    EXPECT_NEAR(stored[1].toDouble(), 128 / 255.0, 1e-6);
    EXPECT_NEAR(stored[2].toDouble(), 1.0, 1e-6);
    EXPECT_NEAR(stored[3].toDouble(), 64 / 255.0, 1e-6);
    ASSERT_TRUE(handled(done, 2));
    EXPECT_EQ(done.at(1).first().toString(), "GeneralModuleNotif");
    well->dialog()->accept();
}

TEST_F(PropagationTest, ColourBurstWritesTheThemeOnceAndRebuildsTwice)
{
    start();
    ModuleTabViewController &cpuTab = tab(ModuleId::Cpu);
    QSignalSpy written(&prefs(), &PreferencePropagation::themeFileWritten);
    QSignalSpy rebuilt(&prefs(), &PreferencePropagation::moduleDefaultsRebuilt);
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    const std::pair<const char *, QColor> colours[] = {
        {"A01", QColor(255, 0, 0)}, {"A02", QColor(0, 255, 0, 100)}, {"A04", QColor(0, 0, 255)}};
    for (const auto &[key, colour] : colours) {
        ColorWell *well = cpuTab.findChild<ColorWell *>(key);
        well->openDialog();
        well->dialog()->setCurrentColor(colour);
        well->dialog()->accept();
        // Each its own notification, all within the second of the pending write.
        QTest::qWait(350);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return written.count() >= 1 && !prefs().hasPending(); }, 3 * kTickMs));
    QTest::qWait(400);
    EXPECT_EQ(written.count(), 1);
    const QVariantMap theme = ThemeStore::checkNowThemeFile();
    for (const auto &[key, colour] : colours) {
        const QVariantList rgba = theme.value(key).toList();
        ASSERT_EQ(rgba.size(), 4) << key;
        EXPECT_NEAR(rgba[3].toDouble(), colour.alphaF(), 1e-6) << key;
        EXPECT_EQ(app->moduleDefaults(ModuleId::Cpu).value(key).value<QColor>().rgba(), colour.rgba()) << key;
    }
    int cpuRebuilds = 0;
    for (const QList<QVariant> &args : rebuilt)
        cpuRebuilds += args.first().value<ModuleId>() == ModuleId::Cpu;
    // Once for the first colour's own notification, once for the reload after the write.
    EXPECT_EQ(cpuRebuilds, 2);
}

TEST_F(PropagationTest, OneChangeRebuildsNothingTwice)
{
    std::map<ModuleId, int> created, redraws;
    ModuleFactory::setCreator([&](ModuleId id, MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        ++created[id];
        return std::make_unique<CountingModule>(id, d, &redraws);
    });
    start({.startTimer = false, .probeHardware = false});
    ModuleTabViewController &cpuTab = tab(ModuleId::Cpu);
    QSignalSpy rebuilt(&prefs(), &PreferencePropagation::moduleDefaultsRebuilt);
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    created.clear();
    redraws.clear();
    // A slider dragged across five positions in one go.
    QSlider *width = cpuTab.findChild<QSlider *>("Cpu_GraphWidth");
    for (int position = 7; position <= 11; ++position)
        width->setValue(position);
    ASSERT_TRUE(handled(done));
    QTest::qWait(PreferencePropagation::kHandleDelayMs * 2);
    EXPECT_EQ(done.count(), 1);
    std::map<ModuleId, int> rebuilds;
    for (const QList<QVariant> &args : rebuilt)
        ++rebuilds[args.first().value<ModuleId>()];
    EXPECT_EQ(rebuilds, (std::map<ModuleId, int>{{ModuleId::Cpu, 1}, {ModuleId::General, 1}}));
    EXPECT_EQ(redraws, (std::map<ModuleId, int>{{ModuleId::Cpu, 1}}));
    EXPECT_TRUE(created.empty());

    // Switching on a module that was off makes every item anew, each drawn once.
    ModuleTabViewController &vncTab = tab(ModuleId::Vnc);
    ASSERT_EQ(app->statusModule(ModuleId::Vnc), nullptr);
    created.clear();
    redraws.clear();
    vncTab.findChild<QCheckBox *>("Vnc_ShowMenu")->click();
    ASSERT_TRUE(handled(done, 2));
    ASSERT_EQ(created[ModuleId::Vnc], 1);
    EXPECT_EQ(created.size(), size_t(host.itemsInOrder().size())) << "every shown item, made once";
    for (const auto &[id, count] : created) {
        EXPECT_EQ(count, 1) << ModuleCatalog::info(id).prefName;
        EXPECT_LE(redraws[id], 1) << ModuleCatalog::info(id).prefName;
    }
}

TEST_F(PropagationTest, ChangesWaitForARunningPassWithoutBlockingTheWindow)
{
    start();
    std::binary_semaphore entered{0}, release{0};
    app->setPassHook([&] {
        entered.release();
        release.acquire();
    });
    ModuleTabViewController &cpuTab = tab(ModuleId::Cpu);
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    int passesWhenHandled = -1;
    QObject::connect(&prefs(), &PreferencePropagation::notificationHandled, &prefs(),
            [&] { passesWhenHandled = app->passesFinished(); });
    // A tick with nothing due finishes at once; the next one that samples holds the pass.
    bool holding = false;
    int passes = 0;
    for (int tick = 0; tick < 10 && !holding; ++tick) {
        passes = app->passesFinished();
        app->loadSysInfoTimer();
        holding = entered.try_acquire_for(200ms);
    }
    ASSERT_TRUE(holding);
    ASSERT_TRUE(app->isBusy());

    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    cpuTab.findChild<QSlider *>("Cpu_GraphWidth")->setValue(9);
    QTest::qWait(800);
    EXPECT_EQ(done.count(), 0) << "nothing is replaced while the pass runs";
    EXPECT_GT(ticks, 20) << "the window's event loop kept running";
    EXPECT_EQ(app->settings().integerForKey("Cpu_GraphWidth"), 45) << "the store took the change at once";

    release.release();
    ASSERT_TRUE(handled(done, 1, kTickMs));
    EXPECT_EQ(passesWhenHandled, passes + 1) << "handled after the pass had finished";
    app->setPassHook({});
}

TEST_F(PropagationTest, FontSizeChangeReMeasuresEveryWidth)
{
    start();
    const auto value = [&](ModuleId id, const char *key) { return app->moduleDefaults(id).value(key).toDouble(); };
    const double cpuText = value(ModuleId::Cpu, "CpuInnerTextWidth");
    const double networkText = value(ModuleId::Network, "NetworkInnerTextWidth");
    const double diskText = value(ModuleId::Disk, "DiskInnerTextValueWidth");
    const double itemWidth = cpu()->statusWidth();
    QComboBox *size = openTab(ModuleId::General).generalTab()->findChild<QComboBox *>("_FontSizeDiff");
    ASSERT_NE(size, nullptr);
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    size->activated(size->findText("+2pt"));
    ASSERT_TRUE(handled(done));

    // The theme's font at 12 pixels, measured here on its own.
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleName(QStringLiteral("Bold"));
    font.setPixelSize(12);
    const double expected = std::ceil(QFontMetricsF(font).horizontalAdvance(QStringLiteral("188%")) - 1e-9);
    EXPECT_DOUBLE_EQ(value(ModuleId::Cpu, "CpuInnerTextWidth"), expected);
    EXPECT_GT(value(ModuleId::Cpu, "CpuInnerTextWidth"), cpuText);
    EXPECT_GT(value(ModuleId::Network, "NetworkInnerTextWidth"), networkText);
    EXPECT_GT(value(ModuleId::Disk, "DiskInnerTextValueWidth"), diskText);
    EXPECT_DOUBLE_EQ(cpu()->statusWidth(), itemWidth + expected - cpuText);

    const QVariantMap theme = ThemeStore::checkNowThemeFile();
    EXPECT_EQ(theme.value("_FontSizeDiff").toLongLong(), 2);
    EXPECT_EQ(theme.value("_FontAdjust").toLongLong(), 0);
    EXPECT_EQ(theme.value("_FontName").toString(), "DejaVu Sans Mono");
    EXPECT_EQ(theme.value("_FontPostScriptName").toString(), "DejaVuSansMono-Bold");
}

TEST_F(PropagationTest, AppearanceChangesAreTakenOnceAfterHalfASecond)
{
    start();
    QSignalSpy applied(&prefs(), &PreferencePropagation::appearanceApplied);
    for (int i = 0; i < 3; ++i) {
        app->changeAppearanceMode();
        QTest::qWait(100);
    }
    EXPECT_EQ(applied.count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return applied.count() == 1; }, kTickMs));
    QTest::qWait(PreferencePropagation::kAppearanceDelayMs + 100);
    EXPECT_EQ(applied.count(), 1);
}

TEST_F(PropagationTest, ThemeChangeKeepsMenusClosedUntilASecondAfter)
{
    start();
    QSignalSpy done(&prefs(), &PreferencePropagation::notificationHandled);
    prefs().center().post(ModuleId::General, {{"ModuleThemeChanged", true}, {"ModuleDefaultReload", true}});
    ASSERT_TRUE(handled(done));
    ASSERT_NE(cpu(), nullptr);
    EXPECT_FALSE(cpu()->statusItem()->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return cpu()->statusItem()->isEnabled(); },
                                PreferencePropagation::kPermitMenuDelayMs + 500));
}

TEST_F(PropagationTest, PreferenceMenuItemOpensItsModulesTab)
{
    start();
    for (ModuleId id : {ModuleId::Cpu, ModuleId::Memory}) {
        MenuModule *item = app->statusModule(id);
        ASSERT_NE(item, nullptr);
        QAction *open = nullptr;
        for (QAction *a : item->statusMenu()->actions())
            if (a->property("orbTag").toInt() == 100)
                open = a;
        ASSERT_NE(open, nullptr) << ModuleCatalog::info(id).prefName;
        open->trigger();
        ASSERT_NE(prefs().window(), nullptr);
        EXPECT_TRUE(prefs().window()->isVisible());
        EXPECT_EQ(prefs().window()->currentTab(), ModuleCatalog::info(id).tabIndex);
        EXPECT_EQ(prefs().openedTabNum(), ModuleCatalog::info(id).tabIndex);
    }
}

// One picture per tab for people to look at (build/e2e-artifacts/preferences-<module>.png).
TEST_F(PropagationTest, ScreenshotOfEveryTab)
{
    start();
    const QString dir = QFileInfo(QStringLiteral(ORB_BINARY)).absolutePath() + QStringLiteral("/e2e-artifacts");
    ASSERT_TRUE(QDir().mkpath(dir));
    for (const ModuleInfo *m : ModuleCatalog::all()) {
        prefs().openPreferenceTab(m->tabIndex);
        PreferenceWindow *window = prefs().window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_EQ(window->tabs()->currentWidget(), window->page(m->tabIndex));
        const QString path = dir + QStringLiteral("/preferences-") + QLatin1String(m->key) + QStringLiteral(".png");
        QString error;
        ASSERT_TRUE(SnapshotWriter::writeWidget(*window, path, error)) << qPrintable(error);
        const QImage shot(path);
        EXPECT_EQ(shot.size(), window->size() * 2) << m->key;
    }
}
