#include "ItemTestSupport.h"
#include "TestEnvironment.h"
#include "modules/BaseMenuItems.h"
#include "modules/gpu/GPU_MenuController.h"
#include "modules/gpu/GPU_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/GpuPreferences.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <QMenu>
#include <QPushButton>
#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace orb;

namespace {

constexpr int64_t GiB = int64_t(1) << 30;

const QColor kLow(0, 200, 0), kWarning(240, 160, 0), kCritical(220, 0, 0), kFrame(90, 90, 90),
    kBaseLine(128, 128, 255);

QVariantMap gpuDefaults()
{
    return {{"GpuItemSortArray", QVariantList{1, 2, 3, 4}},
            {"Gpu_Display_Graph", false},
            {"Gpu_Display_LevelBar", false},
            {"Gpu_Display_CircleMeter", false},
            {"Gpu_Display_Text", false},
            {"Gpu_GraphWidth", 30},
            {"Gpu_Padding", 2.0},
            {"Gpu_ShowMyLabel", false},
            {"GpuInnerTextWidth", 26.0},
            {"_FontPostScriptName", "DejaVuSansMono-Bold"},
            {"PrefName", "GPU"},
            {"H01", kLow}, {"H02", kWarning}, {"H03", kCritical}, {"H04", kFrame}, {"H05", kFrame},
            {"Z01", QColor(0, 0, 0, 0)}, {"Z03", kBaseLine}};
}

GpuEntry entry(const char *id, const char *name, int64_t used, int64_t free)
{
    GpuEntry e;
    e.id = id;
    e.name = name;
    e.used = used;
    e.free = free;
    e.total = used >= 0 && free >= 0 ? used + free : -1;
    e.mem = e.total >= 0 ? QString::number(e.total >> 20) + "MB" : "--";
    e.per = "--";
    return e;
}

SensorData dataOf(std::initializer_list<GpuSample> samples)
{
    SensorData d;
    History<GpuSample> h;
    for (const GpuSample &s : samples)
        h = h.appended(s);
    d.gpu = h;
    return d;
}

class GpuMenuModuleTest : public ::testing::Test {
protected:
    // Shows the item with `settings` laid over gpuDefaults() and `data`; returns it.
    std::unique_ptr<GPU_MenuModule> show(const QVariantMap &settings, const SensorData &data)
    {
        QVariantMap d = gpuDefaults();
        for (auto it = settings.cbegin(); it != settings.cend(); ++it)
            d.insert(it.key(), it.value());
        auto item = std::make_unique<GPU_MenuModule>(&delegate);
        item->setMyDefaults(d);
        item->initDrawStatusBar(host);
        item->setSensorData(data);
        item->refreshBar();
        return item;
    }
    OffscreenHost host;
    test::NullDelegate delegate;
};

const GpuSample kTwoGpus{entry("_1", "UHD Graphics", -1, -1), entry("_2", "Radeon RX 6500M", 3 * GiB, 1 * GiB)};

} // namespace

