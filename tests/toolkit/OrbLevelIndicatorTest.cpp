#include "toolkit/OrbLevelIndicator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using orb::OrbLevelIndicator;

namespace {
void waitForAnimation()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < OrbLevelIndicator::kAnimationMs + 150)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
} // namespace

TEST(OrbLevelIndicator, ValueIsClampedToTheWidth)
{
    struct Case {
        float value;
        double width;
    };
    const Case cases[] = {{1.7f, 100}, {-0.2f, 0}, {0.5f, 50}, {0.0f, 0}, {1.0f, 100},
                          {std::numeric_limits<float>::quiet_NaN(), 0},
                          {std::numeric_limits<float>::infinity(), 100}};
    for (const Case &c : cases) {
        OrbLevelIndicator indicator;
        indicator.resize(100, 10);
        indicator.setCurrentValue(c.value, Qt::red);
        EXPECT_DOUBLE_EQ(indicator.targetFillWidth(), c.width) << c.value;
    }
}

TEST(OrbLevelIndicator, FillGrowsFromTheLeftOverAFifteenthOfASecond)
{
    OrbLevelIndicator indicator;
    indicator.resize(100, 10);
    indicator.setCurrentValue(1.7f, QColor(255, 0, 0));
    EXPECT_LT(indicator.currentFillWidth(), 100.0); // animating, not jumping
    waitForAnimation();
    EXPECT_DOUBLE_EQ(indicator.currentFillWidth(), 100.0);
    QImage full = indicator.grab().toImage();
    EXPECT_EQ(full.pixelColor(95, 5), QColor(255, 0, 0));
    EXPECT_EQ(full.pixelColor(4, 5), QColor(255, 0, 0));

    indicator.setCurrentValue(-0.2f, QColor(255, 0, 0));
    waitForAnimation();
    EXPECT_DOUBLE_EQ(indicator.currentFillWidth(), 0.0);
    QImage none = indicator.grab().toImage();
    EXPECT_NE(none.pixelColor(50, 5).red(), 255);

    indicator.setCurrentValue(0.25f, QColor(0, 0, 255));
    waitForAnimation();
    QImage quarter = indicator.grab().toImage();
    EXPECT_EQ(quarter.pixelColor(20, 5), QColor(0, 0, 255));
    EXPECT_NE(quarter.pixelColor(30, 5), QColor(0, 0, 255));
}

TEST(OrbLevelIndicator, ColoursFollowTheMenuAppearance)
{
    OrbLevelIndicator light(false);
    EXPECT_EQ(light.borderColor(), QColor::fromRgbF(0.5f, 0.5f, 0.5f, 0.2f));
    EXPECT_EQ(light.backgroundColor(), QColor::fromRgbF(0.f, 0.f, 0.f, 0.07f));
    OrbLevelIndicator dark(true);
    EXPECT_EQ(dark.borderColor(), QColor::fromRgbF(0.f, 0.f, 0.f, 0.2f));
    EXPECT_EQ(dark.backgroundColor(), QColor::fromRgbF(1.f, 1.f, 1.f, 0.07f));
}
