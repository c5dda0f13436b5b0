#include "TestCanvas.h"
#include "toolkit/OrbDrawLamps.h"

#include <functional>
#include <gtest/gtest.h>

using orb::OrbDrawLamps;
using orb::test::isClear;
using orb::test::sameRgba;
using orb::test::TestCanvas;

namespace {
const QColor kFrame(0, 0, 255), kOff(128, 128, 128), kUp(255, 0, 0), kDown(0, 255, 0);
}

// Diameter 6 with a 1-point frame line: the fill covers the whole circle inside radius 3,
// so only the line's outer half (radius 3 to 3.5) shows the frame colour.
TEST(OrbDrawLamps, LampPositionsFollowTheSlot)
{
    struct Case {
        const char *name;
        double width, height;
        std::function<void(const orb::OrbCanvas &)> draw;
        std::vector<std::pair<QPointF, QColor>> centres; // lamp centre → fill colour
        std::vector<QPointF> empty;
    };
    const std::vector<Case> cases{
        {"single on: lx = baseX + (baseWidth - d) / 2", 30, 10,
         [](const orb::OrbCanvas &c) {
             OrbDrawLamps::orbDrawHorizontalSigleCircle(c, true, kFrame, kOff, kUp, 5, 2, 20, 6, false);
         },
         {{QPointF(15, 5), kUp}},
         {QPointF(11.4, 5), QPointF(18.6, 5), QPointF(15, 1.4)}},
        {"single off", 30, 10,
         [](const orb::OrbCanvas &c) {
             OrbDrawLamps::orbDrawHorizontalSigleCircle(c, false, kFrame, kOff, kUp, 5, 2, 20, 6, false);
         },
         {{QPointF(15, 5), kOff}},
         {}},
        {"two horizontal: left at 10 - 6 - 1, right at 10 + 1", 20, 10,
         [](const orb::OrbCanvas &c) {
             OrbDrawLamps::orbDrawHorizontalTwoCircle(c, true, false, kFrame, kOff, kUp, kDown, 0, 2, 20, 6, 1, false);
         },
         {{QPointF(6, 5), kUp}, {QPointF(14, 5), kOff}},
         {QPointF(10, 5), QPointF(2.4, 5), QPointF(17.6, 5)}},
        {"two vertical: upper at 10 + 1, lower at 10 - 6 - 1", 10, 20,
         [](const orb::OrbCanvas &c) {
             OrbDrawLamps::orbDrawVerticalTwoCircle(c, false, true, kFrame, kOff, kUp, kDown, 2, 20, 6, 1, false);
         },
         {{QPointF(5, 14), kOff}, {QPointF(5, 6), kDown}},
         {QPointF(5, 10), QPointF(5, 17.6), QPointF(5, 2.4)}},
    };
    for (const Case &c : cases) {
        TestCanvas t(c.width, c.height, 10);
        c.draw(t.canvas());
        for (const auto &[centre, colour] : c.centres) {
            EXPECT_TRUE(sameRgba(t.at(centre.x(), centre.y()), colour)) << c.name;
            // Inner half of the frame line is covered by the fill ...
            EXPECT_TRUE(sameRgba(t.at(centre.x() + 2.8, centre.y()), colour)) << c.name;
            // ... the outer half shows the frame.
            EXPECT_TRUE(sameRgba(t.at(centre.x() + 3.25, centre.y()), kFrame, 30)) << c.name;
        }
        for (const QPointF &p : c.empty)
            EXPECT_TRUE(isClear(t.at(p.x(), p.y()))) << c.name << " " << p.x() << "," << p.y();
    }
}

TEST(OrbDrawLamps, HighlightWhitensFrameAndFillKeepingAlpha)
{
    TestCanvas t(20, 10, 10);
    QColor faintUp = kUp;
    faintUp.setAlphaF(0.6);
    OrbDrawLamps::orbDrawHorizontalTwoCircle(t.canvas(), true, false, kFrame, kOff, faintUp, kDown, 0, 2, 20, 6, 1,
                                             true);
    EXPECT_TRUE(sameRgba(t.at(6, 5), QColor(255, 255, 255, 153)));
    EXPECT_TRUE(sameRgba(t.at(14, 5), QColor(255, 255, 255)));
    EXPECT_TRUE(sameRgba(t.at(6 + 3.25, 5), QColor(255, 255, 255), 30));
}
