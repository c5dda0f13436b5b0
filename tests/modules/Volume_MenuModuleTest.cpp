#include "ItemTestSupport.h"
#include "TestEnvironment.h"
#include "TextInk.h"
#include "collect/VolumeBase.h"
#include "modules/BaseMenuItems.h"
#include "modules/volume/ImageVolumeBar.h"
#include "modules/volume/VolumeFigures.h"
#include "modules/volume/Volume_MenuController.h"
#include "modules/volume/Volume_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"
#include "settings/FontCatalog.h"

#include <QMenu>
#include <gtest/gtest.h>

using namespace orb;

namespace {

const QColor kUsed(0, 120, 220), kFree(210, 210, 210), kBarFrame(60, 60, 60), kCircleFrame(90, 90, 90),
    kLow(0, 180, 0), kWarn(230, 200, 0), kCrit(220, 0, 0), kEmpty(128, 128, 128);

QVariantMap volumeDefaults()
{
    return {{"VlmsItemSortArray", QVariantList{1, 2, 3, 4, 5}},
            {"Vlms_Display_Graph", false},
            {"Vlms_Display_BarChart", false},
            {"Vlms_Display_CycleChart", false},
            {"Vlms_Display_Text", false},
            {"Vlms_Display_Percent", false},
            {"Vlms_ShowEachDisk", true},
            {"Vlms_HideNetworkVols", false},
            {"Vlms_WithDiskIconInBackground", false},
            {"Vlms_ShowMyLabel", false},
            {"VlmsInnerIconAbleToBeBol", true},
            {"Vlms_GraphWidth", 30},
            {"Volume_Padding", 2.0},
            {"Vlms_Percent_Mode", 1},
            {"Vlms_Text_LabelAry", QStringList{"U", "F"}},
            {"VlmsInnerTextLabelWidth", 7.0},
            {"VlmsInnerPercentWidth", 24.0},
            {"_FontPostScriptName", "DejaVuSansMono-Bold"},
            {"_FontSizeDiff", 0},
            {"_FontAdjust", 0},
            {"PrefName", "Volume"},
            {"E01", kUsed}, {"E02", kFree}, {"E03", kBarFrame}, {"E04", kCircleFrame},
            {"E05", kLow}, {"E06", kWarn}, {"E07", kCrit},
            {"Z01", QColor(0, 0, 0, 0)}, {"Z03", kEmpty}};
}

VolumeEntry entry(const QString &path, bool network = false)
{
    VolumeEntry v;
    v.mountPath = path;
    v.volumeName = path == "/" ? QStringLiteral("System") : path.mid(path.lastIndexOf('/') + 1);
    v.isNetworkVol = network;
    v.bsdName = network ? QStringLiteral("nas:/export") : QStringLiteral("sda1");
    v.bsdPath = network ? QString() : QStringLiteral("/dev/sda1");
    v.fileType = network ? QStringLiteral("nfs4") : QStringLiteral("ext4");
    return v;
}

// "/", "/home" and a network share, listed in mount order (not the drawing order).
std::shared_ptr<const VolumeBase> base(std::vector<VolumeEntry> volumes = {entry("/home"), entry("/"),
                                                                           entry("/mnt/nas", true)})
{
    auto b = std::make_shared<VolumeBase>();
    b->volumes = std::move(volumes);
    return b;
}

VolumeSample sample(std::initializer_list<std::pair<const char *, VolumeUsage>> volumes, VolumeUsage all = {})
{
    VolumeSample s;
    for (const auto &[p, u] : volumes)
        s.volumes.emplace_back(QString::fromUtf8(p), u);
    s.all = all;
    return s;
}

constexpr int64_t GB = 1000 * 1000 * 1000;

// / half full, /home three quarters, the share nine tenths.
const VolumeSample kTypical = sample({{"/home", {400 * GB, 300 * GB, 100 * GB}},
                                      {"/", {200 * GB, 100 * GB, 100 * GB}},
                                      {"/mnt/nas", {1000 * GB, 900 * GB, 100 * GB}}},
                                     {1600 * GB, 1300 * GB, 300 * GB});

class VolumeItemTest : public ::testing::Test {
protected:
    Volume_MenuModule &item(const QVariantMap &overrides, const History<VolumeSample> &h,
                            std::shared_ptr<const VolumeBase> b = base())
    {
        SensorData data;
        data.volume = h;
        data.volumeBase = std::move(b);
        module = test::shownItem<Volume_MenuModule>(host, test::overlaid(volumeDefaults(), overrides), data);
        return *module;
    }
    QImage image() const { return module->statusItem()->image(); }

