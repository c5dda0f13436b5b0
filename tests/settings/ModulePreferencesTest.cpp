#include "TestEnvironment.h"
#include "settings/CpuPreferences.h"
#include "settings/FanPreferences.h"
#include "settings/GpuPreferences.h"
#include "settings/MemoryPreferences.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"
#include "settings/TempPreferences.h"

#include <QColor>
#include <QLabel>
#include <QSlider>
#include <cmath>
#include <gtest/gtest.h>

using namespace orb;

namespace {

// A theme with the fallback font at the base size and one colour per module.
QVariantMap theme(double sizeDiff = 0)
{
    return {{"_FontPostScriptName", "DejaVuSansMono-Bold"},
            {"_FontSizeDiff", sizeDiff},
            {"A01", QVariantList{1.0, 0.0, 0.0, 1.0}},
            {"F04", QVariantList{0.0, 0.0, 1.0, 0.5}},
            {"Z01", QVariantList{0.0, 0.0, 0.0}}};
}

// DejaVu Sans Mono advances every character by 1233/2048 em, and text widths are rounded up
// to whole points: n characters take ceil(n × 6.02) at 10 points, ceil(n × 7.83) at 13.

} // namespace

TEST(ModulePreferences, RangeChecksForMaximumTemperatureAndFanSpeed)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    const std::vector<std::pair<qint64, qint64>> temps{{59, 100}, {60, 60}, {100, 100}, {101, 100}, {0, 100}};
    for (auto [in, out] : temps) {
        s->removeObjectForKey("Temp_MaxTemp");
        EXPECT_EQ(TempPreferences::checkMaxTemp(*s, in), out) << in;
        EXPECT_EQ(s->contains("Temp_MaxTemp"), in != out) << in;
    }
    const std::vector<std::pair<qint64, qint64>> rpms{{1999, 6000}, {2000, 2000}, {6000, 6000}, {6001, 6000}};
    for (auto [in, out] : rpms) {
        s->removeObjectForKey("Fax_MaxRpm");
        EXPECT_EQ(FanPreferences::checkMaxRpm(*s, in), out) << in;
        EXPECT_EQ(s->contains("Fax_MaxRpm"), in != out) << in;
    }
    // A first build stores the defaults.
    TempPreferences::load(*s, theme());
    FanPreferences::load(*s, theme());
    EXPECT_EQ(s->integerForKey("Fax_MaxRpm"), 6000);
}

TEST(ModulePreferences, CpuDictionary)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    CpuPreferences::initialize(*s);
    s->setInteger("Cpu_Padding", 0);
    QVariantMap d = CpuPreferences::load(*s, theme());
    EXPECT_EQ(d.value("Cpu_Padding").toLongLong(), 1);
    EXPECT_EQ(d.value("Cpu_GraphWidth").toLongLong(), 30);
    EXPECT_EQ(d.value("CpuItemSortArray").toList().size(), 4);
    EXPECT_EQ(d.value("A01").value<QColor>(), QColor::fromRgbF(1, 0, 0, 1));
    EXPECT_EQ(d.value("Z01").value<QColor>().alpha(), 0); // three entries: clear
    EXPECT_FALSE(d.contains("A02"));
    EXPECT_EQ(d.value("PrefName").toString(), "CPU");
    EXPECT_EQ(d.value("CpuInnerTextWidth").toDouble(), 25.0); // 4 characters
    s->setBool("Cpu_Text_DisplayAverage", true);
    d = CpuPreferences::load(*s, theme(2));
    EXPECT_EQ(d.value("CpuInnerTextWidth").toDouble(), 32.0); // 4 characters at 13
}

TEST(ModulePreferences, MemoryHeaderWidths)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    MemoryPreferences::initialize(*s);
    QVariantMap d = MemoryPreferences::load(*s, theme());
    EXPECT_EQ(d.value("MemoryInnerTextHeaderWidth").toDouble(), 13.0); // "X:"
    EXPECT_EQ(d.value("MemoryInnerDetailRHeaderWidth").toDouble(), 13.0);
    s->setBool("Memory_DetailText_WithLongLabel", true);
    d = MemoryPreferences::load(*s, theme());
    EXPECT_EQ(d.value("MemoryInnerDetailLHeaderWidth").toDouble(), 43.0); // 7 characters
    EXPECT_EQ(d.value("MemoryInnerDetailRHeaderWidth").toDouble(), 55.0); // 9 characters
    EXPECT_EQ(d.value("MemoryInnerTextHeaderWidth").toDouble(), 13.0);
}

