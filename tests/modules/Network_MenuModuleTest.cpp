#include "TestEnvironment.h"
#include "collect/NetworkBase.h"
#include "modules/BaseMenuItems.h"
#include "modules/network/ImageNetworkBar.h"
#include "modules/network/NetworkTraffic.h"
#include "modules/network/Network_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"

#include <QMenu>
#include <gtest/gtest.h>

using namespace orb;

namespace {

const QColor kUp(200, 0, 0), kDown(0, 0, 200), kLampFrame(90, 90, 90), kLampBack(230, 230, 230),
    kSignal(0, 160, 0), kNoise(250, 200, 0), kEmpty(128, 128, 128);

QVariantMap networkDefaults()
{
    return {{"NetworkItemSortArray", QVariantList{1, 2, 3, 4}},
            {"Network_Display_UdLabel", false},
            {"Network_Display_UdCircle", false},
            {"Network_Display_Graph", false},
            {"Network_Display_Text", false},
            {"Network_ShowMyLabel", false},
            {"Network_GraphWidth", 30},
            {"Network_Padding", 2.0},
            {"Network_UdLabel_ModeAry", QStringList{"Up", "Dw"}},
            {"Network_Graph_Mode", 1},
            {"Network_Text_Mode", 1},
            {"Network_Limen_Base", 1},
            {"NetworkInnerUdLabelWidth", 20.0},
            {"NetworkInnerTextWidth", 40.0},
            {"_FontPostScriptName", "DejaVuSansMono-Bold"},
            {"_FontSizeDiff", 0},
            {"_FontAdjust", 0},
            {"PrefName", "Network"},
            {"C01", kUp}, {"C02", kDown}, {"C03", kLampFrame}, {"C04", kLampBack}, {"C05", kSignal}, {"C06", kNoise},
            {"Z01", QColor(0, 0, 0, 0)}, {"Z03", kEmpty}};
}

NetworkSample at(int64_t up, int64_t down, double interval = 1.0, int64_t signal = 0, int64_t noise = 0)
{
    return NetworkSample{up, down, interval, signal, noise};
}

History<NetworkSample> history(std::initializer_list<NetworkSample> samples)
{
    History<NetworkSample> h;
    for (const NetworkSample &s : samples)
        h = h.appended(s);
    return h;
}

// Oldest first. The columns from the right: newest pair (upload 1024 B/s, exactly the idle
// threshold; download 40960 B/s, the largest rate, so the scale), the pair before it
// (upload 20480 B/s, half the scale; download idle) and the oldest pair (download 20480).
// Wi-Fi figures of the older entry of each pair: noise 50 % and signal 20 %.
History<NetworkSample> threeColumns()
{
    return history({at(0, 0, 1, 20, 50), at(0, 20480, 1, 20, 50), at(20480, 20480, 1, 20, 50),
                    at(20480 + 1024, 20480 + 40960, 1, 20, 50)});
}

bool same(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) <= 2 && std::abs(a.green() - b.green()) <= 2 && std::abs(a.blue() - b.blue()) <= 2
           && a.alpha() == 255;
}

bool contains(const QImage &image, const QColor &colour, int y0 = 0, int y1 = -1)
{
    if (y1 < 0)
        y1 = image.height();
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (same(image.pixelColor(x, y), colour))
                return true;
    return false;
}

// Rows of one pixel column holding `colour`, as a string of '#' and '.' from the top.
std::string column(const QImage &image, int x, const QColor &colour)
{
    std::string s;
    for (int y = 0; y < image.height(); ++y)
        s += same(image.pixelColor(x, y), colour) ? '#' : '.';
    return s;
}

// A column string with `colour` on rows [from, to).
std::string rows(int from, int to, int height = 40)
{
    std::string s(static_cast<size_t>(height), '.');
    for (int y = from; y < to; ++y)
        s[static_cast<size_t>(y)] = '#';
    return s;
}

class NetworkItemTest : public ::testing::Test {
protected:
    Network_MenuModule &item(const QVariantMap &overrides, const History<NetworkSample> &h = threeColumns(),
                             std::shared_ptr<const NetworkBase> base = nullptr)
    {
        QVariantMap d = networkDefaults();
        for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
            d.insert(it.key(), it.value());
        module = std::make_unique<Network_MenuModule>(nullptr);
        module->setMyDefaults(d);
        module->initDrawStatusBar(host);
        SensorData data;
        data.network = h;
        data.networkBase = std::move(base);
        module->setSensorData(data);
        module->refreshBar();
        return *module;
    }
    QImage image() const { return module->statusItem()->image(); }

    test::ScopedHome home;
    OffscreenHost host;
    std::unique_ptr<Network_MenuModule> module;
};

} // namespace