    test::ScopedHome home;
    OffscreenHost host;
    std::unique_ptr<Volume_MenuModule> module;
};

} // namespace

// The item works the figures out into the spare set after each pass, with the shown set as
// the one whose texts may be kept, and then swaps the two. Over bases and samples that come
// and go, each result is the one worked out afresh, measured widths included; paths that
// differ only in case stay in the base's order.
TEST(VolumeFigureTable, figuresFilledInPlacePassAfterPassAreTheFreshOnes)
{
    const VolumeSettings settings = VolumeSettings::from(volumeDefaults());
    const std::shared_ptr<const VolumeBase> bases[] = {
        base(),
        base({entry("/data"), entry("/"), entry("/Data")}),
        base({entry("/Data"), entry("/data"), entry("/mnt/nas", true)}),
    };
    const VolumeSample samples[] = {
        kTypical,
        sample({{"/", {200 * GB, 101 * GB, 99 * GB}}, {"/data", {10 * GB, 1 * GB, 9 * GB}}, {"/Data", {20, 10, 10}}},
               {200 * GB, 101 * GB, 99 * GB}),
        sample({{"/Data", {20, 11, 9}}, {"/data", {10 * GB, 2 * GB, 8 * GB}}, {"/mnt/nas", {1000 * GB, 901 * GB, 99 * GB}}}),
    };
    VolumeFigures shown, spare;
    History<VolumeSample> h;
    std::optional<bool> measuredBefore; // kept texts come only from figures measured alike
    for (int pass = 0; pass < 24; ++pass) {
        SCOPED_TRACE("pass " + std::to_string(pass));
        const auto &b = bases[(pass / 3) % 3];
        h = h.appended(samples[(pass * 7 / 2) % 3]);
        const bool measure = pass % 8 < 5;
        const auto fresh = VolumeFigureTable::checkUsedFree(h, b.get(), measure, settings);
        ASSERT_TRUE(fresh);
        const VolumeFigures *kept = measuredBefore == measure ? &shown : nullptr;
        ASSERT_TRUE(VolumeFigureTable::checkUsedFree(h, b.get(), measure, settings, kept, spare));
        std::swap(shown, spare);
        measuredBefore = measure;
        EXPECT_EQ(shown.volumes, fresh->volumes);
        EXPECT_EQ(shown.all, fresh->all);
        QStringList paths;
        for (const VolumeFigure &v : shown.volumes)
            paths << v.path;
        if (b == bases[1] && paths.contains("/Data") && paths.contains("/data"))
            EXPECT_LT(paths.indexOf("/data"), paths.indexOf("/Data"));
        if (b == bases[2] && paths.contains("/Data") && paths.contains("/data"))
            EXPECT_LT(paths.indexOf("/Data"), paths.indexOf("/data"));
    }
}

TEST(VolumeFigureTable, oneListOfPathsInBothTheBaseAndTheNewestSample)
{
    const auto b = base({entry("/home"), entry("/"), entry("/gone"), entry("/Data")});
    // /new is in the sample but not the base; /gone in the base but not the sample.
    const auto h = test::historyOf({sample({{"/", {100, 10, 90}}, {"/home", {100, 50, 50}}}, {200, 60, 140}),
                            sample({{"/", {100, 10, 90}}, {"/home", {100, 60, 40}}, {"/new", {5, 1, 4}}, {"/Data", {0, 0, 0}}},
                                   {200, 70, 130})});
    const auto f = VolumeFigureTable::checkUsedFree(h, b.get(), false, VolumeSettings::from(volumeDefaults()));
    ASSERT_TRUE(f);
    QStringList paths;
    for (const VolumeFigure &v : f->volumes)
        paths << v.path;
    EXPECT_EQ(paths, (QStringList{"/", "/Data", "/home"})) << "case-insensitive order, only paths in both";
    const struct {
        QString path;
        bool changed;
        double fraction;
    } cases[] = {{"/", false, 0.1}, {"/home", true, 0.6}, {"/Data", false, 0.0}, {"all", true, 0.35}};
    for (const auto &c : cases) {
        const VolumeFigure *v = f->find(c.path);
        ASSERT_NE(v, nullptr) << qPrintable(c.path);
        EXPECT_EQ(v->changed, c.changed) << qPrintable(c.path);
        EXPECT_DOUBLE_EQ(v->usedFraction(), c.fraction) << qPrintable(c.path);
    }
    EXPECT_EQ(f->fullest()->path, "/home");
    EXPECT_FALSE(VolumeFigureTable::checkUsedFree(History<VolumeSample>(), b.get(), false,
                                                  VolumeSettings::from(volumeDefaults())));
}

