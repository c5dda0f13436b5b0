#include "TestEnvironment.h"
#include "settings/DiskPreferences.h"
#include "settings/NetworkPreferences.h"
#include "settings/PlistFunction.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"
#include "settings/VncPreferences.h"
#include "settings/VolumePreferences.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <cmath>
#include <gtest/gtest.h>

using namespace orb;

namespace {

QVariantMap theme(double sizeDiff = 0)
{
    return {{"_FontPostScriptName", "DejaVuSansMono-Bold"},
            {"_FontSizeDiff", sizeDiff},
            {"_FontAdjust", 0.0},
            {"_ForDarkAppearance", false},
            {"C01", QVariantList{1.0, 0.0, 0.0, 1.0}},
            {"D02", QVariantList{0.0, 1.0, 0.0, 1.0}},
            {"E01", QVariantList{0.0, 0.0, 1.0, 1.0}},
            {"Z01", QVariantList{0.0, 0.0, 0.0, 1.0}}};
}

// The widest string in the theme's font at `pixelSize`, in whole points, measured here
// rather than through the application's own measuring code.
double measured(const QStringList &strings, int pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleName(QStringLiteral("Bold"));
    font.setPixelSize(pixelSize);
    const QFontMetricsF metrics(font);
    double widest = 0;
    for (const QString &s : strings)
        widest = std::max(widest, std::ceil(metrics.horizontalAdvance(s) - 1e-9));
    return widest;
}

struct Module {
    const char *name;
    void (*initialize)(SettingsStore &);
    QVariantMap (*load)(SettingsStore &, const QVariantMap &);
};

const Module kNetwork{"Network", NetworkPreferences::initialize, NetworkPreferences::load};
const Module kDisk{"Disk", DiskPreferences::initialize, DiskPreferences::load};
const Module kVolume{"Volume", VolumePreferences::initialize, VolumePreferences::load};
const Module kVnc{"VNC", VncPreferences::initialize, VncPreferences::load};

QVariantList ints(std::initializer_list<int> values)
{
    QVariantList out;
    for (int v : values)
        out.append(qint64(v));
    return out;
}

} // namespace

TEST(StorageNetworkPreferences, FirstRunDictionaries)
{
    struct Case {
        Module module;
        std::vector<std::pair<const char *, QVariant>> expected;
    };
    const QStringList none{"", ""};
    const std::vector<Case> cases{
        {kNetwork,
         {{"NetworkItemSortArray", ints({1, 2, 3, 4})},
          {"Network_Display_UdLabel", false},
          {"Network_Display_UdCircle", false},
          {"Network_Display_Graph", true},
          {"Network_Display_Text", true},
          {"Network_UdLabel_Mode", 1},
          {"Network_Graph_Mode", 1},
          {"Network_Text_Mode", 1},
          {"Network_Limen_Base", 1},
          {"Network_UpdateInterval", 2},
          {"Network_GraphWidth", 30},
          {"Network_Padding", 2},
          {"Network_ShowAllNic", false},
          {"WifiDisconnectNotifyBool", false},
          {"Network_UdLabel_ModeAry", QStringList{"Up", "Dw"}},
          {"PrefName", "Network"}}},
        {kDisk,
         {{"DiskItemSortArray", ints({1, 2, 3})},
          {"Disk_Display_Indicator", true},
          {"Disk_Display_Graph", false},
          {"Disk_Display_Text", false},
          {"Disk_ShowEachDisk", true},
          {"Disk_WithDiskIconInBackground", false},
          {"Disk_IndicatorAboveIcon", false},
          {"Disk_UpdateInterval", 2},
          {"Disk_GraphWidth", 30},
          {"Disk_Padding", 2},
          {"Disk_Indicator_Label", 1},
          {"Disk_Graph_Label", 1},
          {"Disk_Graph_Mode", 1},
          {"Disk_Text_Label", 1},
          {"Disk_Percent_Mode", 1},
          {"Disk_Indicator_LabelAry", none},
          {"Disk_Graph_LabelAry", none},
          {"Disk_Text_LabelAry", none},
          {"DiskInnerIndicatorLabelWidth", 0.0},
          {"DiskInnerGraphLabelWidth", 0.0},
          {"DiskInnerTextLabelWidth", 0.0},
          {"DiskInnerIconAbleToBeBol", true},
          {"PrefName", "Disk"}}},
        {kVolume,
         {{"VlmsItemSortArray", ints({1, 2, 3, 4, 5})},
          {"Vlms_Display_BarChart", true},
          {"Vlms_Display_CycleChart", false},
          {"Vlms_Display_Graph", false},
          {"Vlms_Display_Text", false},
          {"Vlms_Display_Percent", false},
          {"Vlms_GraphAsLine", false},
          {"Vlms_LineAsBold", false},
          {"Vlms_HideSystemVols", true},
          {"Vlms_ShowEachDisk", true},
          {"Vlms_HideNetworkVols", false},
          {"Vlms_WithDiskIconInBackground", false},
          {"Vlms_ColoredValue", false},
          {"Vlms_UpdateInterval", 5},
          {"Vlms_GraphWidth", 30},
          {"Volume_Padding", 2},
          {"Vlms_Text_Label", 1},
          {"Vlms_Percent_Mode", 1},
          {"Vlms_Text_LabelAry", none},
          {"VlmsInnerTextLabelWidth", 0.0},
          {"VlmsInnerIconAbleToBeBol", true},
          {"PrefName", "Volume"}}},
        {kVnc,
         {{"Vnc_ShowMenu", false},
          {"Vnc_AddMenuOpenAll", false},
          {"Vnc_EnaMenu_Amon", false},
          {"_ForDarkAppearance", false},
          {"PrefName", "VNC"}}},
    };
    for (const Case &c : cases) {
        test::ScopedHome home;
        SettingsStore::resetSharedInstances();
        auto s = SettingsStore::open();
        c.module.initialize(*s);
        // The first-run values are on disk, not only in memory.
        SettingsStore::resetSharedInstances();
        s = SettingsStore::open();
        const QVariantMap d = c.module.load(*s, theme());
        for (const auto &[key, value] : c.expected) {
            ASSERT_TRUE(d.contains(key)) << c.module.name << " " << key;
            const QVariant got = d.value(key);
            if (value.typeId() == QMetaType::Int)
                EXPECT_EQ(got.toLongLong(), value.toLongLong()) << c.module.name << " " << key;
            else if (value.typeId() == QMetaType::QStringList)
                EXPECT_EQ(got.toStringList(), value.toStringList()) << c.module.name << " " << key;
            else
                EXPECT_EQ(got, value) << c.module.name << " " << key;
        }
    }
}