TEST(NetworkTraffic, RatesUseTheSecondsOfTheNewerSample)
{
    const struct {
        const char *what;
        History<NetworkSample> h;
        double up, down, interval;
    } cases[] = {
        {"no history", {}, -1, -1, 1},
        {"one sample is compared with itself", history({at(5000, 7000)}), 0, 0, 1},
        {"two seconds", history({at(1000, 1000), at(5000, 9000, 2)}), 2000, 4000, 2},
        {"a zero interval counts as one second", history({at(1000, 1000), at(5000, 9000, 0)}), 4000, 8000, 1},
        {"a negative interval too", history({at(0, 0), at(10, 20, -3)}), 10, 20, 1},
        {"totals going down give 0, never a negative rate", history({at(9000, 9000), at(5000, 9001)}), 0, 1, 1},
        {"only the two newest count", history({at(0, 0), at(1'000'000, 0), at(1'000'512, 256, 4)}), 128, 64, 4},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const NetworkTraffic::Rates r = NetworkTraffic::retNowUpDwBytes(c.h);
        EXPECT_DOUBLE_EQ(r.up, c.up);
        EXPECT_DOUBLE_EQ(r.down, c.down);
        EXPECT_DOUBLE_EQ(NetworkTraffic::retNowInterval(c.h), c.interval);
    }
}

TEST(NetworkTraffic, DetailMaximaAndAveragesPerSecond)
{
    EXPECT_FALSE(NetworkTraffic::getNetworkDetail({}).has_value());
    // 6000 bytes up over 2 s (3000/s), then 1000 over 1 s; 600 down at once then nothing.
    const auto d = NetworkTraffic::getNetworkDetail(history({at(0, 0, 5), at(6000, 600, 2), at(7000, 600, 1)}));
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->maxUp, 3000);
    EXPECT_EQ(d->maxDw, 300);
    // 7000 bytes in the 3 s after the first sample; its own interval is before the history.
    EXPECT_EQ(d->avgUp, 2333);
    EXPECT_EQ(d->avgDw, 200);
    EXPECT_EQ(d->nowUp, 1000);
    EXPECT_EQ(d->nowDw, 0);
    const auto single = NetworkTraffic::getNetworkDetail(history({at(100, 100)}));
    ASSERT_TRUE(single.has_value());
    EXPECT_EQ(single->maxUp, 0);
    EXPECT_EQ(single->avgUp, 0);
}

TEST(NetworkGraph, BarHeightsThresholdAndCap)
{
    // A graph 32 high: bars are 1 when idle, up to 15 (half less 2, plus 1).
    const struct {
        double rate, scale, limit, height;
    } cases[] = {
        {1024, 10240, 1024, 1},        // exactly the threshold is idle
        {1025, 10240, 1024, 1 + 1025.0 / 10240 * 14},
        {0, 10240, 0, 1},
        {20480, 10240, 1024, 15},      // above the scale: capped
        {5120, 10240, 1024, 8},
        {5120, 0, 0, 1},               // no scale: nothing to draw
    };
    for (const auto &c : cases)
        EXPECT_DOUBLE_EQ(ImageNetworkBar::barHeight(c.rate, c.scale, c.limit, 32), c.height) << c.rate;
}

TEST_F(NetworkItemTest, WidthsForElementCombinations)
{
    const struct {
        const char *name;
        QVariantMap settings;
        double width;
    } cases[] = {
        {"nothing, label on", {{"Network_ShowMyLabel", true}}, 0},
        {"graph", {{"Network_Display_Graph", true}}, 30},
        {"lamps and text", {{"Network_Display_UdCircle", true}, {"Network_Display_Text", true}}, 8 + 2 + 40},
        {"everything",
         {{"Network_Display_UdLabel", true}, {"Network_Display_UdCircle", true}, {"Network_Display_Graph", true},
          {"Network_Display_Text", true}},
         20 + 2 + 8 + 2 + 30 + 2 + 40},
        {"everything with the label image",
         {{"Network_Display_UdLabel", true}, {"Network_Display_UdCircle", true}, {"Network_Display_Graph", true},
          {"Network_Display_Text", true}, {"Network_ShowMyLabel", true}},
         (20 + 2) + (8 + 2) + (30 + 2) + (40 + 2) + 9},
        {"unknown and repeated codes",
         {{"NetworkItemSortArray", QVariantList{3, 9, 3, 0, 2}}, {"Network_Display_Graph", true},
          {"Network_Display_UdCircle", true}, {"Network_Display_Text", true}},
         30 + 2 + 8},
        {"wider padding", {{"Network_Display_Graph", true}, {"Network_Display_Text", true}, {"Network_Padding", 5.0}},
         30 + 5 + 40},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Network_MenuModule &m = item(c.settings);
        EXPECT_DOUBLE_EQ(m.statusWidth(), c.width);
        if (c.width > 0) {
            EXPECT_EQ(image().width(), qRound(c.width * 2));
        }
    }
}