TEST(ModulePreferences, TemperatureTextFitting)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    TempPreferences::initialize(*s);
    // Wide graph: the text fits beside it.
    s->setInteger("Temp_GraphWidth", 100);
    QVariantMap d = TempPreferences::load(*s, theme());
    EXPECT_EQ(d.value("TempInnerTextMode").toLongLong(), 1);
    EXPECT_EQ(d.value("TempInnerPiledFontSizeDbl").toDouble(), -1.0);
    EXPECT_EQ(d.value("TempInnerTextWidth").toDouble(), 25.0); // 4 characters
    EXPECT_EQ(d.value("Temp_Unit_ModeStr").toString(), QString::fromUtf8("°C"));
    // Narrow graph with pile-up: mode 2 at a piled size that fits twice the graph width.
    s->setInteger("Temp_GraphWidth", 10);
    d = TempPreferences::load(*s, theme());
    EXPECT_EQ(d.value("TempInnerTextMode").toLongLong(), 2);
    const double piled = d.value("TempInnerPiledFontSizeDbl").toDouble();
    // The largest even size at which "88" stays under 20: 14 (17 wide); at 16 it takes 20.
    EXPECT_EQ(piled, 14.0);
    // Pile-up off: mode 1 even though the text is wider than the graph.
    s->setBool("Temp_PileUp_TextGraph", false);
    EXPECT_EQ(TempPreferences::load(*s, theme()).value("TempInnerTextMode").toLongLong(), 1);
    // Unit numbers outside the list are clamped.
    for (auto [mode, unit] : std::vector<std::pair<int, const char *>>{{0, "°C"}, {3, "K"}, {9, "K"}, {-4, "°C"}}) {
        s->setInteger("Temp_Unit_Mode", mode);
        EXPECT_EQ(TempPreferences::load(*s, theme()).value("Temp_Unit_ModeStr").toString(), QString::fromUtf8(unit)) << mode;
    }
}

TEST(ModulePreferences, FanTextFitting)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    FanPreferences::initialize(*s);
    s->setBool("Fan_PileUp_TextGraph", false);
    QVariantMap d = FanPreferences::load(*s, theme());
    EXPECT_EQ(d.value("FanInnerTextMode").toLongLong(), 1);
    EXPECT_EQ(d.value("FanInnerTextFormat").toString(), "%04drpm");
    EXPECT_EQ(d.value("FanInnerTextWidth").toDouble(), 43.0); // 7 characters

    s->setBool("Fan_PileUp_TextGraph", true);
    s->setInteger("Fan_GraphWidth", 15);
    d = FanPreferences::load(*s, theme());
    // "8888" takes 25 at 10 points, more than the 15-point graph: piled up, at the largest
    // even size at which it stays under twice the graph width, 12 (29 wide; 34 at 14).
    EXPECT_EQ(d.value("FanInnerTextMode").toLongLong(), 4);
    EXPECT_EQ(d.value("FanInnerPiledFontSizeDbl").toDouble(), 12.0);
    EXPECT_EQ(d.value("FanInnerTextFormat").toString(), "%04d");
}

TEST(ModulePreferences, PiledFontSize)
{
    EXPECT_EQ(PrefFunctions::calcPiledFontSize("8888", 5.9, "DejaVuSansMono-Bold", 100), 12);
    EXPECT_EQ(PrefFunctions::calcPiledFontSize("8888", 10, "DejaVuSansMono-Bold", 1000), 20);
    EXPECT_EQ(PrefFunctions::calcPiledFontSize("8888", 10, "DejaVuSansMono-Bold", 1), 12);
}

TEST(ModulePreferences, SwitchOffWithoutHardware)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    FanPreferences::initialize(*s);
    GpuPreferences::initialize(*s);
    FanPreferences::offFanDefaults(*s);
    GpuPreferences::offGpuDefaults(*s);
    const QVariantMap launch = PrefFunctions::deriveLaunchKeys(*s);
    EXPECT_FALSE(launch.value("LaunchFans").toBool());
    EXPECT_FALSE(launch.value("LaunchGpus").toBool());
    EXPECT_EQ(GpuPreferences::load(*s, theme()).value("Gpu_UpdateInterval").toLongLong(), 5);
}

TEST(ModulePreferences, SlidersStoreAndShowTheirValues)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    QSlider slider;
    slider.setRange(0, 200);
    slider.setValue(7);
    QLabel label;
    struct Case {
        void (*operation)(const QSlider &, SettingsStore &, QLabel &, const QString &);
        const char *key;
        qint64 stored;
        const char *text;
    };
    const std::vector<Case> cases{
        {PrefFunctions::graphSliderChange, "Cpu_GraphWidth", 35, "Histogram width: 35 pixel"},
        {PrefFunctions::updateSliderChange, "Cpu_UpdateInterval", 7, "Update interval: 7 sec"},
        {PrefFunctions::partsspaceSliderChange, "Cpu_Padding", 7, "Parts spacing: 7 pixel"},
        {PrefFunctions::processSliderChange, "Cpu_ProcessRecentSec", 7, "Recent: 7 sec"},
        {PrefFunctions::limenBaseSliderChange, "Network_Limen", 7, "Ignore below: 7KB/s"},
    };
    for (const Case &c : cases) {
        c.operation(slider, *s, label, c.key);
        EXPECT_EQ(label.text(), c.text);
        EXPECT_EQ(s->integerForKey(c.key), c.stored) << c.key;
    }
    // Stored, not only held in memory.
    SettingsStore::resetSharedInstances();
    EXPECT_EQ(SettingsStore::open()->integerForKey("Cpu_GraphWidth"), 35);
}
