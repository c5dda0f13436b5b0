#include "ItemTestSupport.h"
#include "TestEnvironment.h"
#include "TextInk.h"
#include "modules/fan/Fan_MenuController.h"
#include "modules/fan/Fan_MenuModule.h"
#include "modules/fan/ImageFanBar.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/FanPreferences.h"
#include "settings/FontCatalog.h"
#include "settings/SettingsStore.h"
#include "settings/ThemeStore.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {

FanSample fansOf(std::vector<std::pair<QString, int64_t>> fans, std::optional<int64_t> average)
{
    FanSample s;
    s.fans = std::move(fans);
    s.average = average;
    return s;
}

class FanModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = SettingsStore::open();
        FanPreferences::initialize(*store);
        store->setBool("Fan_ShowMyLabel", false);
    }
    QVariantMap defaults() { return FanPreferences::load(*store, ThemeStore::builtInReference(false)); }
    std::unique_ptr<Fan_MenuModule> shown(const History<FanSample> &history)
    {
        SensorData data;
        data.fan = history;
        return test::shownItem<Fan_MenuModule>(host, defaults(), data, &delegate);
    }

    test::ScopedHome home;
    std::shared_ptr<SettingsStore> store;
    OffscreenHost host;
    test::NullDelegate delegate;
};

} // namespace

TEST(ImageFanBar, speedTexts)
{
    const std::tuple<int64_t, bool, const char *> cases[] = {
        {892, true, "0892rpm"}, {892, false, "0892"}, {0, true, "0000rpm"}, {12000, false, "12000"}, {5, true, "0005rpm"},
    };
    for (const auto &[rpm, suffix, text] : cases)
        EXPECT_EQ(ImageFanBar::speedText(rpm, suffix), QString::fromLatin1(text));
}

TEST_F(FanModuleTest, widthFollowsTheDrawnElements)
{
    struct Case {
        const char *name;
        std::vector<std::pair<const char *, QVariant>> settings;
        double expected;
    };
    const std::vector<Case> cases{
        {"piled up", {}, 30},
        {"piled up with the label, padding 3", {{"Fan_ShowMyLabel", true}, {"Fan_Padding", qint64(3)}}, 30 + 3 + 9},
        {"graph only, 60 wide", {{"Fan_Display_Text", false}, {"Fan_GraphWidth", qint64(60)}}, 60},
        {"everything off", {{"Fan_Display_Text", false}, {"Fan_Display_Graph", false}}, 0},
    };
    const auto history = test::historyOf({fansOf({{"Fan 1", 1200}}, 1200)});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FanPreferences::initialize(*store);
        store->setBool("Fan_ShowMyLabel", false);
        for (const auto &[k, v] : c.settings)
            store->setObject(k, v);
        EXPECT_DOUBLE_EQ(shown(history)->statusWidth(), c.expected);
    }
    // Side by side the measured text comes first in the default order.
    FanPreferences::initialize(*store);
    store->setBool("Fan_ShowMyLabel", false);
    store->setBool("Fan_PileUp_TextGraph", false);
    const double text = defaults().value("FanInnerTextWidth").toDouble();
    ASSERT_GT(text, 0);
    EXPECT_DOUBLE_EQ(shown(history)->statusWidth(), std::ceil(text) + 2 + 30);
}

