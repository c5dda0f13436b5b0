#include "ItemTestSupport.h"
#include "TestEnvironment.h"
#include "collect/NetworkBase.h"
#include "modules/BaseMenuItems.h"
#include "modules/network/ImageNetworkBar.h"
#include "modules/network/NetworkTraffic.h"
#include "modules/network/Network_Current.h"
#include "modules/network/Network_MenuController.h"
#include "modules/network/Network_MenuModule.h"
#include "platform/linux/AppLauncher.h"
#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"
#include "RecordingStatusHost.h"

#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QWidgetAction>
#include <gtest/gtest.h>
#include <random>

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

// Oldest first. The columns from the right: newest pair (upload 1024 B/s, exactly the idle
// threshold; download 40960 B/s, the largest rate, so the scale), the pair before it
// (upload 20480 B/s, half the scale; download idle) and the oldest pair (download 20480).
// Wi-Fi figures of the older entry of each pair: noise 50 % and signal 20 %.
History<NetworkSample> threeColumns()
{
    return test::historyOf({at(0, 0, 1, 20, 50), at(0, 20480, 1, 20, 50), at(20480, 20480, 1, 20, 50),
                    at(20480 + 1024, 20480 + 40960, 1, 20, 50)});
}

bool contains(const QImage &image, const QColor &colour, int y0 = 0, int y1 = -1)
{
    if (y1 < 0)
        y1 = image.height();
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (test::sameColour(image.pixelColor(x, y), colour))
                return true;
    return false;
}

// Rows of one pixel column holding `colour`, as a string of '#' and '.' from the top.
std::string column(const QImage &image, int x, const QColor &colour)
{
    std::string s;
    for (int y = 0; y < image.height(); ++y)
        s += test::sameColour(image.pixelColor(x, y), colour) ? '#' : '.';
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
        SensorData data;
        data.network = h;
        data.networkBase = std::move(base);
        module = test::shownItem<Network_MenuModule>(host, test::overlaid(networkDefaults(), overrides), data);
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
        {"one sample is compared with itself", test::historyOf({at(5000, 7000)}), 0, 0, 1},
        {"two seconds", test::historyOf({at(1000, 1000), at(5000, 9000, 2)}), 2000, 4000, 2},
        {"a zero interval counts as one second", test::historyOf({at(1000, 1000), at(5000, 9000, 0)}), 4000, 8000, 1},
        {"a negative interval too", test::historyOf({at(0, 0), at(10, 20, -3)}), 10, 20, 1},
        {"totals going down give 0, never a negative rate", test::historyOf({at(9000, 9000), at(5000, 9001)}), 0, 1, 1},
        {"only the two newest count", test::historyOf({at(0, 0), at(1'000'000, 0), at(1'000'512, 256, 4)}), 128, 64, 4},
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
    const auto d = NetworkTraffic::getNetworkDetail(test::historyOf({at(0, 0, 5), at(6000, 600, 2), at(7000, 600, 1)}));
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->maxUp, 3000);
    EXPECT_EQ(d->maxDw, 300);
    // 7000 bytes in the 3 s after the first sample; its own interval is before the history.
    EXPECT_EQ(d->avgUp, 2333);
    EXPECT_EQ(d->avgDw, 200);
    EXPECT_EQ(d->nowUp, 1000);
    EXPECT_EQ(d->nowDw, 0);
    const auto single = NetworkTraffic::getNetworkDetail(test::historyOf({at(100, 100)}));
    ASSERT_TRUE(single.has_value());
    EXPECT_EQ(single->maxUp, 0);
    EXPECT_EQ(single->avgUp, 0);
}

