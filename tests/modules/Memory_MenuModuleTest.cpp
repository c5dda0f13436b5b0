#include "ItemTestSupport.h"
#include "TestEnvironment.h"
#include "RecordingStatusHost.h"
#include "TextInk.h"
#include "modules/BaseMenuItems.h"
#include "modules/memory/ImageMemoryBar.h"
#include "modules/memory/Memory_MenuModule.h"
#include "platform/linux/MemoryPurger.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/FontCatalog.h"
#include "settings/MemoryPreferences.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"
#include "toolkit/OrbFormat.h"

#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidgetAction>
#include <gtest/gtest.h>
#include <random>

using namespace orb;

namespace {

constexpr uint64_t kPage = 4096;
constexpr uint64_t kGiB = 1024ull * 1024 * 1024;
constexpr uint64_t kInstalled = 16 * kGiB; // 4194304 pages

// 16 GiB machine, in pages: wired 1 GiB, active 4, inactive 2, free 5, compressed 0.5,
// app memory 6, cached files 3.
constexpr MemorySample kSample{262144, 1048576, 524288, 1310720, 100, 50, 0, 131072, 1572864, 786432};

const QColor kB01(200, 0, 0), kB02(0, 200, 0), kB03(0, 0, 200), kB04(220, 220, 220), kB05(10, 10, 10),
    kB06(20, 20, 20), kB07(120, 60, 0), kB08(0, 120, 60), kB09(255, 150, 0), kB10(150, 0, 255);

QVariantMap memoryDefaults()
{
    return {{"MemoryItemSortArray", QVariantList{1, 2, 3, 4, 5}},
            {"Memory_Display_Graph", false},
            {"Memory_Display_LevelBar", false},
            {"Memory_Display_CircleMeter", false},
            {"Memory_Display_Text", false},
            {"Memory_Display_DetailText", false},
            {"Memory_GraphWidth", 30},
            {"Memory_Padding", 2.0},
            {"Memory_Unit", 1},
            {"Memory_ShowMyLabel", false},
            {"Memory_TradMemoryInfo", false},
            {"MemoryInnerTextHeaderWidth", 13.0},
            {"MemoryInnerDetailLHeaderWidth", 13.0},
            {"MemoryInnerDetailRHeaderWidth", 13.0},
            {"_FontPostScriptName", "DejaVuSansMono-Bold"},
            {"_FontSizeDiff", 0},
            {"_FontAdjust", 0},
            {"PrefName", "Memory"},
            {"B01", kB01}, {"B02", kB02}, {"B03", kB03}, {"B04", kB04}, {"B05", kB05},
            {"B06", kB06}, {"B07", kB07}, {"B08", kB08}, {"B09", kB09}, {"B10", kB10},
            {"Z01", QColor(0, 0, 0, 80)}, {"Z03", QColor(128, 128, 128)}};
}

SensorData sensorData(const MemorySample &sample, uint64_t pageSize = kPage, uint64_t installed = kInstalled)
{
    SensorData d;
    d.memory = History<MemorySample>().appended(sample);
    d.memoryPageSize = pageSize;
    d.memoryTotlSize = installed;
    return d;
}

// Leftmost pixel column holding `colour`, or -1.
int firstColumnOf(const QImage &image, const QColor &colour)
{
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (test::sameColour(image.pixelColor(x, y), colour))
                return x;
    return -1;
}

bool contains(const QImage &image, const QColor &colour) { return firstColumnOf(image, colour) >= 0; }

class MemoryItemTest : public ::testing::Test {
protected:
    // An item shown in an offscreen bar with `overrides` laid over the defaults.
    Memory_MenuModule &item(const QVariantMap &overrides = {}, const SensorData &data = sensorData(kSample))
    {
        module = test::shownItem<Memory_MenuModule>(host, test::overlaid(memoryDefaults(), overrides), data);
        return *module;
    }
    QImage image() const { return module->statusItem()->image(); }

