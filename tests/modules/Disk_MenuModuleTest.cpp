#include "ItemTestSupport.h"
#include "RecordingStatusHost.h"
#include "TestEnvironment.h"
#include "collect/DiskBase.h"
#include "modules/BaseMenuItems.h"
#include "modules/disk/DiskActivity.h"
#include "modules/disk/Disk_MenuModule.h"
#include "modules/disk/ImageDiskBar.h"
#include "platform/linux/AppLauncher.h"
#include "platform/statusbar/StatusBarHost.h"
#include "toolkit/OrbCanvas.h"

#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

namespace {

const QColor kRead(0, 180, 0), kWrite(200, 0, 0), kFrame(60, 60, 60), kBack(210, 210, 210), kEmpty(128, 128, 128);

QVariantMap diskDefaults()
{
    return {{"DiskItemSortArray", QVariantList{1, 2, 3}},
            {"Disk_Display_Indicator", false},
            {"Disk_Display_Graph", false},
            {"Disk_Display_Text", false},
            {"Disk_ShowEachDisk", true},
            {"Disk_WithDiskIconInBackground", false},
            {"Disk_ShowMyLabel", false},
            {"DiskInnerIconAbleToBeBol", true},
            {"Disk_GraphWidth", 30},
            {"Disk_Padding", 2.0},
            {"Disk_Graph_Mode", 1},
            {"Disk_Indicator_LabelAry", QStringList{"", ""}},
            {"Disk_Graph_LabelAry", QStringList{"", ""}},
            {"Disk_Text_LabelAry", QStringList{"", ""}},
            {"DiskInnerIndicatorLabelWidth", 0.0},
            {"DiskInnerGraphLabelWidth", 0.0},
            {"DiskInnerTextLabelWidth", 0.0},
            {"DiskInnerTextValueWidth", 54.0},
            {"_FontPostScriptName", "DejaVuSansMono-Bold"},
            {"_FontSizeDiff", 0},
            {"_FontAdjust", 0},
            {"PrefName", "Disk"},
            {"D01", kRead}, {"D02", kWrite}, {"D03", kFrame}, {"D04", kBack},
            {"Z01", QColor(0, 0, 0, 0)}, {"Z03", kEmpty}};
}

DiskDrive drive(const char *name)
{
    DiskDrive d;
    d.name = name;
    d.devicePath = QStringLiteral("/dev/") + name;
    return d;
}

// Drives in the kernel's order, which is not the drawing order.
std::shared_ptr<const DiskBase> base(std::initializer_list<const char *> names = {"sdb", "nvme0n1", "sda"})
{
    auto b = std::make_shared<DiskBase>();
    for (const char *n : names)
        b->drives.push_back(drive(n));
    return b;
}

DiskSample sample(std::initializer_list<std::pair<const char *, DiskCounters>> disks, double interval = 1.0)
{
    DiskSample s;
    for (const auto &[n, c] : disks)
        s.disks.emplace_back(QStringLiteral("/dev/") + n, c);
    s.interval = interval;
    return s;
}

class DiskItemTest : public ::testing::Test {
protected:
    Disk_MenuModule &item(const QVariantMap &overrides, const History<DiskSample> &h,
                          std::shared_ptr<const DiskBase> b = base())
    {
        SensorData data;
        data.disk = h;
        data.diskBase = std::move(b);
        module = test::shownItem<Disk_MenuModule>(host, test::overlaid(diskDefaults(), overrides), data);
        return *module;
    }
    QImage image() const { return module->statusItem()->image(); }

    test::ScopedHome home;
    OffscreenHost host;
    std::unique_ptr<Disk_MenuModule> module;
};

} // namespace