TEST(VolumeItem, elementWidthsForEachDisplayAndMode)
{
    VolumeFigures f;
    for (const auto &[path, width, network] : {std::tuple{"/", 20.0, false}, {"/home", 31.0, false}, {"/mnt/nas", 25.0, true}}) {
        VolumeFigure v;
        v.path = path;
        v.textWidth = width;
        v.network = network;
        f.volumes.push_back(v);
    }
    f.all.textWidth = 33.0;
    const struct {
        const char *what;
        QVariantMap overrides;
        std::vector<double> widths;
    } cases[] = {
        {"level bar per volume", {{"Vlms_Display_BarChart", true}}, {8, 8, 8}},
        {"level bar, network hidden", {{"Vlms_Display_BarChart", true}, {"Vlms_HideNetworkVols", true}}, {8, 8}},
        {"total mode ignores hiding", {{"Vlms_Display_BarChart", true}, {"Vlms_ShowEachDisk", false}, {"Vlms_HideNetworkVols", true}}, {8}},
        {"text takes each volume's own width", {{"Vlms_Display_Text", true}, {"Vlms_HideNetworkVols", true}}, {27, 38}},
        {"text in total mode", {{"Vlms_Display_Text", true}, {"Vlms_ShowEachDisk", false}}, {40}},
        {"no labels, no label width", {{"Vlms_Display_Text", true}, {"Vlms_ShowEachDisk", false}, {"Vlms_Text_LabelAry", QStringList{"U"}}}, {33}},
        {"user order, circle as high as the inner height",
         {{"VlmsItemSortArray", QVariantList{5, 3, 1}}, {"Vlms_Display_Percent", true}, {"Vlms_Display_CycleChart", true},
          {"Vlms_Display_Graph", true}, {"Vlms_ShowEachDisk", false}},
         {24, 16, 30}},
        {"icons before each volume",
         {{"Vlms_Display_BarChart", true}, {"Vlms_WithDiskIconInBackground", true}, {"Vlms_HideNetworkVols", true}},
         {14, 8, 14, 8}},
    };
    for (const auto &c : cases) {
        QVariantMap d = volumeDefaults();
        for (auto it = c.overrides.cbegin(); it != c.overrides.cend(); ++it)
            d.insert(it.key(), it.value());
        const ElementWidths widths = Volume_MenuModule::elementWidthsFor(VolumeSettings::from(d), f, 16.0);
        EXPECT_EQ(std::vector<double>(widths.begin(), widths.end()), c.widths) << c.what;
    }
}

TEST_F(VolumeItemTest, statusWidthFollowsTheDrawnVolumes)
{
    const auto h = test::historyOf({kTypical});
    const struct {
        QVariantMap overrides;
        double width;
    } cases[] = {
        {{{"Vlms_Display_BarChart", true}}, 3 * 10 - 2},
        {{{"Vlms_Display_BarChart", true}, {"Vlms_HideNetworkVols", true}}, 2 * 10 - 2},
        {{{"Vlms_Display_BarChart", true}, {"Vlms_ShowMyLabel", true}}, 3 * 10 + 9},
        {{{"Vlms_Display_Percent", true}, {"Vlms_ShowEachDisk", false}}, 24},
    };
    for (const auto &c : cases) {
        item(c.overrides, h);
        EXPECT_DOUBLE_EQ(module->statusWidth(), c.width);
        EXPECT_EQ(image().width(), static_cast<int>(2 * c.width));
    }
}

TEST_F(VolumeItemTest, levelBarsFillWithUsageInPathOrder)
{
    // Drawn as /, /home, /mnt/nas: half, three quarters and nine tenths used; bars 16 pixels
    // wide every 20, inner rows 6..35 from the bottom.
    item({{"Vlms_Display_BarChart", true}}, test::historyOf({kTypical}));
    const QImage img = image();
    ASSERT_EQ(img.height(), 40);
    const struct {
        int volume;
        int row;
        QColor colour;
    } cases[] = {
        {0, 30, kUsed}, {0, 10, kFree},  // half: the lower half used
        {1, 15, kUsed}, {1, 8, kFree},   // three quarters
        {2, 8, kUsed},                   // nine tenths
    };
    for (const auto &c : cases)
        EXPECT_TRUE(test::sameColour(img.pixelColor(c.volume * 20 + 8, c.row), c.colour))
            << c.volume << " row " << c.row << " " << qPrintable(img.pixelColor(c.volume * 20 + 8, c.row).name());
}