    test::ScopedHome home;
    OffscreenHost host;
    std::unique_ptr<Memory_MenuModule> module;
};

} // namespace

TEST(MemoryFigures, bytesFromPagesAndTheTwoUsedFigures)
{
    const MemDatArray f = Memory_MenuModule::retMemDatArray(kSample, kPage, kInstalled);
    const MemDatArray expected{1 * int64_t(kGiB),   4 * int64_t(kGiB),     2 * int64_t(kGiB), 5 * int64_t(kGiB),
                               int64_t(kGiB) / 2,   6 * int64_t(kGiB),     5 * int64_t(kGiB), 8053063680,
                               9126805504,          3 * int64_t(kGiB),     100,               50};
    EXPECT_EQ(f, expected);
}

TEST(MemoryFigures, guardsAgainstZeroSizesAndHugeCounts)
{
    // No page size: nothing can be turned into bytes.
    EXPECT_EQ(Memory_MenuModule::retMemDatArray(kSample, 0, kInstalled), MemDatArray{});
    // No installed memory: available is 0, never negative.
    const MemDatArray noTotal = Memory_MenuModule::retMemDatArray(kSample, kPage, 0);
    EXPECT_EQ(noTotal[7], 8053063680);
    EXPECT_EQ(noTotal[8], 0);
    // Counts at the top of the range saturate instead of wrapping.
    MemorySample huge{};
    huge.fill(INT64_MAX);
    const MemDatArray big = Memory_MenuModule::retMemDatArray(huge, kPage, kInstalled);
    for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11})
        EXPECT_EQ(big[i], INT64_MAX) << i;
    EXPECT_EQ(big[8], 0);
}

TEST(MemoryShares, modernAndTraditionalBreakdowns)
{
    const MemDatArray f = Memory_MenuModule::retMemDatArray(kSample, kPage, kInstalled);
    const struct {
        bool trad;
        double first, second, third, rest;
    } cases[] = {
        {false, 6.0 / 16, 1.0 / 16, 0.5 / 16, 8.5 / 16}, // app memory, wired, compressed
        {true, 1.0 / 16, 4.0 / 16, 2.0 / 16, 9.0 / 16},  // wired, active, inactive
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.trad);
        const ImageMemoryBar::Shares s = ImageMemoryBar::retShares(f, kInstalled, c.trad);
        EXPECT_DOUBLE_EQ(s.first, c.first);
        EXPECT_DOUBLE_EQ(s.second, c.second);
        EXPECT_DOUBLE_EQ(s.third, c.third);
        EXPECT_DOUBLE_EQ(s.rest, c.rest);
    }
}

TEST(MemoryShares, guardsAndClamps)
{
    // Installed memory unknown: nothing to divide by, no share at all.
    const MemDatArray f = Memory_MenuModule::retMemDatArray(kSample, kPage, kInstalled);
    const ImageMemoryBar::Shares none = ImageMemoryBar::retShares(f, 0, false);
    EXPECT_EQ(none.first + none.second + none.third + none.rest, 0.0);
    // An all-zero reading of a known machine is all free.
    const ImageMemoryBar::Shares idle = ImageMemoryBar::retShares(MemDatArray{}, kInstalled, false);
    EXPECT_EQ(idle.first + idle.second + idle.third, 0.0);
    EXPECT_EQ(idle.rest, 1.0);
    // Parts beyond the installed memory are cut so the meter stays full, not overfull.
    MemDatArray over{};
    over[5] = 12 * int64_t(kGiB); // app memory 0.75
    over[0] = 8 * int64_t(kGiB);  // wired 0.5, only 0.25 left
    over[4] = 4 * int64_t(kGiB);  // compressed, nothing left
    const ImageMemoryBar::Shares s = ImageMemoryBar::retShares(over, kInstalled, false);
    EXPECT_DOUBLE_EQ(s.first, 0.75);
    EXPECT_DOUBLE_EQ(s.second, 0.25);
    EXPECT_DOUBLE_EQ(s.third, 0.0);
    EXPECT_DOUBLE_EQ(s.rest, 0.0);
}