TEST(DiskActivity, readWriteCheckOfTheNewestInterval)
{
    const auto b = base({"sda", "sdb"});
    const struct {
        const char *name;
        History<DiskSample> h;
        DiskRW sda, sdb, all;
    } cases[] = {
        {"rates divide by the seconds passed",
         test::historyOf({sample({{"sda", {1000, 0}}, {"sdb", {0, 0}}}), sample({{"sda", {5000, 0}}, {"sdb", {0, 3000000}}}, 2)}),
         {true, false, 2000, 0, "2.0KB/s", "0.0B/s"},
         {false, true, 0, 1500000, "0.0B/s", "1.5MB/s"},
         {true, true, 2000, 1500000, "2.0KB/s", "1.5MB/s"}},
        {"a counter that went back restarts the disk, never a negative rate",
         test::historyOf({sample({{"sda", {5000, 9000}}, {"sdb", {10, 10}}}), sample({{"sda", {100, 9000}}, {"sdb", {11, 10}}})}),
         {false, false, 0, 0, "0.0B/s", "0.0B/s"},
         {true, false, 1, 0, "0.0KB/s", "0.0B/s"},
         {true, false, 1, 0, "0.0KB/s", "0.0B/s"}},
        {"a disk new in the newest sample, another gone from it",
         test::historyOf({sample({{"sda", {10, 10}}}), sample({{"sdb", {99999, 99999}}})}),
         {false, false, 0, 0, "0.0B/s", "0.0B/s"},
         {false, false, 0, 0, "0.0B/s", "0.0B/s"},
         {false, false, 0, 0, "0.0B/s", "0.0B/s"}},
        {"an interval below one second counts as one",
         test::historyOf({sample({{"sda", {0, 0}}, {"sdb", {0, 0}}}), sample({{"sda", {3000, 0}}, {"sdb", {0, 0}}}, 0.0)}),
         {true, false, 3000, 0, "3.0KB/s", "0.0B/s"},
         {false, false, 0, 0, "0.0B/s", "0.0B/s"},
         {true, false, 3000, 0, "3.0KB/s", "0.0B/s"}},
        {"one sample: everything idle",
         test::historyOf({sample({{"sda", {123456, 654321}}, {"sdb", {1, 1}}})}),
         {false, false, 0, 0, "0.0B/s", "0.0B/s"},
         {false, false, 0, 0, "0.0B/s", "0.0B/s"},
         {false, false, 0, 0, "0.0B/s", "0.0B/s"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto table = DiskActivity::checkAllReadWrite(c.h, *b);
        ASSERT_TRUE(table);
        ASSERT_EQ(table->disks.size(), 2u);
        EXPECT_EQ(*table->find("/dev/sda"), c.sda);
        EXPECT_EQ(*table->find("/dev/sdb"), c.sdb);
        EXPECT_EQ(*table->find("all"), c.all);
        EXPECT_EQ(table->find("/dev/sdc"), nullptr);
    }
    EXPECT_FALSE(DiskActivity::checkAllReadWrite(History<DiskSample>(), *b)) << "no sample, no table";

    // The item keeps one table and fills it again after every pass, over other bases too: each
    // fill ends as a new table does, with no disk, rate or text of an earlier one left behind.
    DiskRWTable kept;
    for (const auto &other : {base({"sda", "sdb"}), base({"sdb"}), base({"sdc", "sda", "sdb"}), base({"sda", "sdb"})}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(c.name);
            ASSERT_TRUE(DiskActivity::checkAllReadWrite(c.h, *other, kept));
            const auto fresh = DiskActivity::checkAllReadWrite(c.h, *other);
            EXPECT_EQ(kept.disks, fresh->disks);
            EXPECT_EQ(kept.all, fresh->all);
        }
    }
}

TEST(DiskActivity, graphDeltasNewestFirstWithTheirMaxima)
{
    const History<DiskSample> h = test::historyOf({
        sample({{"sda", {0, 0}}, {"sdb", {0, 0}}}),
        sample({{"sda", {400, 100}}, {"sdb", {50, 0}}}),
        sample({{"sda", {300, 150}}, {"sdb", {60, 0}}}), // sda's read counter went back
        sample({{"sdb", {70, 30}}, {"sda", {500, 150}}}), // listed in another order
        sample({{"sda", {600, 160}}}),                   // sdb gone
    });
    using D = std::vector<std::pair<int64_t, int64_t>>;
    const struct {
        const char *key;
        std::size_t maxCount;
        D deltas;
        int64_t maxRead, maxWrite;
    } cases[] = {
        {"/dev/sda", 10, {{100, 10}, {200, 0}, {0, 50}, {400, 100}}, 400, 100},
        {"/dev/sdb", 10, {{0, 0}, {10, 30}, {10, 0}, {50, 0}}, 50, 30},
        {"all", 10, {{100, 10}, {210, 30}, {10, 50}, {450, 100}}, 450, 100},
        // Only the samples that fit set the scale.
        {"all", 2, {{100, 10}, {210, 30}}, 210, 30},
        {"/dev/sdz", 10, {{0, 0}, {0, 0}, {0, 0}, {0, 0}}, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.key) + " " + std::to_string(c.maxCount));
        const DiskGraphSeries s = DiskActivity::graphSeries(h, c.key, c.maxCount);
        EXPECT_EQ(s.deltas, c.deltas);
        EXPECT_EQ(s.maxRead, c.maxRead);
        EXPECT_EQ(s.maxWrite, c.maxWrite);
    }
    EXPECT_TRUE(DiskActivity::graphSeries(test::historyOf({sample({{"sda", {1, 1}}})}), "all", 10).deltas.empty());
}

