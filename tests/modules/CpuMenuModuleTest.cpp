#include "ItemTestSupport.h"
#include "RecordingStatusHost.h"
#include "TestEnvironment.h"
#include "modules/BaseMenuItems.h"
#include "modules/cpu/CPU_MenuModule.h"
#include "platform/linux/AppLauncher.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/CpuPreferences.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QWidgetAction>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace orb;

namespace {

CpuSample sampleOf(std::initializer_list<CpuTicks> cores)
{
    CpuSample s(cores);
    CpuTicks avg;
    for (const CpuTicks &t : cores) {
        avg.user += t.user;
        avg.system += t.system;
        avg.nice += t.nice;
        avg.idle += t.idle;
    }
    const auto n = static_cast<int64_t>(cores.size());
    s.push_back({avg.user / n, avg.system / n, avg.nice / n, avg.idle / n});
    return s;
}

class CpuMenuModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = SettingsStore::open();
        CpuPreferences::initialize(*store);
        store->setBool("Cpu_ShowMyLabel", true);
    }
    QVariantMap defaults() { return CpuPreferences::load(*store, ThemeStore::builtInReference(false)); }
    // Sets the switches, shows the item with `cores` processors and returns its width in points.
    using Settings = std::vector<std::pair<const char *, QVariant>>;
    double widthFor(const Settings &settings, int cores = 2)
    {
        for (const auto &[k, v] : settings)
            store->setObject(k, v);
        CPU_MenuModule item(&delegate);
        item.setMyDefaults(defaults());
        item.initDrawStatusBar(host);
        SensorData data;
        CpuSample s(static_cast<std::size_t>(cores) + 1, CpuTicks{1, 1, 0, 8});
        data.cpu = History<CpuSample>().appended(s);
        item.setSensorData(data);
        item.refreshBar();
        EXPECT_NEAR(item.statusItem()->widthInPoints(), item.statusWidth(), 0.5);
        return item.statusWidth();
    }

    test::ScopedHome home;
    std::shared_ptr<SettingsStore> store;
    OffscreenHost host;
    test::NullDelegate delegate;
};

} // namespace