TEST_F(VolumeItemTest, graphColumnsOfAFullAndAnEmptyVolume)
{
    // Newest on the right: full, then empty before it; graded colours on. The sum follows the
    // same history, so the total graph looks the same.
    const auto h = test::historyOf({sample({{"/", {100, 0, 100}}}, {100, 0, 100}), sample({{"/", {100, 100, 0}}}, {100, 100, 0})});
    for (bool each : {true, false}) {
        SCOPED_TRACE(each ? "per volume" : "total");
        item({{"Vlms_Display_Graph", true}, {"Vlms_ColoredValue", true}, {"Vlms_ShowEachDisk", each}}, h,
             base({entry("/")}));
        const QImage img = image();
        ASSERT_EQ(img.width(), 60);
        for (int row : {5, 20, 34}) {
            EXPECT_TRUE(test::sameColour(img.pixelColor(59, row), kCrit)) << "full column, row " << row;
            EXPECT_TRUE(test::sameColour(img.pixelColor(57, row), kFree)) << "empty column, row " << row;
        }
        EXPECT_TRUE(test::sameColour(img.pixelColor(10, 35), kEmpty)) << "no samples yet: the underline";
    }
}

TEST_F(VolumeItemTest, headlinesNameTheTotalOrTheFullestDrawnVolume)
{
    const struct {
        QVariantMap overrides;
        QString label;
        double fraction;
    } cases[] = {
        {{{"Vlms_Display_BarChart", true}}, "VOL 90%", 0.9},
        {{{"Vlms_Display_BarChart", true}, {"Vlms_HideNetworkVols", true}}, "VOL 75%", 0.75},
        {{{"Vlms_Display_BarChart", true}, {"Vlms_ShowEachDisk", false}}, "VOL 81%", 1300.0 / 1600.0},
    };
    for (const auto &c : cases) {
        item(c.overrides, test::historyOf({kTypical}));
        const TrayHeadline h = module->statusItem()->headline();
        EXPECT_EQ(h.label, c.label);
        EXPECT_DOUBLE_EQ(h.fraction, c.fraction);
        EXPECT_EQ(h.toolTip, "System: 50% used of 200.0GB\nhome: 75% used of 400.0GB\nnas: 90% used of 1000.0GB");
    }
    EXPECT_EQ(module->statusItem()->toolTipText(), "81% used of 1.60TB");
}

TEST_F(VolumeItemTest, nothingDrawnBeforeASampleOrWithoutVolumes)
{
    item({{"Vlms_Display_BarChart", true}}, History<VolumeSample>());
    EXPECT_FALSE(module->statusItem()->headline().hasGauge());
    EXPECT_DOUBLE_EQ(module->statusWidth(), 0.0);
    item({{"Vlms_Display_BarChart", true}}, test::historyOf({sample({})}), base({}));
    EXPECT_DOUBLE_EQ(module->statusWidth(), 0.0);
}