TEST(DiskGraph, barsOfEachModeScaledSeparately)
{
    // Two samples, newest first: read at its maximum and write idle, then the reverse.
    DiskGraphSeries series;
    series.deltas = {{800, 0}, {0, 50}};
    series.maxRead = 800;
    series.maxWrite = 50;
    DiskSettings s = DiskSettings::from(diskDefaults());
    // Frame 4 wide, 20 high: half 10, a full bar is 9 units, an idle one 1.
    struct Probe {
        double x, y;
        bool read; // which colour is expected there (else transparent)
        bool drawn;
    };
    const struct {
        int mode;
        std::vector<Probe> probes;
    } cases[] = {
        // Default: read rises from the middle line, write from the bottom.
        {1, {{3, 10.5, true, true}, {3, 18.5, true, true}, {3, 19.5, false, false}, {3, 0.5, false, true},
             {3, 1.5, false, false}, {1, 10.5, true, true}, {1, 11.5, false, false}, {1, 8.5, false, true}}},
        // Opposed: read hangs from the top.
        {2, {{3, 19.5, true, true}, {3, 11.5, true, true}, {3, 10.5, false, false}, {1, 19.5, true, true},
             {1, 18.5, false, false}}},
        // Centred: write grows down from the middle line.
        {3, {{3, 10.5, true, true}, {3, 9.5, false, true}, {3, 8.5, false, false}, {1, 9.5, false, true},
             {1, 1.5, false, true}, {1, 0.5, false, false}}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        s.graphMode = c.mode;
        QImage image(4, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        double left = 0;
        {
            QPainter p(&image);
            OrbCanvas canvas(p, 20);
            left = ImageDiskBar::orbDrawDiskGraph(canvas, series, s, QRectF(4, 0, 4, 20), false);
        }
        EXPECT_EQ(left, 0.0);
        for (const Probe &pr : c.probes) {
            const QColor got = image.pixelColor(int(pr.x), int(20 - pr.y));
            if (!pr.drawn)
                EXPECT_EQ(got.alpha(), 0) << pr.x << "," << pr.y;
            else
                EXPECT_TRUE(test::sameColour(got, pr.read ? kRead : kWrite)) << pr.x << "," << pr.y << " " << qPrintable(got.name());
        }
    }
    // Too many samples for the frame: the width runs out, never below zero.
    series.deltas.assign(10, {1, 1});
    QImage image(4, 20, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    OrbCanvas canvas(p, 20);
    EXPECT_EQ(ImageDiskBar::orbDrawDiskGraph(canvas, series, s, QRectF(4, 0, 4, 20), false), 0.0);
    series.deltas.resize(1);
    EXPECT_EQ(ImageDiskBar::orbDrawDiskGraph(canvas, series, s, QRectF(8, 0, 8, 20), false), 6.0);
}

TEST(DiskItemWidths, elementsRepeatPerDiskAndIconsOnlyWhenTheyCanBeDrawn)
{
    const struct {
        const char *name;
        QVariantMap settings;
        std::size_t disks;
        std::vector<double> widths;
    } cases[] = {
        {"indicator for each of three disks", {{"Disk_Display_Indicator", true}}, 3, {8, 8, 8}},
        {"total mode draws once", {{"Disk_Display_Indicator", true}, {"Disk_ShowEachDisk", false}}, 3, {8}},
        {"indicator labels", {{"Disk_Display_Indicator", true}, {"DiskInnerIndicatorLabelWidth", 12.0}}, 1, {20}},
        {"no label strings, no label width",
         {{"Disk_Display_Indicator", true}, {"DiskInnerIndicatorLabelWidth", 12.0}, {"Disk_Indicator_LabelAry", QStringList{}}},
         1, {8}},
        {"graph and text with labels",
         {{"Disk_Display_Graph", true}, {"Disk_Display_Text", true}, {"DiskInnerGraphLabelWidth", 7.0},
          {"DiskInnerTextLabelWidth", 9.0}, {"DiskItemSortArray", QVariantList{3, 2}}},
         2, {63, 37, 63, 37}},
        {"icons in per-disk mode", {{"Disk_Display_Indicator", true}, {"Disk_WithDiskIconInBackground", true}}, 2,
         {14, 8, 14, 8}},
        {"no icons in total mode",
         {{"Disk_Display_Indicator", true}, {"Disk_WithDiskIconInBackground", true}, {"Disk_ShowEachDisk", false}}, 2,
         {8}},
        {"no icons when they cannot be drawn",
         {{"Disk_Display_Indicator", true}, {"Disk_WithDiskIconInBackground", true}, {"DiskInnerIconAbleToBeBol", false}},
         1, {8}},
        {"icons alone", {{"Disk_WithDiskIconInBackground", true}}, 2, {14, 14}},
        {"unknown and repeated codes", {{"Disk_Display_Indicator", true}, {"DiskItemSortArray", QVariantList{7, 1, 1, 0}}},
         1, {8}},
        {"nothing shown", {}, 3, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QVariantMap d = diskDefaults();
        for (auto it = c.settings.cbegin(); it != c.settings.cend(); ++it)
            d.insert(it.key(), it.value());
        const ElementWidths widths = Disk_MenuModule::elementWidthsFor(DiskSettings::from(d), c.disks);
        EXPECT_EQ(std::vector<double>(widths.begin(), widths.end()), c.widths);
    }
}

TEST_F(DiskItemTest, statusWidthAndImageFollowTheDisks)
{
    const History<DiskSample> h = test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {1, 1}}})});
    // Three disks of (8 + 2) with the label image: 30 + 9.
    Disk_MenuModule &m = item({{"Disk_Display_Indicator", true}, {"Disk_ShowMyLabel", true}}, h);
    EXPECT_DOUBLE_EQ(m.statusWidth(), 39.0);
    EXPECT_EQ(image().width(), 78);
    item({{"Disk_Display_Indicator", true}}, h, base({"sda"}));
    EXPECT_DOUBLE_EQ(module->statusWidth(), 8.0) << "the last gap is dropped without the label";
}

