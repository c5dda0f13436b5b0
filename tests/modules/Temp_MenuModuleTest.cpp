#include "ItemTestSupport.h"
#include "TestEnvironment.h"
#include "TextInk.h"
#include "modules/temp/ImageTempBar.h"
#include "modules/temp/Temp_MenuController.h"
#include "modules/temp/Temp_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/FontCatalog.h"
#include "settings/SettingsStore.h"
#include "settings/TempPreferences.h"
#include "settings/ThemeStore.h"

#include <QMenu>
#include <gtest/gtest.h>

using namespace orb;

namespace {

using Readings = std::vector<std::pair<QString, int64_t>>;

TempSample sampleOf(Readings readings, std::optional<int64_t> average = std::nullopt,
                    std::optional<QString> battery = std::nullopt)
{
    TempSample s;
    s.readings = std::move(readings);
    s.average = average;
    s.battery = std::move(battery);
    return s;
}

class TempModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = SettingsStore::open();
        TempPreferences::initialize(*store);
        store->setBool("Temp_ShowMyLabel", false);
    }
    QVariantMap defaults() { return TempPreferences::load(*store, ThemeStore::builtInReference(false)); }
    std::unique_ptr<Temp_MenuModule> shown(const History<TempSample> &history)
    {
        SensorData data;
        data.temp = history;
        return test::shownItem<Temp_MenuModule>(host, defaults(), data, &delegate);
    }

    test::ScopedHome home;
    std::shared_ptr<SettingsStore> store;
    OffscreenHost host;
    test::NullDelegate delegate;
};

} // namespace

TEST(ImageTempBar, chosenSensor)
{
    const TempSample sample = sampleOf({{"CPU", 45}, {"GPU", 62}, {"PCH", 62}}, 56);
    struct Case {
        const char *shown;
        TempSample sample;
        const char *key;
    };
    const Case cases[] = {
        {"(Highest)", sample, "GPU"}, // the first 62 met
        {"(Highest)", sampleOf({{"CPU", -1}, {"GPU", -1}}), ""},
        {"(Highest)", sampleOf({{"CPU", 29}}, 31, QStringLiteral("33")), "Built-in Battery"},
        {"(Average)", sample, "__AverageTempKey"},
        {"", sample, "__AverageTempKey"},
        {"PCH", sample, "PCH"},
        {"Gone Sensor", sample, "Gone Sensor"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ImageTempBar::retNowSelectedTempKey(QString::fromUtf8(c.shown), c.sample), QString::fromUtf8(c.key))
            << c.shown;

    // Readings by key; an absent label reads 0.
    const TempSample withBattery = sampleOf({{"CPU", 45}}, 40, QStringLiteral("35"));
    EXPECT_EQ(ImageTempBar::valueOf(withBattery, "CPU"), 45);
    EXPECT_EQ(ImageTempBar::valueOf(withBattery, "__AverageTempKey"), 40);
    EXPECT_EQ(ImageTempBar::valueOf(withBattery, "Built-in Battery"), 35);
    EXPECT_EQ(ImageTempBar::valueOf(withBattery, "Gone Sensor"), 0);
    EXPECT_EQ(ImageTempBar::valueOf(sampleOf({{"CPU", 45}}), "__AverageTempKey"), 0);
}

TEST_F(TempModuleTest, widthFollowsTheDrawnElements)
{
    const double text = defaults().value("TempInnerTextWidth").toDouble();
    ASSERT_GT(text, 0);
    struct Case {
        const char *name;
        std::vector<std::pair<const char *, QVariant>> settings;
        double expected;
    };
    const std::vector<Case> cases{
        {"piled up: the text takes no width", {}, 30},
        {"piled up with the label", {{"Temp_ShowMyLabel", true}}, 30 + 2 + 9},
        {"side by side", {{"Temp_PileUp_TextGraph", false}}, std::ceil(text) + 2 + 30},
        {"text only", {{"Temp_Display_Graph", false}}, std::ceil(text)},
        {"graph 50, padding 4, label", {{"Temp_Display_Text", false}, {"Temp_GraphWidth", qint64(50)},
                                        {"Temp_Padding", qint64(4)}, {"Temp_ShowMyLabel", true}}, 50 + 4 + 9},
        {"everything off, label on", {{"Temp_Display_Text", false}, {"Temp_Display_Graph", false},
                                      {"Temp_ShowMyLabel", true}}, 0},
    };
    const auto history = test::historyOf({sampleOf({{"CPU", 50}}, 50)});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TempPreferences::initialize(*store);
        store->setBool("Temp_ShowMyLabel", false);
        for (const auto &[k, v] : c.settings)
            store->setObject(k, v);
        const auto item = shown(history);
        EXPECT_DOUBLE_EQ(item->statusWidth(), c.expected);
    }
}