TEST_F(VolumeItemTest, menuRowsDescribeEveryVolume)
{
    VolumeEntry stick = entry("/media/anna/<b>Photos</b> & more");
    stick.volumeName = "<b>Photos</b> & more";
    stick.isUnmountable = true;
    stick.udisksPath = "/org/freedesktop/UDisks2/block_devices/sdb1";
    stick.bsdPath = "/dev/sdb1";
    stick.fileType = "vfat";
    const auto b = base({entry("/"), entry("/mnt/nas", true), stick});
    const auto h = test::historyOf({sample({{"/", {200 * GB, 100 * GB, 100 * GB}},
                                    {"/mnt/nas", {0, 0, 0}},
                                    {"/media/anna/<b>Photos</b> & more", {1000 * GB, 250 * GB, 750 * GB}}},
                                   {1200 * GB, 350 * GB, 850 * GB})});
    QImage boot(8, 8, QImage::Format_ARGB32);
    boot.fill(Qt::red);
    Volume_MenuModule &m =
        item({{"Vlms_Display_BarChart", true}, {"Vlms_HideNetworkVols", true}, {"M11", boot}}, h, b);
    m.drawBaseStatusBar();
    m.menuWillOpen();
    m.redrawStatusItem();
    const QList<Volume_MenuController *> rows = m.volumeMenus();
    ASSERT_EQ(rows.size(), 3) << "every volume gets a row, hidden network volumes too";
    QList<int> tags;
    QStringList titles;
    for (const QAction *a : m.statusMenu()->actions())
        if (BaseMenuItems::tag(a) >= Volume_MenuModule::kFirstVolumeTag) {
            tags << BaseMenuItems::tag(a);
            titles << a->text();
        }
    EXPECT_EQ(tags, (QList<int>{301, 302, 303}));
    EXPECT_EQ(titles[1], "/media/anna/<b>Photos</b> && more") << "a menu title doubles the ampersand";
    const struct {
        int row;
        QString name, detail1, detail2, percent, used;
        bool unmount, boot;
    } cases[] = {
        {0, "System", "ext4 :: /", "/dev/sda1", "50.0%", "100.0GB", false, true},
        {1, "<b>Photos</b> & more", "vfat :: /media/anna/<b>Photos</b> & more", "/dev/sdb1", "25.0%", "250.0GB", true, false},
        {2, "nas \U0001F30F", "nfs4 :: /mnt/nas", "nas:/export", "** ERROR **", "0Byte", false, false},
    };
    for (const auto &c : cases) {
        const Volume_MenuController *r = rows[c.row];
        EXPECT_EQ(r->nameText(), c.name) << c.row;
        EXPECT_EQ(r->detail1Text(), c.detail1) << c.row;
        EXPECT_EQ(r->detail2Text(), c.detail2) << c.row;
        EXPECT_EQ(r->percentText(), c.percent) << c.row;
        EXPECT_EQ(r->usedText(), c.used) << c.row;
        EXPECT_EQ(r->unmountEnabled(), c.unmount) << c.row;
        EXPECT_DOUBLE_EQ(r->unmountOpacity(), c.unmount ? 1.0 : 0.5) << c.row;
        EXPECT_EQ(r->bootImageShown(), c.boot) << c.row;
    }
    EXPECT_EQ(rows[0]->retToolTipString(), "ext4\n/\n/dev/sda1");
    EXPECT_FALSE(rows[1]->toolTip().contains("<b>")) << "the label's tags are shown as text: " << qPrintable(rows[1]->toolTip());
    EXPECT_TRUE(rows[1]->toolTip().contains("&lt;b&gt;Photos"));
    EXPECT_TRUE(m.statusItem()->headline().toolTip.contains("&lt;b&gt;Photos&lt;/b&gt; &amp; more: 25% used of 1000.0GB"))
        << qPrintable(m.statusItem()->headline().toolTip);
    EXPECT_DOUBLE_EQ(rows[2]->levelValue(), 0.0);
    EXPECT_DOUBLE_EQ(rows[1]->levelValue(), 0.25);
}

TEST_F(VolumeItemTest, openingARowHandsTheMountPathToTheFileManager)
{
    Volume_MenuModule &m = item({{"Vlms_Display_BarChart", true}}, test::historyOf({kTypical}));
    QStringList opened;
    m.openPath = [&](const QString &p) { opened << p; };
    m.drawBaseStatusBar();
    m.menuWillOpen();
    ASSERT_EQ(m.volumeMenus().size(), 3);
    m.volumeMenus()[1]->onOpen(m.volumeMenus()[1]->mntPath());
    EXPECT_EQ(opened, (QStringList{"/home"}));
}

TEST_F(VolumeItemTest, aNewVolumeBaseRebuildsTheRows)
{
    Volume_MenuModule &m = item({{"Vlms_Display_BarChart", true}}, test::historyOf({kTypical}));
    m.drawBaseStatusBar();
    ASSERT_EQ(m.volumeMenus().size(), 3);
    SensorData data;
    data.volume = test::historyOf({sample({{"/", {200 * GB, 100 * GB, 100 * GB}}}, {200 * GB, 100 * GB, 100 * GB})});
    data.volumeBase = base({entry("/")});
    m.setSensorData(data);
    EXPECT_EQ(m.volumeMenus().size(), 1);
    m.refreshBar();
    EXPECT_DOUBLE_EQ(m.statusWidth(), 8.0);
}