TEST(StorageNetworkPreferences, FirstRunLeavesOptionalKeysUnwritten)
{
    test::ScopedHome home;
    SettingsStore::resetSharedInstances();
    auto s = SettingsStore::open();
    // Everything a first start writes for each module, and nothing else.
    const std::vector<std::pair<Module, qsizetype>> counts{{kNetwork, 12}, {kDisk, 14}, {kVolume, 17}, {kVnc, 2}};
    for (const auto &[m, count] : counts) {
        const qsizetype before = s->keys().size();
        m.initialize(*s);
        EXPECT_EQ(s->keys().size() - before, count) << m.name;
    }
    for (const char *key : {"Network_ShowAllNic", "Network_ShowIBridge", "WifiDisconnectNotifyBool",
                            "Disk_IndicatorAboveIcon", "Volume_IndicatorAboveIcon", "Vlms_ColoredValue",
                            "Vlms_GradientColor", "Vnc_ClientSortArray", "Network_EnaMenu_Amon", "Vnc_EnaMenu_Tmnl"})
        EXPECT_FALSE(s->contains(key)) << key;
}

TEST(StorageNetworkPreferences, WidthsInTheThemeFont)
{
    struct Case {
        Module module;
        const char *key;
        QStringList strings;
    };
    const std::vector<Case> cases{
        {kNetwork, "NetworkInnerUdLabelWidth", {"Up", "Dw"}},
        {kNetwork, "NetworkInnerTextWidth", {"888.8XXX"}},
        {kDisk, "DiskInnerTextValueWidth", {"888.8XX/X"}},
        {kVolume, "VlmsInnerPercentWidth", {"188%"}},
    };
    for (int sizeDiff : {0, 3}) {
        for (const Case &c : cases) {
            test::ScopedHome home;
            SettingsStore::resetSharedInstances();
            auto s = SettingsStore::open();
            c.module.initialize(*s);
            const double got = c.module.load(*s, theme(sizeDiff)).value(c.key).toDouble();
            EXPECT_EQ(got, measured(c.strings, 10 + sizeDiff)) << c.key << " +" << sizeDiff;
            EXPECT_GT(got, 0) << c.key;
        }
    }
}