TEST_F(DiskItemTest, lampsLightForActiveDisksInNameOrder)
{
    // Only sda reads and only sdb writes; kernel order sdb, nvme0n1, sda is drawn as
    // nvme0n1, sda, sdb.
    const History<DiskSample> h =
        test::historyOf({sample({{"sdb", {0, 0}}, {"nvme0n1", {0, 0}}, {"sda", {0, 0}}}),
                 sample({{"sdb", {0, 4096}}, {"nvme0n1", {0, 0}}, {"sda", {512, 0}}})});
    item({{"Disk_Display_Indicator", true}}, h);
    const QImage img = image();
    ASSERT_EQ(img.width(), 2 * (3 * 10 - 2));
    // Lamp k spans 16 pixels from k × 20; the read lamp's centre is row 10, the write lamp's row 30.
    const struct {
        int disk;
        QColor read, write;
    } expected[] = {{0, kBack, kBack}, {1, kRead, kBack}, {2, kBack, kWrite}};
    for (const auto &e : expected) {
        SCOPED_TRACE(e.disk);
        EXPECT_TRUE(test::sameColour(img.pixelColor(e.disk * 20 + 8, 10), e.read)) << qPrintable(img.pixelColor(e.disk * 20 + 8, 10).name());
        EXPECT_TRUE(test::sameColour(img.pixelColor(e.disk * 20 + 8, 30), e.write));
    }
    EXPECT_EQ(module->statusItem()->toolTipText(), "Read: 0.5KB/s  Write: 4.1KB/s");
}

