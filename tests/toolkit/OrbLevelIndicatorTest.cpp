#include "toolkit/OrbLevelIndicator.h"

#include <QAnimationDriver>
#include <QCoreApplication>
#include <QImage>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using orb::OrbLevelIndicator;

namespace {

// Drives every animation of the process from a clock the test steps by hand, so a loaded
// machine cannot stretch or skip the animation's time.
class SteppedAnimationDriver : public QAnimationDriver {
public:
    SteppedAnimationDriver() { install(); }
    qint64 elapsed() const override { return now_; }
    void step(qint64 ms)
    {
        QCoreApplication::processEvents(); // animations started since the last step join in
        now_ += ms;
        advance();
    }

private:
    qint64 now_ = 0;
};

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

// The fill moves from where it is to the new level in 0.15 s, evenly.
TEST(OrbLevelIndicator, FillMovesFromTheLeftOverASixthOfASecond)
{
    SteppedAnimationDriver clock;
    OrbLevelIndicator indicator;
    indicator.resize(100, 10);
    struct Step {
        float value;
        QColor colour;
        double halfway; // fill width 75 ms in
        double end;     // and after 150 ms
        int filledUpTo; // last column in the fill colour at the end, -1 for none
    };
    const Step steps[] = {
        {1.7f, QColor(255, 0, 0), 50.0, 100.0, 99},
        {-0.2f, QColor(255, 0, 0), 50.0, 0.0, -1},
        {0.25f, QColor(0, 0, 255), 12.5, 25.0, 24},
        {0.75f, QColor(0, 128, 0), 50.0, 75.0, 74},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.value);
        indicator.setCurrentValue(s.value, s.colour);
        clock.step(0);
        clock.step(75);
        EXPECT_NEAR(indicator.currentFillWidth(), s.halfway, 1.0) << "not halfway after 75 ms";
        clock.step(74);
        EXPECT_NEAR(indicator.currentFillWidth(), s.end, 1.0);
        EXPECT_NE(indicator.currentFillWidth(), s.end) << "arrived before 0.15 s";
        clock.step(1);
        EXPECT_DOUBLE_EQ(indicator.currentFillWidth(), s.end);
        const QImage img = indicator.grab().toImage();
        // Columns inside the border: the fill colour up to the level, something else after it.
        for (int x : {4, 20, 30, 60, 95}) {
            const bool filled = x <= s.filledUpTo;
            EXPECT_EQ(img.pixelColor(x, 5) == s.colour, filled) << "column " << x;
        }
    }
}

// Light menus get a faint dark box, dark menus a faint light one.
TEST(OrbLevelIndicator, EmptyBoxFollowsTheMenuAppearance)
{
    OrbLevelIndicator light(false), dark(true);
    for (OrbLevelIndicator *indicator : {&light, &dark}) {
        indicator->resize(100, 10);
        indicator->setAttribute(Qt::WA_TranslucentBackground);
        indicator->setCurrentValue(0.0f, Qt::red);
    }
    const QColor inLight = light.grab().toImage().pixelColor(50, 5);
    const QColor inDark = dark.grab().toImage().pixelColor(50, 5);
    EXPECT_LT(inLight.lightness(), 128) << inLight.name(QColor::HexArgb).toStdString();
    EXPECT_GT(inDark.lightness(), 128) << inDark.name(QColor::HexArgb).toStdString();
}