TEST_F(FanModuleTest, graphColumnsAreColouredByTheMaximumAndScaledTo6000)
{
    store->setBool("Fan_Display_Text", false);
    store->setInteger("Fax_MaxRpm", 3000);
    const QVariantMap d = defaults();
    const QColor low = test::themeColour(d, "G01"), warning = test::themeColour(d, "G02"), critical = test::themeColour(d, "G03");
    ASSERT_NE(warning, critical);
    const auto item = shown(test::historyOf({fansOf({{"Fan 1", 0}}, 0), fansOf({{"Fan 1", 1500}}, 1500),
                                       fansOf({{"Fan 1", 7000}}, 7000), fansOf({{"Fan 1", 2700}}, 2700),
                                       fansOf({{"Fan 1", 2850}}, 2850)}));
    const QImage image = item->statusItem()->image();
    ASSERT_EQ(image.size(), QSize(60, 40));
    struct Column {
        int x;
        QColor color;
        double height; // pixels of 32
    };
    const Column columns[] = {
        {59, critical, 2850.0 / 6000 * 32}, // 0.95 of the maximum, 47.5 % of the height
        {57, warning, 2700.0 / 6000 * 32},  // exactly 0.9 in double, just below in single precision
        {55, critical, 32},                 // 7000 fills the column
        {53, low, 1500.0 / 6000 * 32},
    };
    for (const Column &c : columns) {
        SCOPED_TRACE(c.x);
        const int top = 36 - static_cast<int>(std::ceil(c.height));
        EXPECT_EQ(image.pixel(c.x, 35), c.color.rgba());
        EXPECT_EQ(image.pixel(c.x - 1, top + 1), c.color.rgba());
        if (top > 4) {
            EXPECT_NE(image.pixel(c.x, top - 1), c.color.rgba());
        }
    }
    for (int y = 4; y < 36; ++y)
        EXPECT_EQ(image.pixelColor(51, y).alpha(), 0) << "a stopped fan draws no column, row " << y;
    EXPECT_EQ(item->statusItem()->toolTipText(), QStringLiteral("2850rpm"));
}

