#include "toolkit/OrbColors.h"

#include <cmath>
#include <gtest/gtest.h>

using orb::OrbColors;

namespace {

constexpr double kTol = 1.0 / 255.0;

void expectColor(const QColor &actual, double r, double g, double b, double a, const char *what)
{
    SCOPED_TRACE(what);
    EXPECT_NEAR(actual.redF(), r, kTol);
    EXPECT_NEAR(actual.greenF(), g, kTol);
    EXPECT_NEAR(actual.blueF(), b, kTol);
    EXPECT_NEAR(actual.alphaF(), a, kTol);
}

const QColor kLow = QColor::fromRgbF(0, 0.8f, 0, 1);
const QColor kWarn = QColor::fromRgbF(1, 0.6f, 0, 1);
const QColor kCrit = QColor::fromRgbF(1, 0, 0, 0.5f);

TEST(OrbColors, ColourArraysNeedExactlyFourNumbers)
{
    expectColor(OrbColors::retColorFromArray(QVariantList{0.2, 0.4, 0.6, 1.0}), 0.2, 0.4, 0.6, 1.0, "four");
    expectColor(OrbColors::retColorFromArray(QVariantList{0.2, 0.4, 0.6, 0.0}), 0.2, 0.4, 0.6, 0.0, "alpha 0");
    const QVariant bad[] = {QVariantList{0.2, 0.4, 0.6}, QVariantList{0.1, 0.2, 0.3, 0.4, 0.5}, QVariant(),
                            QVariant(QStringLiteral("red")), QVariantList{"a", 0.2, 0.3, 1.0}};
    for (const QVariant &v : bad)
        expectColor(OrbColors::retColorFromArray(v), 0, 0, 0, 0, qPrintable(v.toString()));
    // Out-of-range components are clamped rather than producing an invalid colour.
    expectColor(OrbColors::retColorFromArray(QVariantList{1.2, -1, 0.5, 1}), 1, 0, 0.5, 1, "clamped");
}

TEST(OrbColors, ThreeLevelThresholdsAndGradient)
{
    struct Row {
        double fraction;
        bool gradient;
        QColor expected;
    } rows[] = {
        {0.6999, true, kLow},  {0.7, true, kWarn},  {0.9, true, kCrit},  {0.6999, false, kLow},
        {0.7, false, kWarn},   {0.8, false, kWarn}, {0.8999, false, kWarn}, {0.9, false, kCrit},
        // A 32-bit 0.9 is just below 0.9 and still a warning; a 32-bit 0.7 is below 0.7.
        {double(0.9f), false, kWarn}, {double(0.7f), false, kLow}, {std::nan(""), true, kLow},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.fraction);
        EXPECT_EQ(OrbColors::retGraphColor(row.fraction, kLow, kWarn, kCrit, row.gradient).rgba(),
                  row.expected.rgba());
    }
    expectColor(OrbColors::retGraphColor(0.8, kLow, kWarn, kCrit, true), 1, 0.3, 0, 0.75, "midpoint");
    expectColor(OrbColors::retGraphColor(0.8999, kLow, kWarn, kCrit, true), 1, 0.0003, 0, 0.50025, "near critical");
}

TEST(OrbColors, ModuleColourSelection)
{
    OrbColors::setDarkAppearance(false);
    const QColor plain = OrbColors::controlTextColor();
    QVariantMap d{{"F01", kLow}, {"F02", kWarn}, {"F03", kCrit}, {"G01", kLow}, {"G02", kWarn}, {"G03", kCrit},
                  {"H01", kLow}, {"H02", kWarn}, {"H03", kCrit}, {"E01", QColor(Qt::blue)},
                  // Volume colours may also arrive as stored arrays.
                  {"E05", QVariantList{0.0, 0.8, 0.0, 1.0}}, {"E06", kWarn}, {"E07", kCrit}};
    // Temperature: no reading is plain even when always graded; mode 2 needs the menu flag.
    EXPECT_EQ(OrbColors::retTempGraphColor(0.0, 1, -1, d), plain);
    EXPECT_EQ(OrbColors::retTempGraphColor(0.5, 1, -1, d), kLow);
    EXPECT_EQ(OrbColors::retTempGraphColor(0.95, 2, -1, d), plain);
    d["Temp_ColoredMenu"] = true;
    EXPECT_EQ(OrbColors::retTempGraphColor(0.95, 2, -1, d), kCrit);
    // Fan: a zero fraction in mode 1 is the low colour.
    EXPECT_EQ(OrbColors::retFansGraphColor(0.0, 1, -1, d), kLow);
    EXPECT_EQ(OrbColors::retFansGraphColor(0.8, 2, -1, d), plain);
    d["Fan_ColoredMenu"] = true;
    EXPECT_EQ(OrbColors::retFansGraphColor(0.8, 2, -1, d), kWarn);
    // GPU: only mode 1 grades.
    EXPECT_EQ(OrbColors::retGpuGraphColor(0.95, 1, -1, d), kCrit);
    EXPECT_EQ(OrbColors::retGpuGraphColor(0.95, 2, -1, d), plain);
    // Volume: the plain colour is E01.
    EXPECT_EQ(OrbColors::retVolmGraphColor(0.95, 2, -1, d), QColor(Qt::blue));
    d["Vlms_ColoredValue"] = true;
    EXPECT_EQ(OrbColors::retVolmGraphColor(0.95, 2, -1, d), kCrit);
    expectColor(OrbColors::retVolmGraphColor(0.1, 1, -1, d), 0, 0.8, 0, 1, "array colour");
    // A positive alpha replaces the colour's own.
    expectColor(OrbColors::retGpuGraphColor(0.95, 1, 0.25, d), 1, 0, 0, 0.25, "alpha");
    OrbColors::setDarkAppearance(true);
    EXPECT_EQ(OrbColors::retGpuGraphColor(0.95, 2, -1, d), OrbColors::controlTextColor());
    EXPECT_GT(OrbColors::controlTextColor().lightnessF(), 0.9);
    OrbColors::setDarkAppearance(false);
}

TEST(OrbColors, BatteryRampBetweenBounds)
{
    const QColor red = OrbColors::batteryRed(), yellow = OrbColors::batteryYellow(), green = OrbColors::batteryGreen();
    EXPECT_EQ(OrbColors::retBatteryRemainColor(10, 20, 80), red);
    EXPECT_EQ(OrbColors::retBatteryRemainColor(20, 20, 80), red);
    EXPECT_EQ(OrbColors::retBatteryRemainColor(50, 20, 80), yellow);
    EXPECT_EQ(OrbColors::retBatteryRemainColor(80, 20, 80), green);
    EXPECT_EQ(OrbColors::retBatteryRemainColor(100, 20, 80), green);
    expectColor(OrbColors::retBatteryRemainColor(35, 20, 80), 208 / 255.0, 89.5 / 255.0, 0.5 / 255.0, 1, "35");
    expectColor(OrbColors::retBatteryRemainColor(65, 20, 80), 104.5 / 255.0, 193 / 255.0, 3 / 255.0, 1, "65");
}

} // namespace
