#include "TestCanvas.h"
#include "toolkit/OrbDrawGraph.h"

#include <gtest/gtest.h>

using orb::OrbDrawGraph;
using orb::test::isClear;
using orb::test::sameRgba;
using orb::test::TestCanvas;

TEST(OrbDrawGraph, EmptyUnderLineIsHalfAPointHigh)
{
    TestCanvas t(20, 10, 10);
    OrbDrawGraph::orbDrawEmptyUnderLine(t.canvas(), Qt::red, 2, 3, 10);
    // Canvas y 3..3.5 → image rows 65..69; x 2..12 → columns 20..119.
    EXPECT_TRUE(isClear(t.pixel(50, 64)));
    EXPECT_TRUE(sameRgba(t.pixel(50, 65), Qt::red));
    EXPECT_TRUE(sameRgba(t.pixel(50, 69), Qt::red));
    EXPECT_TRUE(isClear(t.pixel(50, 70)));
    EXPECT_TRUE(isClear(t.pixel(19, 67)));
    EXPECT_TRUE(sameRgba(t.pixel(20, 67), Qt::red));
    EXPECT_TRUE(sameRgba(t.pixel(119, 67), Qt::red));
    EXPECT_TRUE(isClear(t.pixel(120, 67)));
}

TEST(OrbDrawGraph, EmptyUnderLineNeverVanishesAtOnePixelPerPoint)
{
    // At one pixel per point half a point is a sliver that rounding could drop; the line
    // shows as one row wherever it sits.
    for (double y : {3.0, 3.25, 3.5, 3.75}) {
        TestCanvas t(20, 10);
        OrbDrawGraph::orbDrawEmptyUnderLine(t.canvas(), Qt::red, 0, y, 20);
        int rows = 0;
        for (int row = 0; row < 10; ++row)
            rows += t.pixel(10, row).alpha() > 0 ? 1 : 0;
        EXPECT_EQ(rows, 1) << y;
    }
}

TEST(OrbDrawGraph, LineSegmentRunsTwoPointsLeftInTheCurrentColour)
{
    // From (10, 2 + 1) to (8, 6 + 1); the perpendicular of that line is (2, 1) / sqrt(5).
    struct Case {
        bool bold;
        bool insideAt1_1; // 1.1 points off the centre line: inside 3.0 wide, outside 1.5
    };
    for (const Case c : {Case{false, false}, Case{true, true}}) {
        TestCanvas t(20, 10, 10);
        t.painter().setRenderHint(QPainter::Antialiasing, false);
        t.canvas().setCurrentColor(Qt::blue);
        const double penBefore = t.painter().pen().widthF();
        OrbDrawGraph::orbDrawGraphWithLine(t.canvas(), 2, 6, 10, 1, c.bold);
        EXPECT_DOUBLE_EQ(t.painter().pen().widthF(), penBefore);
        EXPECT_TRUE(sameRgba(t.at(9, 5), Qt::blue)) << c.bold;
        EXPECT_TRUE(sameRgba(t.at(9.98, 3.2), Qt::blue)) << c.bold; // near the newer end
        const QColor off = t.at(9 + 1.1 * 0.894, 5 + 1.1 * 0.447);
        EXPECT_EQ(!isClear(off), c.insideAt1_1) << c.bold;
        // Butt ends: nothing beyond x = 10 or below x = 8.
        EXPECT_TRUE(isClear(t.at(10.3, 3))) << c.bold;
        EXPECT_TRUE(isClear(t.at(7.7, 7))) << c.bold;
    }
}