TEST(MemoryGraph, columnSegmentsRoundUpAndStayInTheColumn)
{
    // 1000 pages installed; modern shares come from entries 8, 0, 7, traditional from 0, 1, 2.
    const struct {
        const char *name;
        MemorySample sample;
        uint64_t totalPages;
        bool trad;
        std::array<double, 4> heights;
    } cases[] = {
        {"three of 33.4%", {334, 0, 0, 0, 0, 0, 0, 334, 334, 0}, 1000, false, {11, 11, 10, 0}},
        {"quarter and eighth", {125, 0, 0, 0, 0, 0, 0, 0, 250, 0}, 1000, false, {8, 4, 0, 20}},
        {"traditional", {100, 500, 200, 0, 0, 0, 0, 999, 999, 0}, 1000, true, {4, 16, 7, 5}},
        {"all zero", {}, 1000, false, {0, 0, 0, 32}},
        {"no installed pages", {334, 0, 0, 0, 0, 0, 0, 334, 334, 0}, 0, false, {0, 0, 0, 0}},
        {"more than installed", {0, 0, 0, 0, 0, 0, 0, 0, 5000, 0}, 1000, false, {32, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ImageMemoryBar::columnHeights(c.sample, c.totalPages, c.trad, 32.0), c.heights);
    }
}

TEST_F(MemoryItemTest, widthsForElementCombinationsAndBothTextForms)
{
    // Used 7.50GB and available 8.50GB both sample as "8.88GB". Wired is exactly 1 GiB,
    // which the automatic unit still writes as "1024.0MB". Modern detail columns: app
    // 6.00GB / wired 1024.0MB and compressed 512.0MB / available 8.50GB; traditional:
    // wired 1024.0MB / active 4.00GB and inactive 2.00GB / free 5.00GB. DejaVu Sans Mono
    // advances 1233/2048 em a character, widths round up: 6 characters take 37 points at
    // 10, 7 take 43, 8 take 49; the headers 13.
    const double t = 37 + 13;                  // "8.88GB"
    const double l = 49 + 13, rModern = 43 + 13; // "8888.8MB", "888.8MB"
    const double rTrad = 37 + 13;              // "8.88GB"
    const struct {
        const char *name;
        QVariantMap settings;
        double width;
    } cases[] = {
        {"nothing, label on", {{"Memory_ShowMyLabel", true}}, 0},
        {"text", {{"Memory_Display_Text", true}}, t},
        {"long text header",
         {{"Memory_Display_Text", true}, {"Memory_Text_WithLongLabel", true}, {"MemoryInnerTextHeaderWidth", 43.0}},
         37 + 43},
        {"circle and text, label", {{"Memory_Display_CircleMeter", true}, {"Memory_Display_Text", true}, {"Memory_ShowMyLabel", true}},
         (16 + 2) + (t + 2) + 9},
        {"detail, modern", {{"Memory_Display_DetailText", true}}, 2 + l + rModern},
        {"detail, traditional", {{"Memory_Display_DetailText", true}, {"Memory_TradMemoryInfo", true}}, 2 + l + rTrad},
        {"everything",
         {{"Memory_Display_Graph", true}, {"Memory_Display_LevelBar", true}, {"Memory_Display_CircleMeter", true},
          {"Memory_Display_Text", true}, {"Memory_Display_DetailText", true}},
         30 + 2 + 8 + 2 + 16 + 2 + t + 2 + 2 + l + rModern},
        {"unknown and repeated codes",
         {{"MemoryItemSortArray", QVariantList{9, 2, 0, 2, -1, 3}}, {"Memory_Display_LevelBar", true},
          {"Memory_Display_CircleMeter", true}, {"Memory_Display_Graph", true}},
         8 + 2 + 16},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Memory_MenuModule &m = item(c.settings);
        EXPECT_DOUBLE_EQ(m.statusWidth(), c.width) << m.myTextWidth() << " " << m.detailWidthL() << " " << m.detailWidthR();
        if (c.width > 0) {
            EXPECT_EQ(image().width(), qRound(c.width * 2));
        }
    }
}

TEST_F(MemoryItemTest, elementOrderFollowsTheSortArray)
{
    const QVariantMap on{{"Memory_Display_LevelBar", true}, {"Memory_Display_CircleMeter", true}};
    QVariantMap circleFirst = on;
    circleFirst.insert("MemoryItemSortArray", QVariantList{3, 9, 2, 0});
    item(circleFirst);
    // Circle (32 px) and gap (4 px), then the level bar with its frame in B07.
    EXPECT_EQ(firstColumnOf(image(), kB07), 36);
    EXPECT_GE(firstColumnOf(image(), kB09), 0);
    EXPECT_LT(firstColumnOf(image(), kB09), 32);

    QVariantMap barFirst = on;
    barFirst.insert("MemoryItemSortArray", QVariantList{2, 3});
    item(barFirst);
    EXPECT_EQ(firstColumnOf(image(), kB07), 0);
}

TEST_F(MemoryItemTest, detailTextLeavesRoomForItsColumnGap)
{
    // The level bar after the detail text must end at the image's right edge.
    item({{"MemoryItemSortArray", QVariantList{5, 2}}, {"Memory_Display_DetailText", true},
          {"Memory_Display_LevelBar", true}});
    const QImage img = image();
    EXPECT_EQ(firstColumnOf(img, kB07), img.width() - 16);
}

TEST_F(MemoryItemTest, breakdownSwitchChangesMeterColours)
{
    const QVariantMap on{{"Memory_Display_LevelBar", true}, {"Memory_Display_CircleMeter", true},
                         {"Memory_Display_Graph", true}};
    item(on);
    EXPECT_TRUE(contains(image(), kB09));
    EXPECT_TRUE(contains(image(), kB10));
    EXPECT_FALSE(contains(image(), kB02));
    QVariantMap trad = on;
    trad.insert("Memory_TradMemoryInfo", true);
    item(trad);
    EXPECT_FALSE(contains(image(), kB09));
    EXPECT_TRUE(contains(image(), kB02));
    EXPECT_TRUE(contains(image(), kB03));
}

TEST_F(MemoryItemTest, zeroSizesDrawNoShares)
{
    const QVariantMap on{{"Memory_Display_LevelBar", true}, {"Memory_Display_CircleMeter", true},
                         {"Memory_Display_Graph", true}, {"Memory_Display_Text", true}};
    for (auto [page, installed] : {std::pair{uint64_t(0), kInstalled}, std::pair{kPage, uint64_t(0)}}) {
        SCOPED_TRACE(page);
        item(on, sensorData(kSample, page, installed));
        ASSERT_FALSE(image().isNull());
        for (const QColor &c : {kB01, kB04, kB09, kB10})
            EXPECT_FALSE(contains(image(), c));
        EXPECT_TRUE(contains(image(), kB07)) << "the level bar's frame is still there";
    }
    // An all-zero reading on a known machine fills the meters with the free colour.
    item(on, sensorData(MemorySample{}));
    EXPECT_TRUE(contains(image(), kB04));
    EXPECT_FALSE(contains(image(), kB09));
}

TEST_F(MemoryItemTest, highlightWhileTheMenuIsOpen)
{
    Memory_MenuModule &m = item({{"Memory_Display_CircleMeter", true}, {"Memory_Display_Text", true}});
    EXPECT_FALSE(m.statusItem()->isTemplate());
    EXPECT_TRUE(contains(image(), kB09));
    m.menuWillOpen();
    EXPECT_TRUE(m.statusItem()->isTemplate());
    int drawn = 0;
    const QImage open = image();
    for (int y = 0; y < open.height(); ++y)
        for (int x = 0; x < open.width(); ++x) {
            const QColor c = open.pixelColor(x, y);
            if (c.alpha() == 0)
                continue;
            ++drawn;
            ASSERT_TRUE(c.red() == 255 && c.green() == 255 && c.blue() == 255) << x << "," << y;
        }
    EXPECT_GT(drawn, 100);
    m.menuDidClose();
    EXPECT_FALSE(m.statusItem()->isTemplate());
    EXPECT_TRUE(contains(image(), kB09));
}

TEST_F(MemoryItemTest, menuItemsAndMenuGraph)
{
    Memory_MenuModule &m = item({{"Memory_Display_Text", true}});
    m.menuWillOpen();
    const QList<QAction *> actions = m.statusMenu()->actions();
    // Commands, separator, graph, then the detail panel.
    ASSERT_GT(actions.size(), 4);
    EXPECT_TRUE(actions[4]->isSeparator());
    EXPECT_EQ(BaseMenuItems::tag(actions[0]), 100);
    EXPECT_EQ(actions[0]->text(), "Open \"Memory\" Preference");
    EXPECT_EQ(BaseMenuItems::tag(actions[1]), 211);
    EXPECT_EQ(actions[1]->text(), "Purge Memory...");
    EXPECT_TRUE(actions[2]->isSeparator());
    // The menu graph: graph only, 492 points, with the newest column at its right end.
    const QVariantMap &overlay = m.mnDefaultsTmp();
    EXPECT_EQ(overlay.value("Memory_GraphWidth").toInt(), 492);
    EXPECT_FALSE(overlay.value("Memory_Display_Text").toBool());
    auto *graph = qobject_cast<QWidgetAction *>(actions[3]);
    ASSERT_NE(graph, nullptr);
    auto *label = qobject_cast<QLabel *>(graph->defaultWidget());
    ASSERT_NE(label, nullptr);
    const QImage shot = label->pixmap().toImage();
    EXPECT_EQ(shot.width(), 984);
    EXPECT_EQ(shot.height(), 40);
    EXPECT_TRUE(test::sameColour(shot.pixelColor(983, 37), kB09)) << "app memory at the column's foot";
    EXPECT_FALSE(contains(shot.copy(0, 0, 980, 40), kB09));
}

TEST_F(MemoryItemTest, purgeRunsOnlyAfterConfirmation)
{
    const struct {
        const char *name;
        bool confirm;
        bool launcherPresent;
        std::optional<MemoryPurger::Result> result;
    } cases[] = {
        {"confirmed", true, true, MemoryPurger::Result::Purged},
        {"cancelled", false, true, std::nullopt},
        {"no pkexec", true, false, MemoryPurger::Result::LauncherMissing},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString launcher = c.launcherPresent ? test::writeRecordingLauncher(dir.path(), 0) : dir.path() + "/no-pkexec";
        Memory_MenuModule &m = item();
        m.setPurger(std::make_unique<MemoryPurger>(launcher, "/usr/libexec/orbmeter/orbmeter-purge"));
        int asked = 0;
        m.setPurgeConfirmation([&](std::function<void(bool)> answer) {
            ++asked;
            answer(c.confirm);
        });
        QSignalSpy finished(m.purger(), &MemoryPurger::finished);
        // Triggered from the menu like the user would.
        m.statusMenu()->actions()[1]->trigger();
        EXPECT_EQ(asked, 0) << "the question waits for the menu to close";
        finished.wait(c.result ? 5000 : 1500);
        EXPECT_EQ(asked, 1);
        if (c.result) {
            ASSERT_EQ(finished.count(), 1);
            EXPECT_EQ(finished.first().first().value<MemoryPurger::Result>(), *c.result);
        } else {
            EXPECT_EQ(finished.count(), 0);
        }
        EXPECT_EQ(QFile::exists(dir.path() + "/args"), c.confirm && c.launcherPresent);
        if (c.confirm && c.launcherPresent) {
            EXPECT_EQ(test::readFile(dir.path() + "/args"), "/usr/libexec/orbmeter/orbmeter-purge\n");
        }
    }
}

TEST_F(MemoryItemTest, compactHeadlineIsTheUsedShareAsAPie)
{
    struct Case {
        MemorySample sample;
        uint64_t installed;
        double fraction; // below 0: no gauge
        const char *label;
    };
    MemorySample overfull = kSample;
    overfull[8] = 20 * kGiB / kPage; // app memory above what is installed
    // used = app memory 6 + compressed 0.5 + wired 1 = 7.5 of 16 GiB
    for (const Case &c : {Case{kSample, kInstalled, 7.5 / 16.0, "MEM 47%"}, Case{overfull, kInstalled, 1.0, "MEM 100%"},
                          Case{kSample, 0, -1.0, ""}}) {
        SCOPED_TRACE(c.label);
        const TrayHeadline h = item({}, sensorData(c.sample, kPage, c.installed)).statusItem()->headline();
        if (c.fraction < 0) {
            EXPECT_FALSE(h.hasGauge());
            continue;
        }
        EXPECT_NEAR(h.fraction, c.fraction, 1e-9);
        EXPECT_EQ(h.label, QLatin1String(c.label));
        EXPECT_EQ(h.gauge, TrayHeadline::Gauge::Pie);
        EXPECT_TRUE(h.colour.isValid());
    }
    const TrayHeadline h = item().statusItem()->headline();
    EXPECT_EQ(h.toolTip, QStringLiteral("Used 7.50GB\nAvailable 8.50GB"));
}

// Memory moves by a few pages every pass, while the headline shows whole percents and sizes
// to two decimals: it is built and sent again only when one of those moves.
TEST_F(MemoryItemTest, TheHeadlineIsSentAgainOnlyWhenAFigureItShowsMoves)
{
    test::RecordingStatusHost recording;
    Memory_MenuModule item(nullptr);
    item.setMyDefaults(memoryDefaults());
    item.initDrawStatusBar(recording);
    auto *cell = static_cast<test::RecordingStatusItem *>(item.statusItem());
    MemorySample sample = kSample;
    SensorData data = sensorData(sample);
    const auto pass = [&](int64_t appPages) {
        sample[8] += appPages;
        sample[3] -= appPages;
        data.memory = data.memory->appended(sample);
        item.setSensorData(data);
        item.refreshBar();
    };
    pass(0);
    const int first = cell->headlinesSet;
    ASSERT_GE(first, 1);
    EXPECT_EQ(cell->headline().toolTip, "Used 7.50GB\nAvailable 8.50GB");
    pass(100);
    pass(-150); // 200 KiB under the first reading: still "7.50GB"
    EXPECT_EQ(cell->headlinesSet, first);

    pass(4 * 2621); // 0.04 GiB more
    EXPECT_EQ(cell->headlinesSet, first + 1);
    EXPECT_EQ(cell->headline().toolTip, "Used 7.54GB\nAvailable 8.46GB");
    EXPECT_EQ(cell->headline().label, "MEM 47%");

    pass(131072); // half a GiB more: 8.04 of 16
    EXPECT_EQ(cell->headlinesSet, first + 2);
    EXPECT_EQ(cell->headline().label, "MEM 50%");
    EXPECT_NEAR(cell->headline().fraction, 8.04 / 16.0, 0.001);
}

// What the pie shows for kSample: free memory is drawn first from the top counter-clockwise,
// then compressed, wired and app memory, so read clockwise from the top the wedges are app
// memory 6/16 (135°), wired 1/16 (23° with the degree rounded up), compressed 0.5/16 (12°)
// and free the rest. The 32 px meter stands at the left edge of the 40 px high image, its
// centre at (16, 20), the frame circle 15.5 px out, the wedges 14.5 px.
TEST_F(MemoryItemTest, pieWedgesGoClockwiseFromTheTopInTheirColours)
{
    item({{"MemoryItemSortArray", QVariantList{3}}, {"Memory_Display_CircleMeter", true}});
    const QImage img = image();
    ASSERT_EQ(img.size(), QSize(32, 40));
    struct Probe {
        int x, y;
        int degrees; // clockwise from the top, of the pixel's centre
        QColor expected;
    };
    const Probe probes[] = {
        {17, 11, 10, kB09},  {23, 15, 59, kB09}, {23, 24, 121, kB09}, // app memory
        {21, 27, 144, kB01},                                          // wired
        {19, 31, 163, kB10},                                          // compressed
        {12, 28, 202, kB04}, {6, 19, 267, kB04}, {14, 11, 350, kB04}, // free
    };
    for (const Probe &p : probes)
        EXPECT_TRUE(test::sameColour(img.pixelColor(p.x, p.y), p.expected))
            << p.degrees << "° (" << p.x << "," << p.y << ") is "
            << img.pixelColor(p.x, p.y).name(QColor::HexArgb).toStdString() << ", expected "
            << p.expected.name().toStdString();
    const QColor top = img.pixelColor(15, 4); // the frame circle, smoothed at its edges
    EXPECT_TRUE(test::sameColour(QColor(top.rgb()), kB08) && top.alpha() > 200) << top.name(QColor::HexArgb).toStdString();
    EXPECT_EQ(img.pixelColor(1, 1).alpha(), 0) << "outside the circle";
    EXPECT_EQ(img.pixelColor(16, 38).alpha(), 0) << "below the meter";

    // The traditional breakdown: wired 1/16, active 4/16, inactive 2/16 clockwise from the top.
    item({{"MemoryItemSortArray", QVariantList{3}}, {"Memory_Display_CircleMeter", true},
          {"Memory_TradMemoryInfo", true}});
    const QImage trad = image();
    EXPECT_TRUE(test::sameColour(trad.pixelColor(17, 11), kB01)) << "10°: wired, 0° to 23°";
    EXPECT_TRUE(test::sameColour(trad.pixelColor(23, 15), kB02)) << "59°: active, 23° to 113°";
    EXPECT_TRUE(test::sameColour(trad.pixelColor(23, 24), kB03)) << "121°: inactive, 113° to 158°";
    EXPECT_TRUE(test::sameColour(trad.pixelColor(12, 28), kB04)) << "202°: free";
}


// The text element as the default settings and the light theme draw it for kSample: used
// memory (app memory 6 + compressed 0.5 + wired 1 GiB) after "U:" in the upper half in B05,
// what is left of the 16 GiB after "F:" in the lower half in B06, each over the theme's
// text shadow. The figure stands right of x = 24, the label left of it.
TEST_F(MemoryItemTest, textShowsUsedAndAvailableInTheThemeColours)
{
    auto store = SettingsStore::open();
    MemoryPreferences::initialize(*store);
    store->setBool("Memory_Display_CircleMeter", false);
    const QColor shadow = test::themeColour("Z01");
    const QColor used = test::over(test::themeColour("B05"), shadow), available = test::over(test::themeColour("B06"), shadow);
    ASSERT_GT(std::abs(used.red() - available.red()), 30) << "the two text colours tell apart";
    struct Case {
        qint64 unit;
        QString upper, lower;
        QStringList wrong; // what a wrong figure, unit or rounding would show
    };
    const Case cases[] = {
        {1, "7.50GB", "8.50GB", {"7.00GB", "6.50GB", "5.00GB", "8.00GB"}},
        {2, "7680.0MB", "8704.0MB", {"7168.0MB", "5120.0MB", "7680MB"}},
        {3, "7.50GB", "8.50GB", {"7.00GB", "7.5GB"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.unit);
        store->setInteger("Memory_Unit", c.unit);
        const QVariantMap d = MemoryPreferences::load(*store, ThemeStore::builtInReference(false));
        module = test::shownItem<Memory_MenuModule>(host, d, sensorData(kSample));
        const QImage img = image();
        ASSERT_EQ(img.height(), 40);
        const QFont font = FontCatalog::fontForName(d.value("_FontPostScriptName").toString(), 10);
        const QRect upperLabel(0, 0, 24, 20), lowerLabel(0, 20, 24, 20);
        const QRect upperFigure(24, 0, img.width() - 24, 20), lowerFigure(24, 20, img.width() - 24, 20);
        const QStringList figures = QStringList{c.upper, c.lower} + c.wrong;
        EXPECT_EQ(test::readInk(img, upperFigure, used, font, figures), c.upper);
        EXPECT_EQ(test::readInk(img, lowerFigure, available, font, figures), c.lower);
        EXPECT_EQ(test::readInk(img, upperLabel, used, font, {"U:", "F:"}), "U:");
        EXPECT_EQ(test::readInk(img, lowerLabel, available, font, {"U:", "F:"}), "F:");
    }
}

// Memory moves by a few pages every second, which the image seldom shows: the circle meter
// turns by whole degrees and the texts by their last digit. A picture that cannot differ is
// not drawn again; after every reading, whatever the elements, the image is the one an item
// drawing the same history afresh makes.
TEST_F(MemoryItemTest, AnUnchangedPictureIsNotDrawnAgainButEveryChangeIs)
{
    struct Case {
        const char *name;
        QVariantMap overrides;
        enum { Skips, Draws, Either } drawing; // how many readings are drawn
    };
    const Case cases[] = {
        {"circle meter", {{"Memory_Display_CircleMeter", true}}, Case::Skips},
        {"text", {{"Memory_Display_Text", true}}, Case::Skips},
        // Four figures, free memory among them: most readings show.
        {"detail text", {{"Memory_Display_DetailText", true}, {"Memory_TradMemoryInfo", true}}, Case::Either},
        {"circle meter and text, highlighted", {{"Memory_Display_CircleMeter", true}, {"Memory_Display_Text", true}},
         Case::Skips},
        // Every page moves the bar's exact shares; the graph moves with every reading.
        {"level bar", {{"Memory_Display_LevelBar", true}}, Case::Draws},
        {"graph", {{"Memory_Display_Graph", true}, {"Memory_Display_Text", true}}, Case::Draws},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QVariantMap settings = test::overlaid(memoryDefaults(), c.overrides);
        test::RecordingStatusHost recording;
        Memory_MenuModule kept(nullptr);
        kept.setMyDefaults(settings);
        kept.initDrawStatusBar(recording);
        const bool highlighted = QString::fromLatin1(c.name).contains("highlighted");
        if (highlighted)
            kept.menuWillOpen();
        auto *item = static_cast<test::RecordingStatusItem *>(kept.statusItem());
        std::mt19937 random(11);
        // A degree of the circle is about 11,650 pages, a last digit of "7.51GB" 2,621.
        std::uniform_int_distribution<int64_t> step(-4000, 4000);
        MemorySample sample = kSample;
        SensorData data = sensorData(sample);
        int drawn = 0;
        const int readings = 80;
        for (int reading = 0; reading < readings; ++reading) {
            // Mostly app memory moves; now and then only wired memory.
            const int64_t moved = step(random);
            sample[reading % 5 == 4 ? 0 : 8] += moved;
            sample[3] -= moved; // free
            data.memory = data.memory->appended(sample);
            kept.setSensorData(data);
            const int before = item->imagesSet;
            kept.refreshBar();
            drawn += item->imagesSet > before;

            OffscreenHost otherHost;
            const auto fresh = test::shownItem<Memory_MenuModule>(otherHost, settings, data);
            if (highlighted) {
                fresh->menuWillOpen();
                fresh->refreshBar();
            }
            ASSERT_EQ(item->image(), fresh->statusItem()->image()) << "after reading " << reading;
        }
        if (c.drawing == Case::Skips) {
            EXPECT_LT(drawn, readings * 3 / 4);
            EXPECT_GT(drawn, 3);
        } else if (c.drawing == Case::Draws) {
            EXPECT_EQ(drawn, readings);
        }
    }
}