// The kept peaks are the whole history's after every reading: through bursts that leave the
// history at its far end (it keeps 512 readings), repeated peaks, a history that did not grow
// from the last one, and one too short for a rate.
TEST(NetworkTraffic, KeptPeaksAreTheWholeHistorysAfterEveryReading)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int64_t> quiet(0, 3000), burst(0, 400000);
    std::uniform_int_distribution<int> chance(0, 99);
    NetworkTraffic::Peaks peaks;
    History<NetworkSample> history;
    int64_t up = 0, down = 0;
    const auto check = [&](const History<NetworkSample> &h, int reading) {
        const NetworkTraffic::Peaks::Rates kept = peaks.of(h);
        const NetworkTraffic::Detail whole = NetworkTraffic::getNetworkDetail(h).value_or(NetworkTraffic::Detail{});
        ASSERT_EQ(kept.up, whole.maxUp) << "after reading " << reading;
        ASSERT_EQ(kept.down, whole.maxDw) << "after reading " << reading;
    };
    for (int reading = 0; reading < 1400; ++reading) {
        // Falling bursts make the next peak one of the older readings once the last leaves.
        const int kind = chance(random);
        up += kind < 3 ? 450000 - reading * 250 : quiet(random);
        down += kind >= 10 && kind < 15 ? 500000 - reading * 300 : kind == 20 ? burst(random) : quiet(random);
        const int steps = reading % 97 == 0 ? 2 : 1; // now and then two readings in a pass
        for (int i = 0; i < steps; ++i)
            history = history.appended(at(up, down, 1.0 + (reading % 3), 0, 0));
        ASSERT_NO_FATAL_FAILURE(check(history, reading));
        if (reading % 200 == 199) {
            // Another history with the same newest readings, and a short one.
            History<NetworkSample> copy;
            for (const NetworkSample &s : history)
                copy = copy.appended(s);
            ASSERT_NO_FATAL_FAILURE(check(copy, reading));
            ASSERT_NO_FATAL_FAILURE(check(test::historyOf({at(up, down)}), reading));
            ASSERT_NO_FATAL_FAILURE(check(history, reading));
        }
    }
    EXPECT_EQ(history.size(), History<NetworkSample>::kCapacity);
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
    item({{"Network_Display_Graph", true}}, test::historyOf({at(0, 0, 1, -1, -1), at(5000, 5000, 1, -1, -1), at(9000, 9000)}));
    EXPECT_FALSE(contains(image(), kSignal));
    EXPECT_FALSE(contains(image(), kNoise));
    EXPECT_TRUE(contains(image(), kUp));
}