TEST_F(DiskItemTest, anUnchangedPictureIsNotDrawnAgainButEveryChangeIs)
{
    test::RecordingStatusHost recording;
    Disk_MenuModule m(nullptr);
    QVariantMap d = diskDefaults();
    d.insert("Disk_Display_Indicator", true);
    d.insert("Disk_Display_Text", true);
    m.setMyDefaults(d);
    m.initDrawStatusBar(recording);
    auto *item = static_cast<test::RecordingStatusItem *>(m.statusItem());
    const auto b = base({"sda"});
    // Each step hands over a new history; the reading, not the history's identity, decides.
    History<DiskSample> h = test::historyOf({sample({{"sda", {0, 0}}})});
    const auto pass = [&](const DiskCounters &next) {
        h = h.appended(sample({{"sda", next}}));
        SensorData data;
        data.disk = h;
        data.diskBase = b;
        m.setSensorData(data);
        m.refreshBar();
        return item->imagesSet;
    };
    EXPECT_EQ(pass({0, 0}), 1);
    EXPECT_EQ(pass({0, 0}), 1) << "idle again: the same lamps and texts";
    EXPECT_EQ(pass({0, 2048}), 2) << "a write lights the lamp";
    const QImage writing = item->image();
    EXPECT_EQ(pass({0, 4096}), 2) << "the same rate";
    EXPECT_EQ(pass({0, 8192}), 3) << "another rate, another text";
    EXPECT_NE(item->image(), writing);

    // The highlight of an open menu, new settings and another size are changes too.
    m.menuWillOpen();
    EXPECT_EQ(item->imagesSet, 4);
    m.menuDidClose();
    EXPECT_EQ(item->imagesSet, 5);
    d.insert("D02", QColor(0, 0, 200));
    m.setMyDefaults(d);
    EXPECT_EQ(pass({0, 12288}), 6);

    // The graph moves with every sample: each pass draws.
    d.insert("Disk_Display_Graph", true);
    m.setMyDefaults(d);
    EXPECT_EQ(pass({0, 12288}), 7);
    EXPECT_EQ(pass({0, 12288}), 8);
}

TEST_F(DiskItemTest, resetCounterShowsIdleInsteadOfAHugeRate)
{
    const History<DiskSample> h = test::historyOf({sample({{"sda", {900000000, 5}}}), sample({{"sda", {1000, 5}}})});
    item({{"Disk_Display_Indicator", true}, {"Disk_Display_Text", true}}, h, base({"sda"}));
    EXPECT_TRUE(test::sameColour(image().pixelColor(8, 10), kBack));
    EXPECT_EQ(module->statusItem()->toolTipText(), "Read: 0.0B/s  Write: 0.0B/s");
}

TEST_F(DiskItemTest, graphIsUnderlinedWhereNoSampleReached)
{
    const History<DiskSample> h = test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {10, 10}}})});
    item({{"Disk_Display_Graph", true}}, h, base({"sda"}));
    const QImage img = image();
    ASSERT_EQ(img.width(), 60);
    // One sample at the right edge (two pixels: read above the middle, write at the bottom),
    // the empty underline over the rest at the bottom inset.
    EXPECT_TRUE(test::sameColour(img.pixelColor(59, 19), kRead));
    EXPECT_TRUE(test::sameColour(img.pixelColor(59, 35), kWrite));
    EXPECT_TRUE(test::sameColour(img.pixelColor(10, 35), kEmpty));
    EXPECT_EQ(img.pixelColor(10, 20).alpha(), 0);
}