TEST_F(CpuMenuModuleTest, WidthFollowsTheDrawnElements)
{
    const double text = defaults().value("CpuInnerTextWidth").toDouble();
    ASSERT_GT(text, 0);
    struct Case {
        const char *name;
        Settings settings;
        double expected;
    };
    const QVariant on(true), off(false);
    const std::vector<Case> cases{
        {"graph only, label, padding 2", {{"Cpu_Display_Text", off}}, 30 + 2 + 9},
        {"graph and text", {}, 30 + 2 + text + 2 + 9},
        {"graph and level bar, no label",
         {{"Cpu_Display_Text", off}, {"Cpu_Display_LevelBar", on}, {"Cpu_ShowMyLabel", off}},
         30 + 2 + 8},
        {"circle only", {{"Cpu_Display_Graph", off}, {"Cpu_Display_Text", off}, {"Cpu_Display_CircleMeter", on}},
         16 + 2 + 9},
        {"padding 0 counts as 1", {{"Cpu_Display_Text", off}, {"Cpu_Padding", qint64(0)}}, 30 + 1 + 9},
        {"everything off", {{"Cpu_Display_Graph", off}, {"Cpu_Display_Text", off}}, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CpuPreferences::initialize(*store);
        store->setBool("Cpu_ShowMyLabel", true);
        EXPECT_DOUBLE_EQ(widthFor(c.settings), c.expected);
    }
}

TEST_F(CpuMenuModuleTest, PerProcessorGroupsMultiplyTheWidth)
{
    // Eight processors, graph only, padding 2, no label: 8 × 32 − 2.
    EXPECT_DOUBLE_EQ(widthFor({{"Cpu_Display_Text", false}, {"Cpu_ShowMyLabel", false},
                               {"Cpu_AverageMultiProcessors", false}},
                              8),
                     254);
    EXPECT_DOUBLE_EQ(widthFor({{"Cpu_AverageMultiProcessors", true}}, 8), 30 + 2 - 2);
}

TEST_F(CpuMenuModuleTest, UnknownElementCodesAreSkipped)
{
    store->setArray("CpuItemSortArray", {qint64(9), qint64(1), qint64(-3)});
    // Only the graph is in the order list: the text is switched on but never placed.
    EXPECT_DOUBLE_EQ(widthFor({}), 30 + 2 + 9);
}

TEST_F(CpuMenuModuleTest, ImageIsHighlightedWhileTheMenuIsOpen)
{
    store->setBool("Cpu_ShowMyLabel", false);
    store->setBool("Cpu_Display_Text", false);
    CPU_MenuModule item(&delegate);
    item.setMyDefaults(defaults());
    item.initDrawStatusBar(host);
    SensorData data;
    data.cpu = History<CpuSample>().appended(sampleOf({{60, 20, 0, 20}, {20, 20, 0, 60}}));
    item.setSensorData(data);
    item.refreshBar();
    const QImage normal = item.statusItem()->image();
    ASSERT_EQ(normal.height(), 40);
    EXPECT_FALSE(item.statusItem()->isTemplate());

    item.menuWillOpen();
    EXPECT_TRUE(item.menuOpened());
    const QImage lit = item.statusItem()->image();
    EXPECT_TRUE(item.statusItem()->isTemplate());
    // The newest column (right edge) is drawn; highlighted every drawn pixel is white.
    bool sawDrawn = false;
    for (int y = 0; y < lit.height(); ++y) {
        const QColor c = lit.pixelColor(lit.width() - 1, y);
        if (c.alpha() == 0)
            continue;
        sawDrawn = true;
        EXPECT_EQ(c.red(), 255);
        EXPECT_EQ(c.green(), 255);
        EXPECT_EQ(c.blue(), 255);
    }
    EXPECT_TRUE(sawDrawn);
    EXPECT_NE(normal.pixelColor(normal.width() - 1, 30), lit.pixelColor(lit.width() - 1, 30));

    item.menuDidClose();
    EXPECT_FALSE(item.statusItem()->isTemplate());
    EXPECT_EQ(item.statusItem()->image(), normal);
}

TEST_F(CpuMenuModuleTest, BaseMenuItemsFollowTheFlagsAndInstalledApplications)
{
    // Stand-in applications: a system monitor and a terminal are installed, no log viewer.
    QTemporaryDir bin;
    for (const char *name : {"gnome-system-monitor", "xterm"}) {
        test::writeExecutable(bin.path() + "/" + name, "#!/bin/sh\n");
    }
    AppLauncher::setSearchPath({bin.path()});
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");

    // The items down to the menu graph; the detail panel follows it.
    auto tagsOf = [](const QMenu &menu) {
        QList<int> tags;
        for (const QAction *a : menu.actions()) {
            tags << (a->isSeparator() ? -1 : BaseMenuItems::tag(a));
            if (qobject_cast<const QWidgetAction *>(a))
                break;
        }
        return tags;
    };
    store->setBool("CPU_EnaMenu_Amon", true);
    store->setBool("CPU_EnaMenu_Cnsl", true);
    store->setBool("CPU_EnaMenu_Tmnl", true);
    CPU_MenuModule item(&delegate);
    item.setMyDefaults(defaults());
    item.initDrawStatusBar(host);
    // Preference, system monitor, (no log viewer installed), terminal, separator, graph.
    EXPECT_EQ(tagsOf(*item.statusMenu()), (QList<int>{100, 101, 103, -1, 0}));
    EXPECT_EQ(item.statusMenu()->actions().first()->text(), "Open \"CPU\" Preference");
    item.statusMenu()->actions().first()->trigger();
    EXPECT_EQ(delegate.lastTab, 1);

    // A settings change while the menu is closed rebuilds it only when it opens next.
    store->setBool("CPU_EnaMenu_Amon", false);
    item.setMyDefaults(defaults());
    item.setMenuItemRefresh(true);
    EXPECT_EQ(tagsOf(*item.statusMenu()), (QList<int>{100, 101, 103, -1, 0}));
    item.menuWillOpen();
    EXPECT_EQ(tagsOf(*item.statusMenu()), (QList<int>{100, 103, -1, 0}));
    EXPECT_FALSE(item.menuItemRefresh());

    AppLauncher::setSearchPath({});
    qunsetenv("XDG_CURRENT_DESKTOP");
}

// What the graph shows: the newest sample at the right edge, user at the bottom, system on
// top of it, idle above; older samples two pixels further left. The status image is 40 px
// high with 4 px margins, so the 32 px column splits into 16 user, 8 system, 8 idle pixels
// for 50 %, 25 %, 25 %. The tool tip carries user + system.
TEST_F(CpuMenuModuleTest, GraphColumnsAndToolTipShowTheHistory)
{
    store->setBool("Cpu_ShowMyLabel", false);
    store->setBool("Cpu_Display_Text", false);
    CPU_MenuModule item(&delegate);
    item.setMyDefaults(defaults());
    item.initDrawStatusBar(host);
    SensorData data;
    data.cpu = History<CpuSample>()
                   .appended(sampleOf({{0, 100, 0, 0}}))
                   .appended(sampleOf({{50, 25, 0, 25}}));
    item.setSensorData(data);
    item.refreshBar();
    const QImage img = item.statusItem()->image();
    ASSERT_EQ(img.size(), QSize(60, 40));
    const QColor user = test::themeColour("A01"), system = test::themeColour("A02"), idle = test::themeColour("A04");
    ASSERT_FALSE(test::sameColour(user, system));
    struct Probe {
        int x, y;
        QColor expected;
    };
    const Probe probes[] = {
        {59, 35, user},   {59, 20, user},   {58, 27, user},   // bottom 16 rows: user
        {59, 19, system}, {59, 12, system},                   // next 8: system
        {59, 11, idle},   {59, 4, idle},                      // top 8: idle
        {57, 30, system}, {56, 5, system},                    // the older sample: all system
    };
    for (const Probe &p : probes)
        EXPECT_TRUE(test::sameColour(img.pixelColor(p.x, p.y), p.expected))
            << p.x << "," << p.y << " is " << img.pixelColor(p.x, p.y).name(QColor::HexArgb).toStdString()
            << ", expected " << p.expected.name(QColor::HexArgb).toStdString();
    // Above and below the margins nothing is drawn; left of the history the graph is empty.
    EXPECT_EQ(img.pixelColor(59, 1).alpha(), 0);
    EXPECT_EQ(img.pixelColor(59, 38).alpha(), 0);
    EXPECT_EQ(img.pixelColor(40, 20).alpha(), 0);
    EXPECT_EQ(item.statusItem()->toolTipText(), "75%");
}

TEST_F(CpuMenuModuleTest, CompactHeadlineIsTheLoadAsABarThatWarnsWhenHigh)
{
    CPU_MenuModule item(&delegate);
    item.setMyDefaults(defaults());
    item.initDrawStatusBar(host);
    item.refreshBar();
    EXPECT_FALSE(item.statusItem()->headline().hasGauge()); // nothing read yet

    struct Case {
        CpuSample sample;
        double fraction;
        const char *label;
        const char *toolTip;
    };
    QColor low;
    for (const Case &c : {Case{sampleOf({{30, 10, 0, 60}, {10, 10, 0, 80}}), 0.30, "CPU 30%",
                               "User 20%\nSystem 10%\nNice 0%\nIdle 70%"},
                          Case{sampleOf({{90, 8, 2, 0}, {90, 8, 2, 0}}), 0.98, "CPU 98%",
                               "User 90%\nSystem 8%\nNice 2%\nIdle 0%"}}) {
        SCOPED_TRACE(c.label);
        SensorData data;
        data.cpu = History<CpuSample>().appended(c.sample);
        item.setSensorData(data);
        item.refreshBar();
        const TrayHeadline &h = item.statusItem()->headline();
        EXPECT_NEAR(h.fraction, c.fraction, 1e-9);
        EXPECT_EQ(h.label, QLatin1String(c.label));
        EXPECT_EQ(h.toolTip, QLatin1String(c.toolTip));
        EXPECT_EQ(h.gauge, TrayHeadline::Gauge::Bar);
        if (!low.isValid())
            low = h.colour;
        else
            EXPECT_NE(h.colour, low); // a busy processor changes colour
    }
}

// The headline shows whole percents: tick counts that round to the same ones build and send
// nothing, and a move of any percent shown (here only Nice and Idle) sends the new texts.
TEST_F(CpuMenuModuleTest, TheHeadlineIsSentAgainOnlyWhenAPercentItShowsMoves)
{
    test::RecordingStatusHost recording;
    CPU_MenuModule item(&delegate);
    item.setMyDefaults(defaults());
    item.initDrawStatusBar(recording);
    auto *cell = static_cast<test::RecordingStatusItem *>(item.statusItem());
    History<CpuSample> history;
    const auto pass = [&](CpuTicks ticks) {
        history = history.appended(sampleOf({ticks}));
        SensorData data;
        data.cpu = history;
        item.setSensorData(data);
        item.refreshBar();
    };
    pass({300, 100, 0, 600});
    const int first = cell->headlinesSet;
    ASSERT_GE(first, 1);
    pass({301, 100, 0, 601});
    pass({3000, 1000, 1, 6000}); // Nice at 0.01%: still "0%"
    EXPECT_EQ(cell->headlinesSet, first);
    EXPECT_EQ(cell->headline().toolTip, "User 30%\nSystem 10%\nNice 0%\nIdle 60%");

    pass({300, 100, 10, 590});
    EXPECT_EQ(cell->headlinesSet, first + 1);
    EXPECT_EQ(cell->headline().toolTip, "User 30%\nSystem 10%\nNice 1%\nIdle 59%");
    EXPECT_EQ(cell->headline().label, "CPU 40%");

    pass({700, 200, 0, 100});
    EXPECT_EQ(cell->headlinesSet, first + 2);
    EXPECT_EQ(cell->headline().label, "CPU 90%");
    EXPECT_EQ(cell->toolTipText(), "90%");
}

TEST_F(CpuMenuModuleTest, ATrayThatDrawsTheHeadlineGetsNoImageUntilItShowsImagesAgain)
{
    test::RecordingStatusHost squares(true);
    CPU_MenuModule item(&delegate);
    item.setMyDefaults(defaults());
    item.initDrawStatusBar(squares);
    auto *cell = static_cast<test::RecordingStatusItem *>(item.statusItem());
    SensorData data;
    data.cpu = History<CpuSample>().appended(sampleOf({{30, 10, 0, 60}}));
    item.setSensorData(data);
    for (int pass = 0; pass < 3; ++pass)
        item.refreshBar();
    EXPECT_EQ(cell->imagesSet, 0);
    EXPECT_TRUE(cell->image().isNull());
    EXPECT_EQ(cell->headline().label, "CPU 40%");
    EXPECT_EQ(cell->toolTipText(), "40%");

    // Restyled to wide images: the image arrives without waiting for the next reading.
    cell->showImagesFromNowOn();
    QCoreApplication::processEvents();
    EXPECT_EQ(cell->imagesSet, 1);
    EXPECT_FALSE(cell->image().isNull());
    EXPECT_NEAR(cell->widthInPoints(), item.statusWidth(), 0.5);
}

// The status graphs are kept from one redraw to the next and moved over by the new readings;
// after every reading, with the menu opened and closed between them and the processors
// shown apart or averaged, the image is the one an item drawing that history afresh makes.
TEST_F(CpuMenuModuleTest, AKeptGraphShowsWhatAFreshDrawingShows)
{
    store->setBool("Cpu_ShowMyLabel", false);
    std::mt19937 random(11);
    std::uniform_int_distribution<int64_t> ticks(0, 400);
    for (const bool averaged : {false, true}) {
        SCOPED_TRACE(averaged ? "averaged" : "each processor");
        store->setBool("Cpu_AverageMultiProcessors", averaged);
        CPU_MenuModule kept(&delegate);
        kept.setMyDefaults(defaults());
        kept.initDrawStatusBar(host);
        SensorData data;
        History<CpuSample> history;
        for (int reading = 0; reading < 45; ++reading) {
            const int added = reading == 40 ? 3 : 1; // now and then a pass brings more than one
            for (int i = 0; i < added; ++i)
                history = history.appended(sampleOf({{ticks(random), ticks(random), ticks(random) / 8, ticks(random)},
                                                     {ticks(random), ticks(random), 0, ticks(random)}}));
            data.cpu = history;
            kept.setSensorData(data);
            if (reading == 35)
                kept.menuWillOpen();
            if (reading == 37)
                kept.menuDidClose();
            kept.refreshBar();

            OffscreenHost otherHost;
            CPU_MenuModule fresh(&delegate);
            fresh.setMyDefaults(defaults());
            fresh.initDrawStatusBar(otherHost);
            fresh.setSensorData(data);
            if (kept.menuOpened())
                fresh.menuWillOpen();
            fresh.refreshBar();
            ASSERT_EQ(kept.statusItem()->image(), fresh.statusItem()->image()) << "after reading " << reading;
        }
    }
}

// A quiet machine brings the same ticks again and again, and the item then keeps its texts;
// after every pass they are what a new item shows, whichever count moved.
TEST_F(CpuMenuModuleTest, TextsAfterEveryPassAreAFreshItems)
{
    QVariantMap settings = defaults();
    CPU_MenuModule item(&delegate);
    item.setMyDefaults(settings);
    item.initDrawStatusBar(host);
    const CpuSample base = sampleOf({{30, 10, 0, 60}});
    const std::vector<std::optional<CpuSample>> readings = {
        base, base, sampleOf({{30, 10, 0, 160}}), base, sampleOf({{30, 10, 5, 60}}), sampleOf({{31, 10, 0, 60}}),
        std::nullopt, base, sampleOf({{30, 11, 0, 60}}), sampleOf({{30, 11, 0, 60}}), base,
    };
    History<CpuSample> history;
    for (size_t i = 0; i < readings.size(); ++i) {
        // No reading: the history starts again empty.
        history = readings[i] ? history.appended(*readings[i]) : History<CpuSample>();
        if (i == 9) {
            store->setBool("Cpu_ShowMyLabel", false);
            settings = defaults();
            item.setMyDefaults(settings);
        }
        SensorData data;
        data.cpu = history;
        test::expectTextsOfAFreshItemAfterPass(host, item, settings, data, "reading " + std::to_string(i));
    }
}