TEST(StorageNetworkPreferences, LabelPairsAndTheirWidths)
{
    struct Case {
        Module module;
        const char *setting;
        const char *pairKey;
        const char *widthKey;
        qint64 stored;
        qint64 clamped;
        QStringList pair; // empty strings for "no label"
    };
    const QStringList none{"", ""};
    const QStringList rw{"R:", "W:"};
    const QStringList readWrite{"Read:", "Write:"};
    const std::vector<Case> cases{
        {kDisk, "Disk_Indicator_Label", "Disk_Indicator_LabelAry", "DiskInnerIndicatorLabelWidth", 1, 1, none},
        {kDisk, "Disk_Indicator_Label", "Disk_Indicator_LabelAry", "DiskInnerIndicatorLabelWidth", 2, 2, rw},
        {kDisk, "Disk_Indicator_Label", "Disk_Indicator_LabelAry", "DiskInnerIndicatorLabelWidth", 3, 3, readWrite},
        {kDisk, "Disk_Graph_Label", "Disk_Graph_LabelAry", "DiskInnerGraphLabelWidth", 3, 3, readWrite},
        {kDisk, "Disk_Text_Label", "Disk_Text_LabelAry", "DiskInnerTextLabelWidth", 2, 2, rw},
        // Out of the list: brought to its nearest end.
        {kDisk, "Disk_Text_Label", "Disk_Text_LabelAry", "DiskInnerTextLabelWidth", 0, 1, none},
        {kDisk, "Disk_Graph_Label", "Disk_Graph_LabelAry", "DiskInnerGraphLabelWidth", -7, 1, none},
        {kDisk, "Disk_Indicator_Label", "Disk_Indicator_LabelAry", "DiskInnerIndicatorLabelWidth", 4, 3, readWrite},
        {kVolume, "Vlms_Text_Label", "Vlms_Text_LabelAry", "VlmsInnerTextLabelWidth", 1, 1, none},
        {kVolume, "Vlms_Text_Label", "Vlms_Text_LabelAry", "VlmsInnerTextLabelWidth", 2, 2, {"U:", "F:"}},
        {kVolume, "Vlms_Text_Label", "Vlms_Text_LabelAry", "VlmsInnerTextLabelWidth", 3, 3, {"Used:", "Free:"}},
        {kVolume, "Vlms_Text_Label", "Vlms_Text_LabelAry", "VlmsInnerTextLabelWidth", 99, 3, {"Used:", "Free:"}},
        {kVolume, "Vlms_Text_Label", "Vlms_Text_LabelAry", "VlmsInnerTextLabelWidth", -1, 1, none},
        {kNetwork, "Network_UdLabel_Mode", "Network_UdLabel_ModeAry", "NetworkInnerUdLabelWidth", 2, 2,
         {"Upload", "Download"}},
        {kNetwork, "Network_UdLabel_Mode", "Network_UdLabel_ModeAry", "NetworkInnerUdLabelWidth", 3, 3, {"Out", "In"}},
        {kNetwork, "Network_UdLabel_Mode", "Network_UdLabel_ModeAry", "NetworkInnerUdLabelWidth", 4, 4,
         {"Send", "Receive"}},
        {kNetwork, "Network_UdLabel_Mode", "Network_UdLabel_ModeAry", "NetworkInnerUdLabelWidth", 5, 4,
         {"Send", "Receive"}},
        {kNetwork, "Network_UdLabel_Mode", "Network_UdLabel_ModeAry", "NetworkInnerUdLabelWidth", 0, 1, {"Up", "Dw"}},
    };
    for (const Case &c : cases) {
        test::ScopedHome home;
        SettingsStore::resetSharedInstances();
        auto s = SettingsStore::open();
        c.module.initialize(*s);
        s->setInteger(c.setting, c.stored);
        const QVariantMap d = c.module.load(*s, theme());
        const QString what = QStringLiteral("%1=%2").arg(c.setting).arg(c.stored);
        EXPECT_EQ(d.value(c.pairKey).toStringList(), c.pair) << what.toStdString();
        EXPECT_EQ(d.value(c.widthKey).toDouble(), c.pair == none ? 0.0 : measured(c.pair, 10)) << what.toStdString();
        EXPECT_EQ(d.value(c.setting).toLongLong(), c.clamped) << what.toStdString();
        // The stored value itself stays as it was.
        EXPECT_EQ(s->integerForKey(c.setting), c.stored) << what.toStdString();
    }
}