TEST_F(DiskItemTest, menuGraphHasNoLabelsAndShowsAllDisks)
{
    QTemporaryDir bin;
    test::writeExecutable(bin.path() + "/gnome-disks", "#!/bin/sh\nexit 0\n");
    AppLauncher::setSearchPath({bin.path()});
    const History<DiskSample> h = test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {10, 10}}})});
    Disk_MenuModule &m = item({{"Disk_Display_Indicator", true}, {"Disk_Indicator_LabelAry", QStringList{"R:", "W:"}},
                               {"DiskInnerIndicatorLabelWidth", 12.0}},
                              h);
    m.drawBaseStatusBar();
    m.menuWillOpen();
    const DiskSettings menu = DiskSettings::from(m.mnDefaultsTmp());
    EXPECT_FALSE(menu.showEachDisk);
    EXPECT_TRUE(menu.showGraph);
    EXPECT_FALSE(menu.showIndicator);
    EXPECT_TRUE(menu.indicatorLabels.isEmpty());
    EXPECT_EQ(menu.graphWidth, 360.0);
    QList<int> tags;
    for (const QAction *a : m.statusMenu()->actions())
        tags.append(BaseMenuItems::tag(a));
    EXPECT_TRUE(tags.contains(Disk_MenuModule::kDiskUtilityTag)) << "gnome-disks is installed";
    m.menuDidClose();

    AppLauncher::setSearchPath({QTemporaryDir().path()});
    m.drawBaseStatusBar();
    tags.clear();
    for (const QAction *a : m.statusMenu()->actions())
        tags.append(BaseMenuItems::tag(a));
    EXPECT_FALSE(tags.contains(Disk_MenuModule::kDiskUtilityTag)) << "no disk utility, no item";
    AppLauncher::setSearchPath({});
}

// The gauge's full scale is the busiest interval still in the history: an old burst stops
// counting once its interval has slid out, and a history that did not grow from the one
// before (a restarted sampler) is looked at afresh.
TEST_F(DiskItemTest, compactGaugeScalesToTheBusiestIntervalStillInTheHistory)
{
    History<DiskSample> h = test::historyOf({sample({{"sda", {0, 0}}})});
    int64_t read = 0;
    Disk_MenuModule *m = &item({}, h);
    const auto pass = [&](int64_t bytes) {
        read += bytes;
        h = h.appended(sample({{"sda", {read, 0}}}));
        SensorData data;
        data.disk = h;
        data.diskBase = base();
        m->setSensorData(data);
        m->refreshBar();
        return m->statusItem()->headline().fraction;
    };
    EXPECT_DOUBLE_EQ(pass(4000000), 1.0) << "the burst";
    // 1 MB/s against the 4 MB/s burst until its interval leaves the 512 readings; the
    // history's storage is copied once on the way (at 1,024 appends).
    for (std::size_t readings = 3; readings <= 1100; ++readings) {
        const double expected = readings <= History<DiskSample>::kCapacity ? 0.25 : 1.0;
        ASSERT_DOUBLE_EQ(pass(1000000), expected) << readings << " readings";
    }
    EXPECT_DOUBLE_EQ(pass(3000000), 1.0) << "a new burst";
    EXPECT_DOUBLE_EQ(pass(1000000), 1.0 / 3.0);
    EXPECT_DOUBLE_EQ(pass(3000000), 1.0) << "as busy as the last burst";

    h = test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {500000, 0}}}), sample({{"sda", {1000000, 0}}})});
    read = 1000000;
    EXPECT_DOUBLE_EQ(pass(500000), 0.5) << "a new history knows nothing of the old bursts";
}