TEST_F(NetworkItemTest, SingleSampleUnderlinesTheWholeGraph)
{
    item({{"Network_Display_Graph", true}}, test::historyOf({at(5000, 5000)}));
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
        {"both above", test::historyOf({at(0, 0), at(2048, 4096)}), kUp, kDown},
        {"idle", test::historyOf({at(0, 0), at(10, 10)}), kLampBack, kLampBack},
        {"one sample: no traffic", test::historyOf({at(99999, 99999)}), kLampBack, kLampBack},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        item({{"Network_Display_UdCircle", true}}, c.h);
        const QImage img = image();
        ASSERT_EQ(img.width(), 16);
        // Lamps 16 px across, 2 px either side of the middle: upper centre at row 10, lower at 30.
        EXPECT_TRUE(test::sameColour(img.pixelColor(8, 10), c.upper)) << img.pixelColor(8, 10).name().toStdString();
        EXPECT_TRUE(test::sameColour(img.pixelColor(8, 30), c.lower)) << img.pixelColor(8, 30).name().toStdString();
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

namespace {

NetworkInterface nic(const char *name, const char *status, bool hasNic = true, const char *kind = "Ethernet")
{
    NetworkInterface i;
    i.name = name;
    i.linkStatus = status;
    i.hasNic = hasNic;
    i.hasItf = kind != nullptr;
    i.kind = kind ? kind : "";
    i.type = i.kind;
    return i;
}

std::shared_ptr<const NetworkBase> baseOf(std::vector<NetworkInterface> interfaces, const char *location = "---")
{
    auto b = std::make_shared<NetworkBase>();
    b->interfaces = std::move(interfaces);
    b->location = location;
    return b;
}

std::vector<std::pair<int, QString>> tagged(const QMenu &menu)
{
    std::vector<std::pair<int, QString>> out;
    for (QAction *a : menu.actions())
        out.emplace_back(a->isSeparator() ? -1 : BaseMenuItems::tag(a), a->text());
    return out;
}

// One row per interface: name, rows, height of its view.
Network_MenuController *view(const Network_MenuModule &m, const QString &name)
{
    for (Network_MenuController *v : m.nicManMenusArray())
        if (v->nicTitle() == name)
            return v;
    return nullptr;
}

} // namespace

TEST_F(NetworkItemTest, TextsAfterEveryPassAreAFreshItems)
{
    // Quiet spells, bursts that become the peak and then leave the history, a switch to bits:
    // after each pass the tool tip and headline are what a new item shows for the same data.
    QVariantMap settings = test::overlaid(networkDefaults(), {{"Network_Display_Text", true}});
    History<NetworkSample> h = test::historyOf({at(0, 0)});
    Network_MenuModule &m = item({{"Network_Display_Text", true}}, h);
    int64_t up = 0, down = 0;
    uint32_t seed = 5;
    const auto next = [&seed](uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    for (int reading = 0; reading < 70; ++reading) {
        if (reading == 40) {
            settings = test::overlaid(settings, {{"Network_Text_Mode", 2}});
            m.setMyDefaults(settings);
        }
        // The history starts again on a quiet pass after a quiet pass: the rates stay and
        // only the peaks fall.
        const bool quiet = reading == 54 || reading == 55;
        if (reading == 55)
            h = test::historyOf({at(up, down)});
        switch (quiet ? 4 : next(5)) {
        case 0: down += static_cast<int64_t>(next(50) + 1) * 100000; break;
        case 1: up += static_cast<int64_t>(next(100)); break;
        default: break; // quiet
        }
        h = h.appended(at(up, down));
        SensorData data;
        data.network = h;
        test::expectTextsOfAFreshItemAfterPass(host, m, settings, data, "reading " + std::to_string(reading));
    }
}

TEST(NetworkMenu, WhichInterfacesGetAnItem)
{
    NetworkItemSettings none, all, bridge;
    all.showAllNic = true;
    bridge.showIBridge = true;
    NetworkInterface iBridge = nic("en5", "Active");
    iBridge.model = "iBridge";
    const struct {
        NetworkInterface i;
        bool byDefault, withAll, withIBridge;
    } cases[] = {
        {nic("eth0", "Active"), true, true, true},
        {nic("eth1", "Inactive"), false, true, false},
        {nic("eth2", "Unknown"), false, true, false},
        {nic("docker0", "Active", false, "Bridge"), false, true, false}, // no hardware
        {nic("mystery0", "Active", true, nullptr), false, false, true},   // kind unknown
        {iBridge, false, false, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.i.name.toStdString());
        EXPECT_EQ(Network_MenuModule::showsInterface(c.i, none), c.byDefault);
        EXPECT_EQ(Network_MenuModule::showsInterface(c.i, all), c.withAll);
        EXPECT_EQ(Network_MenuModule::showsInterface(c.i, bridge), c.withIBridge);
    }
}

TEST_F(NetworkItemTest, MenuHoldsTheCurrentNetworkTheGraphAndTheInterfaces)
{
    AppLauncher::setSearchPath({home.home() + "/no-bin"});
    const auto base = baseOf({nic("docker0", "Inactive", false, "Bridge"), nic("eth0", "Active"),
                              nic("lo", "Active", false, "Loopback"), nic("wlan0", "Active", true, "Wi-Fi")},
                             "Wired & more");
    Network_MenuModule &m = item({{"Network_Display_Graph", true}}, threeColumns(), base);
    std::vector<std::pair<int, QString>> expected{{100, "Open \"Network\" Preference"}, {-1, ""}, {0, ""}, {302, ""},
                                                  {400, "eth0"}, {401, "wlan0"}};
    EXPECT_EQ(tagged(*m.statusMenu()), expected);

    m.menuWillOpen();
    EXPECT_EQ(tagged(*m.statusMenu()), expected) << "opening rebuilds the same items";
    ASSERT_NE(m.networkCurrent(), nullptr);
    EXPECT_EQ(m.networkCurrent()->locationText(), "Network Location : Wired & more");
    EXPECT_EQ(m.networkCurrent()->upText(), QString::fromUtf8("1024.0B/s \u2B06\uFE0E\u2B06\uFE0E"));
    EXPECT_EQ(m.networkCurrent()->downText(), QString::fromUtf8("40.0KB/s \u2B07\u2B07\uFE0E"));
    EXPECT_EQ(m.networkCurrent()->upColor(), kUp);
    m.menuDidClose();

    // Every interface, in name order, with "Network_ShowAllNic".
    item({{"Network_Display_Graph", true}, {"Network_ShowAllNic", true}}, threeColumns(), base);
    const auto all = tagged(*module->statusMenu());
    ASSERT_EQ(all.size(), 8u);
    EXPECT_EQ(all[4], std::make_pair(400, QString("docker0")));
    EXPECT_EQ(all[7], std::make_pair(403, QString("wlan0")));
}

TEST_F(NetworkItemTest, ANewSetOfInterfacesRebuildsTheItems)
{
    Network_MenuModule &m = item({{"Network_Display_Graph", true}}, threeColumns(),
                                 baseOf({nic("eth0", "Active"), nic("wlan0", "Active", true, "Wi-Fi")}));
    ASSERT_EQ(m.nicManMenusArray().size(), 2u);
    EXPECT_EQ(m.nicManMenusArray()[1]->nicTitle(), "wlan0");
    // Same number of interfaces, another adapter.
    SensorData next;
    next.network = threeColumns();
    next.networkBase = baseOf({nic("eth0", "Active"), nic("wlan1", "Active", true, "Wi-Fi")});
    m.setSensorData(next);
    m.refreshBar();
    ASSERT_EQ(m.nicManMenusArray().size(), 2u);
    EXPECT_EQ(m.nicManMenusArray()[1]->nicTitle(), "wlan1");
    EXPECT_EQ(tagged(*m.statusMenu()).back(), std::make_pair(401, QString("wlan1")));
    // A link going down with the same names keeps the items until the menu opens again.
    next.networkBase = baseOf({nic("eth0", "Active"), nic("wlan1", "Inactive", true, "Wi-Fi")});
    m.setSensorData(next);
    m.refreshBar();
    EXPECT_EQ(m.nicManMenusArray().size(), 2u);
    m.menuWillOpen();
    EXPECT_EQ(m.nicManMenusArray().size(), 1u);
}

TEST_F(NetworkItemTest, InterfaceViews)
{
    NetworkInterface eth = nic("eth0", "Active");
    eth.speed = 1'000'000'000;
    eth.macAddress = "8C:16:45:AA:BB:01";
    eth.vendor = "Intel Corporation";
    eth.ipv4 = "192.168.1.20";
    eth.ipv6 = "2001:db8::20";
    eth.dns = {"192.168.1.1", "1.1.1.1"};
    eth.vpn = {{"wg0", "WireGuard office", "10.8.0.2"}, {"tun0", "TUN", "10.9.0.6"}};
    NetworkInterface wlan = nic("wlan0", "Inactive", true, "Wi-Fi");
    wlan.type = "IEEE 802.11";
    wlan.speed = 54'000'000;
    wlan.wifi = WifiDetails{"Café & <b>Net</b>", 70, 866'000, 5180, 3, -52, 0};
    Network_MenuModule &m = item({{"Network_Display_Graph", true}, {"Network_ShowAllNic", true}}, threeColumns(),
                                 baseOf({eth, wlan}));
    m.redrawStatusItem();

    Network_MenuController *e = view(m, "eth0");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->titleText(), "eth0 : Ethernet 1.0Gbps");
    using Row = Network_MenuController::Row;
    const std::vector<Row> ethRows{{"Status", "Active"},
                                   {"MAC Address", "8C:16:45:AA:BB:01"},
                                   {"Vendor", "Intel Corporation"},
                                   {"IPv4 Local/Global", "192.168.1.20 / (Unknown)"},
                                   {"IPv6", "2001:db8::20"},
                                   {"DNS", "192.168.1.1, 1.1.1.1"},
                                   {"VPN", "WireGuard office (10.8.0.2)"},
                                   {"", "TUN (10.9.0.6)"}};
    EXPECT_EQ(e->rows(), ethRows);
    EXPECT_EQ(e->height(), 8 * 17 + 28);
    EXPECT_EQ(e->markColor(), QColor::fromRgbF(0.0f, 0.8f, 0.3372549f, 1.0f));
    EXPECT_EQ(e->signalLevel(), -1);

    // A Wi-Fi link: its rate wins over the reported speed; the network's name is plain text.
    Network_MenuController *w = view(m, "wlan0");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->titleText(), "wlan0 : Wi-Fi (5 GHz) 866.0Mbps");
    ASSERT_FALSE(w->rows().empty());
    EXPECT_EQ(w->rows()[0], (Row{"Status", QString::fromUtf8("Inactive - Café & <b>Net</b> (WPA/WPA2 Personal)")}));
    for (QLabel *l : w->findChildren<QLabel *>())
        EXPECT_EQ(l->textFormat(), Qt::PlainText);
    EXPECT_EQ(w->markColor(), QColor::fromRgbF(1.0f, 0.2196078f, 0.2784314f, 1.0f));
    EXPECT_NE(w->rowColor(), e->rowColor()) << "an inactive interface's rows are secondary";
    EXPECT_EQ(w->signalLevel(), 4);
    EXPECT_EQ(w->signalText(), "Signal\n-52dBm\n70%");

    wlan.wifi->noise = -95;
    Network_MenuController alone("wlan0");
    alone.setDetailDict(&wlan);
    alone.replaceBaseData();
    EXPECT_EQ(alone.signalText(), "S/N\n-52dBm\n-95dBm\nSNR\n43dB");
    alone.setGlobalIp("203.0.113.7", "gw.example.net");
    wlan.ipv4 = "10.0.0.5";
    alone.setDetailDict(&wlan);
    alone.replaceBaseData();
    const std::vector<Row> withGlobal{{"Status", QString::fromUtf8("Inactive - Café & <b>Net</b> (WPA/WPA2 Personal)")},
                                      {"IPv4 Local/Global", "10.0.0.5 / 203.0.113.7"},
                                      {"IPv4 Host", "gw.example.net"}};
    EXPECT_EQ(alone.rows(), withGlobal);
}

TEST_F(NetworkItemTest, RowsBeyondFourteenAreCountedNotShown)
{
    NetworkInterface eth = nic("eth0", "Active");
    for (int k = 0; k < 15; ++k)
        eth.vpn.push_back({QString("tun%1").arg(k), "TUN", QString("10.0.0.%1").arg(k)});
    Network_MenuController v("eth0");
    v.setDetailDict(&eth);
    v.replaceBaseData();
    EXPECT_EQ(v.rowsCounted(), 16);
    EXPECT_EQ(v.rows().size(), 14u);
    EXPECT_EQ(v.height(), 14 * 17 + 28);
    // Gone from the descriptions: a title and nothing else.
    v.setDetailDict(nullptr);
    v.replaceBaseData();
    EXPECT_EQ(v.titleText(), "eth0 : (Unknown)");
    EXPECT_TRUE(v.rows().empty());
    EXPECT_EQ(v.height(), 28);
}

TEST(NetworkMenu, SpeedAndSecurityTexts)
{
    const std::pair<int64_t, const char *> speeds[] = {
        {1'000'000'000, " 1.0Gbps"}, {10'000'000'000, " 10.0Gbps"}, {866'000'000, " 866.0Mbps"},
        {1'000'000, " 1.0Mbps"},     {10'000, " 10.0Kbps"},          {0, ""}, {-1, ""}};
    for (auto [bps, text] : speeds)
        EXPECT_EQ(Network_MenuController::speedText(bps), text) << bps;
    EXPECT_EQ(Network_MenuController::retNetworkSecurityKind(0), "No Security");
    EXPECT_EQ(Network_MenuController::retNetworkSecurityKind(13), "WPA3 Transition (WPA3/WPA2 Personal)");
    EXPECT_EQ(Network_MenuController::retNetworkSecurityKind(15), "OWE Transition");
    EXPECT_EQ(Network_MenuController::retNetworkSecurityKind(16), "");
    EXPECT_EQ(Network_MenuController::retNetworkSecurityKind(-1), "");
}

TEST_F(NetworkItemTest, NetworkSettingsChosenAtRunTime)
{
    QTemporaryDir bin;
    ASSERT_TRUE(bin.isValid());
    const QByteArray oldDesktop = qgetenv("XDG_CURRENT_DESKTOP");
    const struct {
        const char *desktop;
        std::vector<const char *> installed;
        const char *program;
        QStringList arguments;
    } cases[] = {
        {"GNOME", {"gnome-control-center", "nm-connection-editor"}, "gnome-control-center", {"network"}},
        {"KDE", {"gnome-control-center", "systemsettings"}, "systemsettings", {"kcm_networkmanagement"}},
        {"XFCE", {"gnome-control-center", "nm-connection-editor"}, "nm-connection-editor", {}},
        {"LXQt", {}, nullptr, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.desktop);
        QDir(bin.path()).removeRecursively();
        QDir().mkpath(bin.path());
        for (const char *p : c.installed)
            test::writeExecutable(bin.path() + "/" + p, "#!/bin/sh\nexit 0\n");
        AppLauncher::setSearchPath({bin.path()});
        qputenv("XDG_CURRENT_DESKTOP", c.desktop);
        const auto cmd = AppLauncher::commandFor(LaunchTarget::NetworkSettings);
        Network_MenuModule &m = item({{"Network_Display_Graph", true}});
        const auto items = tagged(*m.statusMenu());
        const bool listed = std::any_of(items.begin(), items.end(), [](const auto &t) { return t.first == 212; });
        if (!c.program) {
            EXPECT_FALSE(cmd.has_value());
            EXPECT_FALSE(listed) << "no settings application: no item";
            continue;
        }
        ASSERT_TRUE(cmd.has_value());
        EXPECT_EQ(QFileInfo(cmd->program).fileName(), c.program);
        EXPECT_EQ(cmd->arguments, c.arguments);
        EXPECT_TRUE(listed);
        EXPECT_EQ(items[1], std::make_pair(212, QString("Open Network Settings")));
    }
    AppLauncher::setSearchPath({});
    qputenv("XDG_CURRENT_DESKTOP", oldDesktop);
}

TEST_F(NetworkItemTest, CompactHeadlineIsTheBusierDirectionAgainstThePeak)
{
    constexpr int64_t K = 1024, M = 1024 * 1024;
    struct Case {
        const char *name;
        History<NetworkSample> samples;
        QVariantMap overrides;
        double fraction; // below 0: no gauge
        const char *label;
        const char *figure;
        QColor colour;
    };
    const Case cases[] = {
        {"the newest rate is the peak", test::historyOf({at(0, 0), at(K, 100 * K), at(K + 40 * K, 100 * K + 1258291)}), {}, 1.0,
         "\u21931.2M \u219140K", "1.2M", kDown},
        {"a quarter of an earlier peak", test::historyOf({at(0, 0), at(0, 4 * M), at(0, 5 * M)}), {}, 0.25, "\u21931.0M \u21910",
         "1.0M", kDown},
        {"uploading: the upload colour", test::historyOf({at(0, 0), at(2 * M, 0), at(3 * M, 512 * K)}), {}, 0.5,
         "\u2193512K \u21911.0M", "1.0M", kUp},
        {"two seconds in one sample", test::historyOf({at(0, 0), at(0, 2 * M, 2.0)}), {}, 1.0, "\u21931.0M \u21910", "1.0M", kDown},
        {"a quiet line fills 32 KiB/s at the least", test::historyOf({at(0, 0), at(100, 8 * K)}), {}, 0.25,
         "\u21938.0K \u2191100", "8.0K", kDown},
        {"no traffic at all", test::historyOf({at(5, 5), at(5, 5)}), {}, 0.0, "\u21930 \u21910", "0", kDown},
        {"a counter that went back is no traffic", test::historyOf({at(0, 10 * M), at(0, 0)}), {}, 0.0, "\u21930 \u21910", "0",
         kDown},
        {"in bits", test::historyOf({at(0, 0), at(0, M)}), {{"Network_Text_Mode", 2}}, 1.0, "\u21938.0M \u21910", "8.0M", kDown},
        {"one sample: no rate yet", test::historyOf({at(0, 0)}), {}, -1.0, "NET --", "", QColor()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const TrayHeadline h = item(c.overrides, c.samples).statusItem()->headline();
        EXPECT_EQ(h.label, QString::fromUtf8(c.label));
        EXPECT_LE(h.label.size(), 11);
        EXPECT_EQ(h.hasGauge(), c.fraction >= 0.0);
        if (c.fraction < 0.0)
            continue;
        EXPECT_NEAR(h.fraction, c.fraction, 1e-3);
        EXPECT_EQ(h.figure, QLatin1String(c.figure));
        EXPECT_EQ(h.colour, c.colour);
    }
    const TrayHeadline h = item({}, cases[0].samples).statusItem()->headline();
    EXPECT_EQ(h.toolTip, "Down 1.2MB/s\nUp 40.0KB/s\nPeak 1.2MB/s down, 40.0KB/s up");
}

// The status graph is kept between redraws and moved over by the new readings; after every
// reading, in each bar mode, through bursts that change the scale and with the menu opened
// and closed, the image is the one an item drawing that history afresh makes.
TEST_F(NetworkItemTest, AKeptGraphShowsWhatAFreshDrawingShows)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int64_t> bytes(0, 8000), quality(0, 100);
    for (const int mode : {1, 2, 3}) {
        SCOPED_TRACE(mode);
        const QVariantMap settings = test::overlaid(networkDefaults(), {{"Network_Display_Graph", true},
                                                                        {"Network_Display_Text", true},
                                                                        {"Network_Graph_Mode", mode}});
        History<NetworkSample> history;
        int64_t up = 0, down = 0;
        auto kept = std::make_unique<Network_MenuModule>(nullptr);
        kept->setMyDefaults(settings);
        kept->initDrawStatusBar(host);
        for (int reading = 0; reading < 48; ++reading) {
            up += bytes(random);
            down += reading == 36 ? 500000 : bytes(random) * 4; // a burst raises the scale
            history = history.appended(at(up, down, 1, quality(random), quality(random)));
            SensorData data;
            data.network = history;
            kept->setSensorData(data);
            if (reading == 40)
                kept->menuWillOpen();
            if (reading == 42)
                kept->menuDidClose();
            kept->refreshBar();

            OffscreenHost otherHost;
            auto fresh = test::shownItem<Network_MenuModule>(otherHost, settings, data);
            if (kept->menuOpened()) {
                fresh->menuWillOpen();
                fresh->refreshBar();
            }
            ASSERT_EQ(kept->statusItem()->image(), fresh->statusItem()->image()) << "after reading " << reading;
        }
    }
}

// The picture is drawn again only when it can differ: a quiet line (no traffic, or traffic
// below the idle threshold with no text to show it) keeps its picture; traffic, a burst
// moving along and a scale set by readings no longer shown all draw again, and every image
// is the one an item drawing that history afresh makes.
TEST_F(NetworkItemTest, AnUnchangedPictureIsNotDrawnAgainButEveryChangeIs)
{
    for (const bool text : {true, false}) {
        SCOPED_TRACE(text ? "with text" : "graph only");
        const QVariantMap settings = test::overlaid(networkDefaults(), {{"Network_Display_Graph", true},
                                                                        {"Network_Display_Text", text},
                                                                        {"Network_Display_UdCircle", true},
                                                                        {"Network_GraphWidth", 8}});
        test::RecordingStatusHost recording;
        Network_MenuModule kept(nullptr);
        kept.setMyDefaults(settings);
        kept.initDrawStatusBar(recording);
        auto *item = static_cast<test::RecordingStatusItem *>(kept.statusItem());
        History<NetworkSample> history;
        int64_t up = 0, down = 0;
        // Hands over one reading of `upRate`/`downRate` bytes; returns whether an image was set.
        const auto pass = [&](int64_t upRate, int64_t downRate, int64_t quality = 40) {
            up += upRate;
            down += downRate;
            history = history.appended(at(up, down, 1, quality, quality));
            SensorData data;
            data.network = history;
            kept.setSensorData(data);
            const int before = item->imagesSet;
            kept.refreshBar();
            OffscreenHost otherHost;
            const auto fresh = test::shownItem<Network_MenuModule>(otherHost, settings, data);
            EXPECT_EQ(item->image(), fresh->statusItem()->image()) << "after reading " << history.size();
            return item->imagesSet > before;
        };
        for (int i = 0; i < 12; ++i)
            pass(0, 0);
        EXPECT_FALSE(pass(0, 0)) << "a full graph of quiet columns";
        pass(0, 0, 41); // a column shows the Wi-Fi quality of its older reading
        EXPECT_TRUE(pass(0, 0)) << "the Wi-Fi quality moved";
        for (int i = 0; i < 10; ++i)
            pass(0, 0);
        // Below the threshold (1 KiB/s) a column stays quiet; only a text shows the rate.
        EXPECT_EQ(pass(300, 700), text);
        EXPECT_FALSE(pass(300, 700)) << "the same rates again";
        EXPECT_EQ(pass(500, 100), text);
        for (int i = 0; i < 10; ++i)
            pass(0, 0);
        // A burst draws each pass while it moves through the graph, and until its column left.
        EXPECT_TRUE(pass(0, 400000));
        for (int i = 0; i < 8; ++i)
            EXPECT_TRUE(pass(0, 0)) << "the burst moved, column " << i;
        EXPECT_FALSE(pass(0, 0)) << "the burst left the graph; the scale it set no longer shows";

        // Steady traffic above the threshold is drawn against the largest rate of the whole
        // history: the same shown columns under another scale are another picture.
        for (int i = 0; i < 10; ++i)
            pass(2000, 20000);
        EXPECT_FALSE(pass(2000, 20000));
        History<NetworkSample> calmer;
        for (std::size_t i = 0; i + 10 < history.size(); ++i)
            calmer = calmer.appended(at(0, 0));
        for (std::size_t i = history.size() - 10; i < history.size(); ++i)
            calmer = calmer.appended(at(history[i].up - history[history.size() - 10].up,
                                        history[i].down - history[history.size() - 10].down, 1, 40, 40));
        SensorData data;
        data.network = calmer;
        kept.setSensorData(data);
        kept.refreshBar();
        OffscreenHost otherHost;
        const auto fresh = test::shownItem<Network_MenuModule>(otherHost, settings, data);
        EXPECT_EQ(item->image(), fresh->statusItem()->image()) << "the burst's scale is gone from the history";
    }
}