TEST(StorageNetworkPreferences, ModeNumbersOutsideTheirListsAreClamped)
{
    struct Case {
        Module module;
        const char *key;
        qint64 stored;
        qint64 expected;
    };
    const std::vector<Case> cases{
        {kNetwork, "Network_Graph_Mode", 5, 5},  {kNetwork, "Network_Graph_Mode", 6, 5},
        {kNetwork, "Network_Graph_Mode", 0, 1},  {kNetwork, "Network_Text_Mode", 2, 2},
        {kNetwork, "Network_Text_Mode", 3, 2},   {kNetwork, "Network_Text_Mode", -2, 1},
        {kDisk, "Disk_Graph_Mode", 4, 4},        {kDisk, "Disk_Graph_Mode", 1000, 5},
        {kDisk, "Disk_Graph_Mode", -1, 1},       {kVolume, "Vlms_Percent_Mode", 2, 2},
        {kVolume, "Vlms_Percent_Mode", 3, 2},    {kVolume, "Vlms_Percent_Mode", 0, 1},
    };
    for (const Case &c : cases) {
        test::ScopedHome home;
        SettingsStore::resetSharedInstances();
        auto s = SettingsStore::open();
        c.module.initialize(*s);
        s->setInteger(c.key, c.stored);
        EXPECT_EQ(c.module.load(*s, theme()).value(c.key).toLongLong(), c.expected) << c.key << "=" << c.stored;
    }
}

TEST(StorageNetworkPreferences, IconAloneKeepsDiskAndVolumeShown)
{
    struct Case {
        Module module;
        const char *dictKey;
        const char *launchKey;
        std::vector<const char *> on; // every other switch of the module is off
        bool expected;
    };
    const std::vector<const char *> diskSwitches{"Disk_Display_Indicator", "Disk_Display_Graph", "Disk_Display_Text",
                                                 "Disk_ShowEachDisk", "Disk_WithDiskIconInBackground"};
    const std::vector<const char *> volumeSwitches{"Vlms_Display_BarChart",  "Vlms_Display_CycleChart",
                                                   "Vlms_Display_Graph",     "Vlms_Display_Text",
                                                   "Vlms_Display_Percent",   "Vlms_ShowEachDisk",
                                                   "Vlms_WithDiskIconInBackground"};
    const std::vector<Case> cases{
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume", {}, false},
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume", {"Vlms_ShowEachDisk"}, false},
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume", {"Vlms_WithDiskIconInBackground"}, false},
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume",
         {"Vlms_ShowEachDisk", "Vlms_WithDiskIconInBackground"}, true},
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume", {"Vlms_Display_BarChart"}, true},
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume", {"Vlms_Display_CycleChart"}, true},
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume", {"Vlms_Display_Graph"}, true},
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume", {"Vlms_Display_Text"}, true},
        {kVolume, "VlmsInnerIconAbleToBeBol", "LaunchVolume", {"Vlms_Display_Percent"}, true},
        {kDisk, "DiskInnerIconAbleToBeBol", "LaunchDisk", {}, false},
        {kDisk, "DiskInnerIconAbleToBeBol", "LaunchDisk", {"Disk_ShowEachDisk"}, false},
        {kDisk, "DiskInnerIconAbleToBeBol", "LaunchDisk", {"Disk_WithDiskIconInBackground"}, false},
        {kDisk, "DiskInnerIconAbleToBeBol", "LaunchDisk", {"Disk_ShowEachDisk", "Disk_WithDiskIconInBackground"},
         true},
        {kDisk, "DiskInnerIconAbleToBeBol", "LaunchDisk", {"Disk_Display_Indicator"}, true},
        {kDisk, "DiskInnerIconAbleToBeBol", "LaunchDisk", {"Disk_Display_Graph"}, true},
        {kDisk, "DiskInnerIconAbleToBeBol", "LaunchDisk", {"Disk_Display_Text"}, true},
    };
    for (const Case &c : cases) {
        test::ScopedHome home;
        SettingsStore::resetSharedInstances();
        auto s = SettingsStore::open();
        c.module.initialize(*s);
        for (const char *k : c.module.initialize == kDisk.initialize ? diskSwitches : volumeSwitches)
            s->setBool(k, false);
        std::string what = c.dictKey;
        for (const char *k : c.on) {
            s->setBool(k, true);
            what += std::string(" ") + k;
        }
        EXPECT_EQ(c.module.load(*s, theme()).value(c.dictKey).toBool(), c.expected) << what;
        // The module is launched exactly when it has something to draw.
        EXPECT_EQ(PrefFunctions::deriveLaunchKeys(*s).value(c.launchKey).toBool(), c.expected) << what;
    }
}