// The percent element: the used share in the usage colour, or with the other mode the free
// share in the free colour; per volume in path order, or once for the sum. Each element is
// 24 points (48 pixels) wide with 2 points between them; no shadow in these colours.
TEST_F(VolumeItemTest, percentTextShowsTheUsedOrFreeShare)
{
    const QFont font = FontCatalog::fontForName("DejaVuSansMono-Bold", 10);
    struct Case {
        const char *what;
        QVariantMap overrides;
        QColor colour;
        QStringList texts; // one per element, left to right
        QStringList wrong;
    };
    const Case cases[] = {
        {"used, sum", {{"Vlms_ShowEachDisk", false}}, kUsed, {"81%"}, {"19%", "82%", "80%"}},
        {"free, sum", {{"Vlms_ShowEachDisk", false}, {"Vlms_Percent_Mode", 2}}, kFree, {"19%"}, {"81%", "18%", "20%"}},
        {"used, each volume", {}, kUsed, {"50%", "75%", "90%"}, {"25%", "10%", "60%"}},
        {"free, each volume", {{"Vlms_Percent_Mode", 2}}, kFree, {"50%", "25%", "10%"}, {"75%", "90%", "20%"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QVariantMap overrides = c.overrides;
        overrides.insert("Vlms_Display_Percent", true);
        item(overrides, test::historyOf({kTypical}));
        const QImage img = image();
        ASSERT_EQ(img.width(), c.texts.size() * 52 - 4);
        for (qsizetype i = 0; i < c.texts.size(); ++i)
            EXPECT_EQ(test::readInk(img, QRect(int(i) * 52, 0, 48, 40), c.colour, font, c.texts + c.wrong), c.texts[i])
                << "element " << i;
    }
}

TEST_F(VolumeItemTest, keptFiguresAndTextsAreTheOnesWorkedOutAfresh)
{
    // Each reading changes one volume, or none; now and then a volume grows or goes; the font
    // changes between two spells. After each, the item's figures must be a fresh table's, and
    // its texts a fresh item's.
    History<VolumeSample> h = test::historyOf({kTypical});
    std::shared_ptr<const VolumeBase> b = base();
    QVariantMap settings = test::overlaid(volumeDefaults(), {{"Vlms_Display_Text", true}});
    Volume_MenuModule &m = item(settings, h, b);
    std::vector<std::pair<QString, VolumeUsage>> volumes = kTypical.volumes;
    uint32_t seed = 7;
    const auto next = [&seed](uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    for (int reading = 0; reading < 60; ++reading) {
        // The font changes on a reading that changes no size.
        const bool fontChange = reading == 30;
        if (fontChange) {
            settings = test::overlaid(settings, {{"_FontSizeDiff", 3}});
            m.setMyDefaults(settings);
        }
        const uint32_t what = fontChange ? 7 : next(9);
        auto &[path, usage] = volumes[next(static_cast<uint32_t>(volumes.size()))];
        if (what < 4) {
            const int64_t moved = static_cast<int64_t>(next(5) + 1) * GB;
            usage.used += moved;
            usage.free -= moved;
        } else if (what == 4) {
            usage.total += 100 * GB;
            usage.free += 100 * GB;
        } else if (what == 5) {
            usage.free -= GB; // blocks kept for the system: the free space alone moves
        } else if (what == 6 && volumes.size() > 1) {
            volumes.erase(volumes.begin() + static_cast<std::ptrdiff_t>(next(static_cast<uint32_t>(volumes.size()))));
        }
        VolumeSample s;
        s.volumes = volumes;
        for (const auto &[p, u] : volumes) {
            s.all.total += u.total;
            s.all.used += u.used;
            s.all.free += u.free;
        }
        h = h.appended(s);
        SensorData data;
        data.volume = h;
        data.volumeBase = b;
        test::expectTextsOfAFreshItemAfterPass(host, m, settings, data, "reading " + std::to_string(reading));
        const auto &kept = m.checkUsedFree();
        const auto fresh = VolumeFigureTable::checkUsedFree(h, b.get(), true, VolumeSettings::from(settings));
        ASSERT_TRUE(kept && fresh);
        const auto show = [](const VolumeFigure &f) {
            return QStringLiteral("%1 %2/%3/%4 %5 %6 %7 w%8 n%9 c%10").arg(f.path).arg(f.total).arg(f.used).arg(f.free)
                .arg(f.usedText, f.freeText, f.totalText).arg(f.textWidth).arg(f.network).arg(f.changed).toStdString();
        };
        EXPECT_EQ(kept->all, fresh->all) << "reading " << reading << "\n" << show(kept->all) << "\n" << show(fresh->all);
        EXPECT_EQ(kept->volumes, fresh->volumes) << "reading " << reading;
    }
}