TEST_F(FanModuleTest, menuListsEveryFanSortedWithTheAverageFromTwoFans)
{
    struct Case {
        const char *name;
        FanSample sample;
        std::vector<std::pair<QString, QString>> rows;
    };
    const Case cases[] = {
        {"one fan", fansOf({{"Fan 1", 2874}}, 2874), {{"Fan 1", "2874rpm"}}},
        {"two fans", fansOf({{"Right", 1800}, {"left", 1200}}, 1500),
         {{"left", "1200rpm"}, {"Right", "1800rpm"}, {"---", "---"}, {"(Average)", "1500rpm"}}},
        {"a stopped fan counts", fansOf({{"Fan 1", 812}, {"Fan 2", 1180}, {"Fan 3", 0}}, 664),
         {{"Fan 1", "812rpm"}, {"Fan 2", "1180rpm"}, {"Fan 3", "0rpm"}, {"---", "---"}, {"(Average)", "664rpm"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto item = shown(test::historyOf({c.sample}));
        item->redrawStatusItem();
        Fan_MenuController *menu = item->menuController();
        ASSERT_NE(menu, nullptr);
        std::vector<std::pair<QString, QString>> rows;
        for (const auto &r : menu->rows())
            rows.emplace_back(r.left, r.right);
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(menu->sizedRows(), static_cast<int>(c.rows.size()));
        EXPECT_EQ(Fan_MenuController::retMenuFanCnt(c.sample), static_cast<int>(c.rows.size()));
    }
}

TEST_F(FanModuleTest, menuSpeedsColouredOnlyWhenAsked)
{
    store->setInteger("Fax_MaxRpm", 2000);
    const QVariantMap d = defaults();
    const QColor low = test::themeColour(d, "G01"), warning = test::themeColour(d, "G02"), critical = test::themeColour(d, "G03");
    const auto opaque = [](QColor c) {
        c.setAlphaF(1.0f);
        return c;
    };
    const FanSample sample = fansOf({{"A", 1900}, {"B", 1800}, {"C", 9000}, {"D", 0}}, 3175);
    for (bool colored : {false, true}) {
        SCOPED_TRACE(colored);
        store->setBool("Fan_ColoredMenu", colored);
        const auto item = shown(test::historyOf({sample}));
        item->redrawStatusItem();
        const auto &rows = item->menuController()->rows();
        ASSERT_EQ(rows.size(), 6u);
        // 1900 of 2000 is 0.95; 1800 is 0.9 only in double precision; speeds above the
        // maximum count as the maximum.
        const std::vector<QColor> expected = colored
            ? std::vector<QColor>{opaque(critical), opaque(warning), opaque(critical), opaque(low), QColor(),
                                  opaque(critical)}
            : std::vector<QColor>(6, QColor());
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i].color, expected[i]) << rows[i].left.toStdString();
    }
}

TEST_F(FanModuleTest, compactHeadlineIsTheFastestFanAgainstTheMaximum)
{
    std::vector<std::pair<QString, int64_t>> ten;
    for (int i = 1; i <= 10; ++i)
        ten.emplace_back(QStringLiteral("fan%1").arg(i), 1000 + i);
    struct Case {
        const char *name;
        qint64 maxRpm;
        FanSample sample;
        double fraction; // below 0: no gauge
        const char *label;
        const char *figure;
        QString toolTip;
    };
    const Case cases[] = {
        {"the fastest of two", 4000, fansOf({{"CPU", 1200}, {"Case", 2400}}, 1800), 0.6, "2400rpm", "2.4K",
         "CPU: 1200rpm\nCase: 2400rpm"},
        {"a stopped fan is a reading", 4000, fansOf({{"CPU", 0}}, 0), 0.0, "0rpm", "0", "CPU: 0rpm"},
        {"beyond the maximum", 2000, fansOf({{"CPU", 9000}}, 9000), 1.0, "9000rpm", "9.0K", "CPU: 9000rpm"},
        {"names stay as they are", 5000, fansOf({{"<b>Fan</b> & co", 1000}}, 1000), 0.2, "1000rpm", "1.0K",
         "<b>Fan</b> & co: 1000rpm"},
        {"ten fans: eight listed", 5000, fansOf(ten, 1005), 1010 / 5000.0, "1010rpm", "1.0K",
         "fan1: 1001rpm\nfan2: 1002rpm\nfan3: 1003rpm\nfan4: 1004rpm\nfan5: 1005rpm\nfan6: 1006rpm\nfan7: 1007rpm\n"
         "fan8: 1008rpm\n2 more"},
        {"no fan could be read", 4000, fansOf({}, std::nullopt), -1.0, "FAN --", "", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        store->setInteger("Fax_MaxRpm", c.maxRpm);
        const auto item = shown(test::historyOf({c.sample}));
        const TrayHeadline &h = item->statusItem()->headline();
        EXPECT_EQ(h.label, QLatin1String(c.label));
        EXPECT_EQ(h.toolTip, c.toolTip);
        EXPECT_EQ(h.hasGauge(), c.fraction >= 0.0);
        if (c.fraction < 0.0)
            continue;
        EXPECT_NEAR(h.fraction, c.fraction, 1e-9);
        EXPECT_EQ(h.figure, QLatin1String(c.figure));
        EXPECT_TRUE(h.colour.isValid());
    }
    // Fans that stop answering take the figure away instead of leaving the last one.
    const auto item = shown(test::historyOf({fansOf({{"CPU", 1200}}, 1200)}));
    ASSERT_EQ(item->statusItem()->headline().label, QLatin1String("1200rpm"));
    SensorData data;
    data.fan = test::historyOf({fansOf({{"CPU", 1200}}, 1200), fansOf({}, std::nullopt)});
    item->setSensorData(data);
    item->refreshBar();
    EXPECT_EQ(item->statusItem()->headline().label, QLatin1String("FAN --"));
    EXPECT_FALSE(item->statusItem()->headline().hasGauge());
}

// The speed text alone: the newest sample's average in the theme's text colour over its
// shadow, four digits and the unit.
TEST_F(FanModuleTest, textShowsTheNewestAverageInTheThemeColour)
{
    store->setBool("Fan_Display_Graph", false);
    const QVariantMap d = defaults();
    const QColor ink = test::over(test::themeColour(d, "G04"), test::themeColour(d, "Z01"));
    const QFont font = FontCatalog::fontForName(d.value("_FontPostScriptName").toString(), 10);
    struct Case {
        History<FanSample> history;
        QString text;
        QStringList wrong;
    };
    const Case cases[] = {
        {test::historyOf({fansOf({{"Fan 1", 1200}}, 1200), fansOf({{"Fan 1", 2000}, {"Fan 2", 2800}}, 2400)}), "2400rpm",
         {"1200rpm", "2800rpm", "2000rpm"}},
        {test::historyOf({fansOf({{"Fan 1", 892}}, 892)}), "0892rpm", {"8920rpm", "0092rpm"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        const auto item = shown(c.history);
        const QImage image = item->statusItem()->image();
        EXPECT_EQ(test::readInk(image, ink, font, QStringList{c.text} + c.wrong), c.text);
    }
}