TEST(StorageNetworkPreferences, VolumeStateColoursWithoutThemeValues)
{
    struct Case {
        QVariantMap extra; // added to the theme
        QColor e05, e06, e07;
    };
    const QColor half = QColor::fromRgbF(0.5, 0.5, 0.5, 0.5);
    const std::vector<Case> cases{
        {{}, QColor(0, 255, 0), QColor(255, 255, 0), QColor(255, 0, 0)},
        {{{"E06", QVariantList{0.5, 0.5, 0.5, 0.5}}}, QColor(0, 255, 0), half, QColor(255, 0, 0)},
        {{{"E05", QVariantList{0.5, 0.5, 0.5, 0.5}},
          {"E06", QVariantList{0.5, 0.5, 0.5, 0.5}},
          {"E07", QVariantList{0.5, 0.5, 0.5, 0.5}}},
         half, half, half},
    };
    for (const Case &c : cases) {
        test::ScopedHome home;
        SettingsStore::resetSharedInstances();
        auto s = SettingsStore::open();
        VolumePreferences::initialize(*s);
        QVariantMap t = theme();
        t.insert(c.extra);
        const QVariantMap d = VolumePreferences::load(*s, t);
        EXPECT_EQ(d.value("E05").value<QColor>(), c.e05) << c.extra.size();
        EXPECT_EQ(d.value("E06").value<QColor>(), c.e06) << c.extra.size();
        EXPECT_EQ(d.value("E07").value<QColor>(), c.e07) << c.extra.size();
        EXPECT_EQ(d.value("E01").value<QColor>(), QColor(0, 0, 255));
    }
}

TEST(StorageNetworkPreferences, ThemeValuesEachModuleTakes)
{
    // Only the theme keys a module names reach its dictionary.
    struct Case {
        Module module;
        std::vector<const char *> present;
        std::vector<const char *> absent;
    };
    const std::vector<Case> cases{
        {kNetwork, {"C01", "Z01", "_FontPostScriptName", "_FontSizeDiff"}, {"D02", "E01"}},
        {kDisk, {"D02", "Z01", "_FontAdjust"}, {"C01", "E01"}},
        {kVolume, {"E01", "Z01", "_ForDarkAppearance"}, {"C01", "D02"}},
        // Menus only: no font keys and no spacing.
        {kVnc, {"Z01", "_ForDarkAppearance"}, {"_FontPostScriptName", "_FontSizeDiff", "_FontAdjust", "C01",
                                               "Vnc_Padding", "Vnc_ClientSortArray"}},
    };
    for (const Case &c : cases) {
        test::ScopedHome home;
        SettingsStore::resetSharedInstances();
        auto s = SettingsStore::open();
        c.module.initialize(*s);
        const QVariantMap d = c.module.load(*s, theme());
        for (const char *k : c.present)
            EXPECT_TRUE(d.contains(k)) << c.module.name << " " << k;
        for (const char *k : c.absent)
            EXPECT_FALSE(d.contains(k)) << c.module.name << " " << k;
    }
}

TEST(StorageNetworkPreferences, VncServerListOnlyWhenStoredAsList)
{
    test::ScopedHome home;
    SettingsStore::resetSharedInstances();
    auto s = SettingsStore::open();
    VncPreferences::initialize(*s);
    EXPECT_FALSE(VncPreferences::load(*s, theme()).contains("Vnc_ClientSortArray"));

    s->setString("Vnc_ClientSortArray", "not a list");
    EXPECT_FALSE(VncPreferences::load(*s, theme()).contains("Vnc_ClientSortArray"));

    const QVariantList servers{QVariantMap{{"name", "desk"}}, QVariantMap{{"name", "lab"}}};
    s->setArray("Vnc_ClientSortArray", servers);
    EXPECT_EQ(VncPreferences::load(*s, theme()).value("Vnc_ClientSortArray").toList(), servers);
    s->setArray("Vnc_ClientSortArray", {});
    const QVariantMap d = VncPreferences::load(*s, theme());
    ASSERT_TRUE(d.contains("Vnc_ClientSortArray"));
    EXPECT_TRUE(d.value("Vnc_ClientSortArray").toList().isEmpty());
}

TEST(StorageNetworkPreferences, HyphenMeansNoLabel)
{
    struct Case {
        QStringList in;
        std::optional<QStringList> out;
    };
    const std::vector<Case> cases{
        {{}, std::nullopt},
        {{"-", "W:"}, QStringList{"", "W:"}},
        {{"R:", "-"}, QStringList{"R:", ""}},
        {{"-", "-"}, QStringList{"", ""}},
        {{"--", " - "}, QStringList{"--", " - "}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PlistFunction::checkHyphenToNull(c.in), c.out) << c.in.join('|').toStdString();
}