TEST_F(DiskItemTest, textsAfterEveryPassAreAFreshItems)
{
    // Idle spells (the same counters again), bursts on one disk or both, a disk that goes,
    // a history that starts again, a change of colours and one of the texts' labels: after
    // each pass the tool tip and headline are what a new item shows for the same data.
    QVariantMap settings = test::overlaid(diskDefaults(), {{"Disk_Display_Text", true}});
    History<DiskSample> h = test::historyOf({sample({{"sda", {0, 0}}, {"sdb", {0, 0}}})});
    std::shared_ptr<const DiskBase> b = base({"sda", "sdb"});
    Disk_MenuModule &m = item({{"Disk_Display_Text", true}}, h, b);
    DiskCounters sda, sdb;
    uint32_t seed = 11;
    const auto next = [&seed](uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    for (int reading = 0; reading < 80; ++reading) {
        if (reading == 30)
            settings = test::overlaid(settings, {{"D01", QColor(0, 0, 200)}, {"D02", QColor(200, 0, 0)}});
        if (reading == 50)
            settings = test::overlaid(settings, {{"Disk_Text_LabelAry", QStringList{"R", "W"}}});
        if (reading == 30 || reading == 50)
            m.setMyDefaults(settings);
        if (reading == 60)
            b = base({"sda"});
        // The history starts again on an idle pass after an idle pass: the rates stay and
        // only the busiest interval falls.
        const bool idle = reading == 69 || reading == 70;
        if (reading == 70)
            h = test::historyOf({sample({{"sda", sda}})});
        switch (idle ? 5 : next(6)) {
        case 0: sda.read += static_cast<int64_t>(next(4) + 1) * 1000000; break;
        case 1: sdb.written += static_cast<int64_t>(next(300)) * 4096; break;
        case 2: sda.written += 4096; sdb.read += 8192; break;
        default: break; // idle
        }
        h = h.appended(reading >= 60 ? sample({{"sda", sda}}) : sample({{"sda", sda}, {"sdb", sdb}}));
        SensorData data;
        data.disk = h;
        data.diskBase = b;
        test::expectTextsOfAFreshItemAfterPass(host, m, settings, data, "reading " + std::to_string(reading));
    }
}

TEST_F(DiskItemTest, compactHeadlineIsAllDisksAgainstTheBusiestInterval)
{
    struct Case {
        const char *name;
        History<DiskSample> samples;
        double fraction; // below 0: no gauge
        const char *label;
        const char *figure;
        QColor colour;
    };
    const Case cases[] = {
        {"the newest interval is the busiest",
         test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {1200000, 40000}}})}), 1.0, "R1.2M W40K", "1.2M", kRead},
        {"a quarter of an earlier burst",
         test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {4000000, 0}}}), sample({{"sda", {5000000, 0}}})}), 0.25,
         "R1.0M W0", "1.0M", kRead},
        {"writing: the write colour",
         test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {0, 2000000}}}), sample({{"sda", {500000, 3000000}}})}),
         0.75, "R500K W1.0M", "1.5M", kWrite},
        {"every disk counts",
         test::historyOf({sample({{"sda", {0, 0}}, {"sdb", {0, 0}}}), sample({{"sda", {1000000, 0}}, {"sdb", {0, 1000000}}})}),
         1.0, "R1.0M W1.0M", "2.0M", kRead},
        {"a burst over two seconds counts per second",
         test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {4000000, 0}}}, 2.0), sample({{"sda", {5000000, 0}}})}), 0.5,
         "R1.0M W0", "1.0M", kRead},
        {"idle disks fill 1 MB/s at the least", test::historyOf({sample({{"sda", {0, 0}}}), sample({{"sda", {0, 250000}}})}), 0.25,
         "R0 W250K", "250K", kWrite},
        {"a counter that went back is no activity",
         test::historyOf({sample({{"sda", {10000000, 0}}}), sample({{"sda", {0, 0}}})}), 0.0, "R0 W0", "0", kRead},
        {"one sample: no rate yet", test::historyOf({sample({{"sda", {5, 5}}})}), -1.0, "DISK --", "", QColor()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TrayHeadline h = item({}, c.samples).statusItem()->headline();
        EXPECT_EQ(h.label, QLatin1String(c.label));
        EXPECT_EQ(h.hasGauge(), c.fraction >= 0.0);
        if (c.fraction < 0.0)
            continue;
        EXPECT_NEAR(h.fraction, c.fraction, 1e-9);
        EXPECT_EQ(h.figure, QLatin1String(c.figure));
        EXPECT_TRUE(test::sameColour(h.colour, c.colour));
    }
    const TrayHeadline h = item({}, cases[0].samples).statusItem()->headline();
    EXPECT_EQ(h.toolTip, "Read 1.2MB/s\nWrite 40.0KB/s\nBusiest 1.2MB/s");
    // Without a disk description there is nothing to show.
    EXPECT_EQ(item({}, cases[0].samples, nullptr).statusItem()->headline(), TrayHeadline{});
}