TEST_F(NetworkItemTest, GraphModesPlaceTheBars)
{
    // 2 pixels per point: the graph is 60 px wide and 32 high, from row 4 to row 35; its
    // middle line is 20 px above the image's bottom.
    const struct {
        int mode;
        std::string upNewest, downNewest, upBefore, downOldest;
    } cases[] = {
        // Default: upload rises from the middle, download from the bottom.
        {1, rows(19, 20), rows(21, 36), rows(12, 20), rows(28, 36)},
        // Opposed: upload hangs from the top.
        {2, rows(4, 5), rows(21, 36), rows(4, 12), rows(28, 36)},
        // Centred: download hangs from the middle.
        {3, rows(19, 20), rows(20, 35), rows(12, 20), rows(20, 28)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.mode);
        item({{"Network_Display_Graph", true}, {"Network_Graph_Mode", c.mode}});
        const QImage img = image();
        ASSERT_EQ(img.width(), 60);
        EXPECT_EQ(column(img, 59, kUp), c.upNewest);
        EXPECT_EQ(column(img, 59, kDown), c.downNewest);
        EXPECT_EQ(column(img, 57, kUp), c.upBefore);
        EXPECT_EQ(column(img, 55, kDown), c.downOldest);
        // Left of the three columns nothing was drawn but the empty line at the bottom.
        EXPECT_EQ(column(img, 20, kEmpty), rows(35, 36));
        EXPECT_FALSE(contains(img.copy(0, 0, 54, 40), kUp));
    }
}

TEST_F(NetworkItemTest, WifiQualityBehindTheBarsUnlessHighlighted)
{
    Network_MenuModule &m = item({{"Network_Display_Graph", true}});
    // Column of the middle pair: noise 50 % of 30 px from the bottom of the graph, signal 20 %
    // over it, the idle download bar on the lowest row.
    EXPECT_EQ(column(image(), 57, kNoise), rows(21, 30));
    EXPECT_EQ(column(image(), 57, kSignal), rows(30, 35));
    EXPECT_EQ(column(image(), 57, kDown), rows(35, 36));
    m.menuWillOpen();
    EXPECT_FALSE(contains(image(), kNoise));
    EXPECT_FALSE(contains(image(), kSignal));
    EXPECT_FALSE(contains(image(), kUp));
    // Highlighted, every bar is white.
    EXPECT_EQ(column(image(), 57, Qt::white).substr(12, 8), std::string(8, '#'));
    m.menuDidClose();
    EXPECT_TRUE(contains(image(), kSignal));
}

TEST_F(NetworkItemTest, NoWifiFiguresNoQualityBars)
{
    item({{"Network_Display_Graph", true}}, history({at(0, 0, 1, -1, -1), at(5000, 5000, 1, -1, -1), at(9000, 9000)}));
    EXPECT_FALSE(contains(image(), kSignal));
    EXPECT_FALSE(contains(image(), kNoise));
    EXPECT_TRUE(contains(image(), kUp));
}

TEST_F(NetworkItemTest, SingleSampleUnderlinesTheWholeGraph)
{
    item({{"Network_Display_Graph", true}}, history({at(5000, 5000)}));
    const QImage img = image();
    for (int x = 0; x < img.width(); ++x)
        ASSERT_EQ(column(img, x, kEmpty), rows(35, 36)) << x;
    EXPECT_FALSE(contains(img, kUp));
    EXPECT_FALSE(contains(img, kDown));
}

TEST_F(NetworkItemTest, LampsFollowTheThreshold)
{
    const struct {
        const char *what;
        History<NetworkSample> h;
        QColor upper, lower;
    } cases[] = {
        {"upload at the threshold is off, download on", threeColumns(), kLampBack, kDown},
        {"both above", history({at(0, 0), at(2048, 4096)}), kUp, kDown},
        {"idle", history({at(0, 0), at(10, 10)}), kLampBack, kLampBack},
        {"one sample: no traffic", history({at(99999, 99999)}), kLampBack, kLampBack},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        item({{"Network_Display_UdCircle", true}}, c.h);
        const QImage img = image();
        ASSERT_EQ(img.width(), 16);
        // Lamps 16 px across, 2 px either side of the middle: upper centre at row 10, lower at 30.
        EXPECT_TRUE(same(img.pixelColor(8, 10), c.upper)) << img.pixelColor(8, 10).name().toStdString();
        EXPECT_TRUE(same(img.pixelColor(8, 30), c.lower)) << img.pixelColor(8, 30).name().toStdString();
    }
}

TEST_F(NetworkItemTest, TextAndToolTip)
{
    Network_MenuModule &m = item({{"Network_Display_Text", true}, {"Network_Display_UdLabel", true}});
    const QImage img = image();
    ASSERT_EQ(img.width(), 2 * (20 + 2 + 40));
    // Upload texts in the upper half, download texts in the lower half.
    EXPECT_TRUE(contains(img, kUp, 0, 20));
    EXPECT_FALSE(contains(img, kUp, 21, 40));
    EXPECT_TRUE(contains(img, kDown, 20, 40));
    EXPECT_FALSE(contains(img, kDown, 0, 19));
    EXPECT_EQ(m.statusItem()->toolTipText(), "Up 1024.0B/s  Dw 40.0KB/s");
    item({{"Network_Display_Text", true}, {"Network_Text_Mode", 2}});
    EXPECT_EQ(module->statusItem()->toolTipText(), "Up 8.0Kbps  Dw 320.0Kbps");
}