TEST_F(GpuMenuModuleTest, WidthRepeatsTheElementsPerDevice)
{
    // Bar 20 high, insets 2 + 2: circle meter 16 wide; text 26; padding 2; label 9.
    struct Case {
        const char *name;
        QVariantMap settings;
        GpuSample sample;
        double expected;
    };
    const GpuSample one{entry("_1", "A", 1, 1)};
    const QVariantMap all{{"Gpu_Display_Graph", true},
                          {"Gpu_Display_LevelBar", true},
                          {"Gpu_Display_CircleMeter", true},
                          {"Gpu_Display_Text", true}};
    QVariantMap allLabel = all;
    allLabel.insert("Gpu_ShowMyLabel", true);
    const std::vector<Case> cases{
        {"circle, one device, label", {{"Gpu_Display_CircleMeter", true}, {"Gpu_ShowMyLabel", true}}, one, 16 + 2 + 9},
        {"all four, one device", all, one, 30 + 2 + 8 + 2 + 16 + 2 + 26 + 2 - 2},
        {"all four, two devices: twice the groups", all, kTwoGpus, 2 * (30 + 2 + 8 + 2 + 16 + 2 + 26 + 2) - 2},
        {"all four, two devices, label", allLabel, kTwoGpus, 2 * (30 + 2 + 8 + 2 + 16 + 2 + 26 + 2) + 9},
        {"graph only, two devices", {{"Gpu_Display_Graph", true}}, kTwoGpus, 2 * 32 - 2},
        {"unknown and repeated codes",
         {{"Gpu_Display_CircleMeter", true}, {"Gpu_Display_Text", true}, {"GpuItemSortArray", QVariantList{3, 3, 9, -1}}},
         kTwoGpus, 2 * 18 - 2},
        {"everything off", {}, kTwoGpus, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto item = show(c.settings, dataOf({c.sample}));
        EXPECT_DOUBLE_EQ(item->statusWidth(), c.expected);
        EXPECT_NEAR(item->statusItem()->widthInPoints(), c.expected, 0.5);
    }
}

TEST_F(GpuMenuModuleTest, DefaultSettingsMeasureTheirOwnText)
{
    test::ScopedHome home;
    auto store = SettingsStore::open();
    GpuPreferences::initialize(*store);
    store->setBool("Gpu_Display_Text", true);
    store->setBool("Gpu_ShowMyLabel", false);
    const QVariantMap d = GpuPreferences::load(*store, ThemeStore::builtInReference(false));
    const double text = d.value("GpuInnerTextWidth").toDouble();
    ASSERT_GT(text, 10);
    GPU_MenuModule item(&delegate);
    item.setMyDefaults(d);
    item.initDrawStatusBar(host);
    item.setSensorData(dataOf({kTwoGpus}));
    item.refreshBar();
    // Circle meter (on by default) and text, per device.
    EXPECT_DOUBLE_EQ(item.statusWidth(), 2 * (16 + 2 + text + 2) - 2);
}

TEST_F(GpuMenuModuleTest, LevelBarFillsTheUsedShareInItsLevelColour)
{
    // Level bar only: frame (0, 4, 16, 32) at double scale; the fill starts at y 6, is
    // share × 30 high and 12 wide: image column 8, rows up from 33.
    const QColor gradientQuarter((kWarning.red() * 3 + kCritical.red()) / 4, (kWarning.green() * 3 + kCritical.green()) / 4,
                                 (kWarning.blue() * 3 + kCritical.blue()) / 4);
    struct Case {
        const char *name;
        GpuEntry gpu;
        bool gradient;
        QColor fill;
        double rows; // filled rows in the bar
    };
    GpuEntry unreported = entry("_1", "A", -1, 0);
    const Case cases[] = {
        {"3 GiB of 4: warning", entry("_1", "A", 3 * GiB, 1 * GiB), false, kWarning, 22.5},
        {"3 GiB of 4, gradient: a quarter toward critical", entry("_1", "A", 3 * GiB, 1 * GiB), true, gradientQuarter, 22.5},
        {"half: low", entry("_1", "A", GiB, GiB), false, kLow, 15},
        // full: the frame's top edge covers the fill's last two rows
        {"all in use: critical", entry("_1", "A", GiB, 0), false, kCritical, 28},
        // Without the guard −1 ÷ (−1 + 0) would fill the bar completely.
        {"used unreported, free 0", unreported, false, kCritical, 0},
        {"nothing reported", entry("_1", "A", -1, -1), false, kLow, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto item = show({{"Gpu_Display_LevelBar", true}, {"Gpu_GradientColor", c.gradient}}, dataOf({{c.gpu}}));
        const QImage img = item->statusItem()->image();
        ASSERT_EQ(img.size(), QSize(16, 40));
        int filled = 0, drawn = 0;
        for (int y = 6; y < 34; ++y) {
            filled += test::sameColour(img.pixelColor(8, y), c.fill) ? 1 : 0;
            drawn += img.pixelColor(8, y).alpha() > 0 ? 1 : 0;
        }
        EXPECT_NEAR(filled, c.rows, 1.0);
        EXPECT_EQ(drawn, filled) << "nothing else inside the bar";
        if (c.rows > 0) {
            EXPECT_TRUE(test::sameColour(img.pixelColor(8, 33), c.fill)) << "filled from the bottom";
        }
        // The frame is always there.
        EXPECT_TRUE(test::sameColour(img.pixelColor(1, 20), kFrame));
    }
}

TEST_F(GpuMenuModuleTest, GraphColumnsFollowEachSampleOfTheDevice)
{
    // Graph only, 30 points = 60 pixels; columns 2 pixels wide from the right edge; the
    // drawing is 32 high from y 4 (image rows 4..35).
    const GpuEntry other = entry("_2", "B", 1 * GiB, 0); // full, but never the drawn device's
    GpuEntry zeroTotal = entry("_1", "A", 0, 0);
    const SensorData data = dataOf({
        {entry("_1", "A", 1 * GiB, 3 * GiB), other}, // oldest: a quarter, 8 rows
        {zeroTotal, other},                          // total 0: an empty column
        {},                                          // no entries: no column at all
        {other},                                     // device missing: an empty column
        {entry("_1", "A", 3 * GiB, 1 * GiB), other}, // newest: three quarters, 24 rows
    });
    auto item = show({{"Gpu_Display_Graph", true}}, data);
    const QImage img = item->statusItem()->image();
    ASSERT_EQ(img.size(), QSize(124, 40)) << "two devices, 2 × 32 − 2 points";
    const auto filledRows = [&](int x) {
        int rows = 0;
        for (int y = 0; y < 40; ++y)
            rows += img.pixelColor(x, y).alpha() > 0 && !test::sameColour(img.pixelColor(x, y), kBaseLine) ? 1 : 0;
        return rows;
    };
    // First device's graph: pixels 0..59.
    EXPECT_EQ(filledRows(59), 24);
    EXPECT_TRUE(test::sameColour(img.pixelColor(59, 20), kWarning));
    EXPECT_EQ(filledRows(57), 0);
    EXPECT_EQ(filledRows(55), 0);
    EXPECT_EQ(filledRows(53), 8);
    EXPECT_TRUE(test::sameColour(img.pixelColor(53, 33), kLow));
    // Left of the four columns no sample reached: the base line.
    EXPECT_TRUE(test::sameColour(img.pixelColor(20, 35), kBaseLine));
    EXPECT_EQ(img.pixelColor(56, 35).alpha(), 0) << "no base line under used columns";
    // Second device (pixels 64..123): full in every sample that has it.
    EXPECT_EQ(filledRows(123), 32);
    EXPECT_TRUE(test::sameColour(img.pixelColor(123, 20), kCritical));
    EXPECT_EQ(filledRows(115), 0) << "the sample without entries took no column";
    EXPECT_EQ(filledRows(117), 32);
}

TEST_F(GpuMenuModuleTest, TextShowsThePercentOrDashes)
{
    auto item = show({{"Gpu_Display_Text", true}}, dataOf({kTwoGpus}));
    EXPECT_EQ(item->statusItem()->toolTipText(), QString::fromUtf8("-- \u00b7 75%"));
    const QImage img = item->statusItem()->image();
    ASSERT_EQ(img.width(), 2 * (2 * (26 + 2) - 2));
    int warningPixels = 0, framePixels = 0;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y) {
            warningPixels += test::sameColour(img.pixelColor(x, y), kWarning, 40) ? 1 : 0;
            framePixels += test::sameColour(img.pixelColor(x, y), kFrame, 40) ? 1 : 0;
        }
    EXPECT_GT(warningPixels, 20) << "75% in the warning colour";
    EXPECT_GT(framePixels, 10) << "the unreported device's dashes";
}

TEST_F(GpuMenuModuleTest, HighlightedWhileTheMenuIsOpen)
{
    auto item = show({{"Gpu_Display_LevelBar", true}}, dataOf({{entry("_1", "A", 3 * GiB, 1 * GiB)}}));
    const QImage normal = item->statusItem()->image();
    item->menuWillOpen();
    const QImage lit = item->statusItem()->image();
    EXPECT_TRUE(item->statusItem()->isTemplate());
    EXPECT_EQ(lit.pixelColor(8, 32), QColor(Qt::white));
    item->menuDidClose();
    EXPECT_EQ(item->statusItem()->image(), normal);
}

TEST_F(GpuMenuModuleTest, MenuHoldsOneRowPerDevice)
{
    GpuSample sample = kTwoGpus;
    sample[1].per = "75%";
    sample[1].mem = "4096MB";
    sample[1].vendor = "Advanced Micro Devices, Inc. [AMD/ATI]";
    sample[1].driver = "amdgpu";
    sample[1].address = "0000:03:00.0";
    auto item = show({{"Gpu_Display_CircleMeter", true}}, dataOf({sample}));
    const auto tags = [&] {
        QList<int> t;
        for (const QAction *a : item->statusMenu()->actions())
            t << (a->isSeparator() ? -1 : BaseMenuItems::tag(a));
        return t;
    };
    // Built before any data: base items only; the rows come with the first redraw.
    EXPECT_EQ(tags(), (QList<int>{100, -1}));
    item->redrawStatusItem();
    EXPECT_EQ(tags(), (QList<int>{100, -1, 400, 401}));
    ASSERT_EQ(item->deviceMenusArray().size(), 2u);
    const GPU_MenuController &amd = *item->deviceMenusArray()[1];
    EXPECT_EQ(amd.nameTitle(), "Radeon RX 6500M - 4096MB");
    EXPECT_EQ(amd.percentText(), "75%");
    EXPECT_EQ(amd.detailText(),
              QString::fromUtf8("Advanced Micro Devices, Inc. [AMD/ATI] \u00b7 amdgpu \u00b7 0000:03:00.0\n"
                                "3072MB used, 1024MB free"));
    EXPECT_TRUE(item->deviceMenusArray()[0]->detailText().endsWith("Memory use not reported"));
    // The row's graph: its own device only, 300 points wide, one column at the right.
    const QImage graph = amd.graphImage();
    ASSERT_EQ(graph.size(), QSize(600, 40));
    EXPECT_TRUE(test::sameColour(graph.pixelColor(599, 30), kWarning));
    EXPECT_EQ(item->deviceMenusArray()[0]->graphImage().pixelColor(599, 30).alpha(), 0);

    // Opening makes the rows again; a device going away takes its row with it.
    item->menuWillOpen();
    EXPECT_EQ(tags(), (QList<int>{100, -1, 400, 401}));
    item->setSensorData(dataOf({sample, {sample[1]}}));
    item->redrawStatusItem();
    EXPECT_EQ(tags(), (QList<int>{100, -1, 400}));
    EXPECT_EQ(item->deviceMenusArray()[0]->percentText(), "75%");
    item->menuDidClose();

    item->statusMenu()->actions().first()->trigger();
    EXPECT_EQ(delegate.lastTab, 2);
}

TEST(GpuMenuController, NameButtonSearchesTheWebForTheName)
{
    const std::pair<QString, const char *> cases[] = {
        {"GA104 [GeForce RTX 3070]", "https://www.google.com/search?q=GA104%20%5BGeForce%20RTX%203070%5D"},
        {"A&B=C#D+E/F?", "https://www.google.com/search?q=A%26B%3DC%23D%2BE%2FF%3F"},
        {QString::fromUtf8("Radeon\u2122 780M"), "https://www.google.com/search?q=Radeon%E2%84%A2%20780M"},
    };
    for (const auto &[name, url] : cases) {
        const QUrl u = GPU_MenuController::searchUrl(name);
        EXPECT_EQ(u.toEncoded(), QByteArray(url));
        EXPECT_EQ(u.path(), "/search");
        EXPECT_EQ(QUrlQuery(u).queryItemValue("q", QUrl::FullyDecoded), name);
    }

    QList<QUrl> opened;
    GPU_MenuController::setUrlOpener([&](const QUrl &u) { opened << u; });
    GPU_MenuController row;
    GpuEntry e = entry("_1", "Tom & Jerry <GPU>", 1, 1);
    row.setDeviceDict(e);
    row.loadBaseData();
    const auto *button = row.findChild<QPushButton *>();
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(button->text().startsWith("Tom && Jerry <GPU>")) << "a literal '&', not a mnemonic";
    QMetaObject::invokeMethod(const_cast<QPushButton *>(button), "click");
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], GPU_MenuController::searchUrl("Tom & Jerry <GPU>"));
    GPU_MenuController::setUrlOpener(nullptr);
}