TEST_F(TempModuleTest, graphColumnsAreColouredByTheMaximumAndScaledTo100Degrees)
{
    store->setBool("Temp_Display_Text", false);
    store->setInteger("Temp_MaxTemp", 80);
    store->setString("Temp_ShowTempOnMenu", "CPU");
    const QVariantMap d = defaults();
    const QColor low = test::themeColour(d, "F01"), warning = test::themeColour(d, "F02"), critical = test::themeColour(d, "F03");
    ASSERT_NE(warning, critical);
    // Oldest first; the newest is drawn at the right edge, each sample 2 pixels wide.
    const auto item = shown(test::historyOf({sampleOf({{"CPU", -1}}), sampleOf({{"CPU", 40}}), sampleOf({{"CPU", 120}}),
                                       sampleOf({{"CPU", 72}}), sampleOf({{"CPU", 76}})}));
    const QImage image = item->statusItem()->image();
    ASSERT_EQ(image.size(), QSize(60, 40));
    // 40 pixels high, 4 pixels of margin at top and bottom: columns grow from y = 36 upward
    // over at most 32 pixels.
    struct Column {
        int x;
        QColor color;
        double height; // pixels
    };
    const Column columns[] = {
        {59, critical, 0.76 * 32}, // 76 of 80 is 0.95
        {57, warning, 0.72 * 32},  // 72 of 80 is 0.8999999761581421 in single precision
        {55, critical, 32},        // 120 fills the column
        {53, low, 0.40 * 32},
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
    // The unreadable sample draws nothing.
    for (int y = 4; y < 36; ++y)
        EXPECT_EQ(image.pixelColor(51, y).alpha(), 0) << y;
}

TEST_F(TempModuleTest, textAndToolTipShowTheChosenReading)
{
    struct Case {
        const char *shown;
        qint64 unit;
        TempSample sample;
        const char *text;
    };
    const Case cases[] = {
        {"(Average)", 1, sampleOf({{"CPU", 44}, {"GPU", 48}}, 46), "46°C"},
        {"GPU", 2, sampleOf({{"CPU", 44}, {"GPU", 45}}, 44), "113°F"},
        {"(Highest)", 3, sampleOf({{"CPU", 44}, {"GPU", 48}}, 46), "321K"},
        {"(Highest)", 1, sampleOf({{"CPU", -1}}), "---"},
        {"Gone Sensor", 1, sampleOf({{"CPU", 44}}, 44), "---"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        store->setString("Temp_ShowTempOnMenu", c.shown);
        store->setInteger("Temp_Unit_Mode", c.unit);
        const auto item = shown(test::historyOf({c.sample}));
        EXPECT_EQ(item->statusItem()->toolTipText(), QString::fromUtf8(c.text));
        EXPECT_EQ(item->statusItem()->toolTipTitle(), QStringLiteral("Temp"));
    }
}

TEST_F(TempModuleTest, highlightedWhileTheMenuIsOpen)
{
    store->setBool("Temp_Display_Text", false);
    const auto item = shown(test::historyOf({sampleOf({{"CPU", 50}}, 50)}));
    const QImage normal = item->statusItem()->image();
    item->menuWillOpen();
    const QImage lit = item->statusItem()->image();
    EXPECT_TRUE(item->statusItem()->isTemplate());
    EXPECT_NE(normal.pixelColor(59, 35), QColor(Qt::white));
    EXPECT_EQ(lit.pixelColor(59, 35), QColor(Qt::white));
    item->menuDidClose();
    EXPECT_EQ(item->statusItem()->image(), normal);
}

TEST_F(TempModuleTest, menuListsEverySensorSortedWithTheAverageAndTheMarker)
{
    const QString marker = QString::fromUtf8(MenuRowsView::kMarker);
    struct Case {
        const char *name;
        const char *shown;
        TempSample sample;
        std::vector<std::pair<QString, QString>> rows;
    };
    const Case cases[] = {
        {"one sensor: no average row", "(Average)", sampleOf({{"cpu-thermal", 48}}, 48), {{"cpu-thermal", "48°C"}}},
        {"sorted ignoring case, average marked", "(Average)",
         sampleOf({{"b sensor", 40}, {"A sensor", 50}, {"C sensor", -1}}, 45),
         {{"A sensor", "50°C"}, {"b sensor", "40°C"}, {"C sensor", "･"}, {"---", "---"},
          {marker + "(Average)", "45°C"}}},
        {"two sensors with an average", "(Highest)", sampleOf({{"GPU", 61}, {"CPU", 57}}, 59),
         {{"CPU", "57°C"}, {marker + "GPU", "61°C"}, {"---", "---"}, {"(Average)", "59°C"}}},
        {"the battery joins the rows", "CPU", sampleOf({{"CPU", 57}, {"Wi-Fi 1", 38}}, 41, QStringLiteral("30")),
         {{"Built-in Battery", "30°C"}, {marker + "CPU", "57°C"}, {"Wi-Fi 1", "38°C"}, {"---", "---"},
          {"(Average)", "41°C"}}},
        {"nothing readable: no average", "(Average)", sampleOf({{"CPU", -1}, {"GPU", -1}, {"PCH", -1}}),
         {{"CPU", "･"}, {"GPU", "･"}, {"PCH", "･"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        store->setString("Temp_ShowTempOnMenu", c.shown);
        const auto item = shown(test::historyOf({c.sample}));
        item->redrawStatusItem();
        Temp_MenuController *menu = item->menuController();
        ASSERT_NE(menu, nullptr);
        std::vector<std::pair<QString, QString>> rows;
        for (const auto &r : menu->rows())
            rows.emplace_back(r.left, r.right);
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(menu->sizedRows(), static_cast<int>(c.rows.size()));
        EXPECT_EQ(menu->height(), static_cast<int>(std::ceil(c.rows.size() * MenuRowsView::kLineHeight)) + 12);
    }
}

TEST_F(TempModuleTest, menuReadingsColouredOnlyWhenAskedAndReadable)
{
    store->setInteger("Temp_MaxTemp", 80);
    const QVariantMap d = defaults();
    const QColor low = test::themeColour(d, "F01"), warning = test::themeColour(d, "F02"), critical = test::themeColour(d, "F03");
    const TempSample sample = sampleOf({{"A", 76}, {"B", 72}, {"C", 40}, {"D", -1}}, 62);
    const auto opaque = [](QColor c) {
        c.setAlphaF(1.0f);
        return c;
    };
    for (bool colored : {false, true}) {
        SCOPED_TRACE(colored);
        store->setBool("Temp_ColoredMenu", colored);
        const auto item = shown(test::historyOf({sample}));
        item->redrawStatusItem();
        const auto &rows = item->menuController()->rows();
        ASSERT_EQ(rows.size(), 6u);
        const std::vector<QColor> expected =
            // 62 of 80 (the average) is in the warning band
            colored ? std::vector<QColor>{opaque(critical), opaque(warning), opaque(low), QColor(), QColor(), opaque(warning)}
                    : std::vector<QColor>(6, QColor());
        for (std::size_t i = 0; i < rows.size(); ++i)
            EXPECT_EQ(rows[i].color, expected[i]) << rows[i].left.toStdString();
    }
}

TEST_F(TempModuleTest, menuGrowsWhenSensorsAppear)
{
    auto item = shown(test::historyOf({sampleOf({{"CPU", 50}}, 50)}));
    item->menuWillOpen();
    EXPECT_EQ(item->menuController()->sizedRows(), 1);
    SensorData data;
    data.temp = test::historyOf({sampleOf({{"CPU", 50}}, 50), sampleOf({{"CPU", 50}, {"GPU", 40}, {"PCH", 45}}, 45)});
    item->setSensorData(data);
    item->cycleStatusMenu();
    EXPECT_EQ(item->menuController()->sizedRows(), 5);
    EXPECT_EQ(item->menuController()->rows().size(), 5u);
}

TEST_F(TempModuleTest, compactHeadlineIsTheShownReadingUpTo100Degrees)
{
    struct Case {
        const char *shown;
        qint64 unit;
        TempSample sample;
        double fraction; // below 0: no gauge
        const char *label;
        const char *figure;
        const char *toolTip;
    };
    const Case cases[] = {
        {"(Average)", 1, sampleOf({{"CPU", 44}, {"GPU", 48}}, 46), 0.46, "46°C", "46°", "Average: 46°C\nHottest GPU: 48°C"},
        {"GPU", 2, sampleOf({{"CPU", 44}, {"GPU", 45}}, 44), 0.45, "113°F", "113°", "GPU: 113°F"},
        {"CPU", 1, sampleOf({{"CPU", 44}, {"GPU", 62}}, 53), 0.44, "44°C", "44°", "CPU: 44°C\nHottest GPU: 62°C"},
        {"(Highest)", 3, sampleOf({{"CPU", 44}, {"GPU", 48}}, 46), 0.48, "321K", "321", "GPU: 321K"},
        {"(Highest)", 1, sampleOf({{"CPU", 130}}, 130), 1.0, "130°C", "130°", "CPU: 130°C"},
        // Nothing readable is no reading, never a cold machine.
        {"(Highest)", 1, sampleOf({{"CPU", -1}}), -1.0, "TEMP --", "", ""},
        {"Gone Sensor", 1, sampleOf({{"CPU", 44}}, 44), -1.0, "TEMP --", "", "Gone Sensor: ---"},
        {"(Average)", 1, sampleOf({{"CPU", -1}}), -1.0, "TEMP --", "", "Average: ---"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        store->setString("Temp_ShowTempOnMenu", c.shown);
        store->setInteger("Temp_Unit_Mode", c.unit);
        const auto item = shown(test::historyOf({c.sample}));
        const TrayHeadline &h = item->statusItem()->headline();
        EXPECT_EQ(h.label, QString::fromUtf8(c.label));
        EXPECT_EQ(h.toolTip, QString::fromUtf8(c.toolTip));
        EXPECT_EQ(h.hasGauge(), c.fraction >= 0.0);
        if (c.fraction < 0.0)
            continue;
        EXPECT_NEAR(h.fraction, c.fraction, 1e-9);
        EXPECT_EQ(h.figure, QString::fromUtf8(c.figure));
    }
    // Coloured like the graph: a hot reading not like a cool one.
    store->setString("Temp_ShowTempOnMenu", "(Highest)");
    store->setInteger("Temp_Unit_Mode", 1);
    const QColor cool = shown(test::historyOf({sampleOf({{"CPU", 30}}, 30)}))->statusItem()->headline().colour;
    const QColor hot = shown(test::historyOf({sampleOf({{"CPU", 99}}, 99)}))->statusItem()->headline().colour;
    EXPECT_TRUE(cool.isValid());
    EXPECT_NE(cool, hot);
    // Sensors that went away take the figure with them.
    const auto item = shown(test::historyOf({sampleOf({{"CPU", 62}}, 62)}));
    ASSERT_EQ(item->statusItem()->headline().label, QString::fromUtf8("62°C"));
    SensorData data;
    data.temp = test::historyOf({sampleOf({{"CPU", 62}}, 62), TempSample{}});
    item->setSensorData(data);
    item->refreshBar();
    EXPECT_EQ(item->statusItem()->headline().label, QLatin1String("TEMP --"));
    EXPECT_FALSE(item->statusItem()->headline().hasGauge());
}

// The reading alone, as the image draws it: the chosen sensor in the chosen unit, in the
// theme's text colour over its shadow.
TEST_F(TempModuleTest, textDrawsTheChosenReadingInItsUnit)
{
    store->setBool("Temp_Display_Graph", false);
    struct Case {
        const char *shown;
        qint64 unit;
        TempSample sample;
        const char *text;
        QStringList wrong;
    };
    const Case cases[] = {
        {"(Average)", 1, sampleOf({{"CPU", 44}, {"GPU", 48}}, 46), "46°C", {"44°C", "48°C", "46°F"}},
        {"GPU", 2, sampleOf({{"CPU", 44}, {"GPU", 45}}, 44), "113°F", {"111°F", "45°F", "318K"}},
        {"(Highest)", 3, sampleOf({{"CPU", 44}, {"GPU", 48}}, 46), "321K", {"319K", "317K", "48°C"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        store->setString("Temp_ShowTempOnMenu", c.shown);
        store->setInteger("Temp_Unit_Mode", c.unit);
        const QVariantMap d = defaults();
        const QColor ink = test::over(test::themeColour(d, "F04"), test::themeColour(d, "Z01"));
        const QFont font = FontCatalog::fontForName(d.value("_FontPostScriptName").toString(), 10);
        const QImage image = shown(test::historyOf({c.sample}))->statusItem()->image();
        QStringList candidates{QString::fromUtf8(c.text)};
        candidates += c.wrong;
        EXPECT_EQ(test::readInk(image, ink, font, candidates), QString::fromUtf8(c.text));
    }
}