TEST_F(GpuMenuModuleTest, CompactIconShowsTheBusiestReportingDevice)
{
    struct Case {
        const char *name;
        GpuSample sample;
        double fraction; // below 0: no gauge
        const char *label;
        QString toolTip;
    };
    const Case cases[] = {
        {"integrated without figures and a discrete card", kTwoGpus, 0.75, "GPU 75%",
         "UHD Graphics: --\nRadeon RX 6500M: 75% (3072MB of 4096MB)"},
        {"two cards: the fuller one", {entry("_1", "A", GiB, 3 * GiB), entry("_2", "B", GiB, GiB)}, 0.5, "GPU 50%",
         "A: 25% (1024MB of 4096MB)\nB: 50% (1024MB of 2048MB)"},
        {"nothing reported", {entry("_1", "<b>X & Y</b>", -1, 0)}, -1, "GPU --", "<b>X & Y</b>: --"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto item = show({{"Gpu_Display_CircleMeter", true}}, dataOf({c.sample}));
        const TrayHeadline &h = item->statusItem()->headline();
        EXPECT_EQ(h.hasGauge(), c.fraction >= 0);
        if (c.fraction >= 0) {
            EXPECT_DOUBLE_EQ(h.fraction, c.fraction);
        }
        EXPECT_EQ(h.label, QLatin1String(c.label));
        EXPECT_EQ(h.toolTip, c.toolTip);
        EXPECT_EQ(h.gauge, TrayHeadline::Gauge::Pie);
    }
}
