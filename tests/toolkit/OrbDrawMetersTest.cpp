#include "TestCanvas.h"
#include "toolkit/OrbDrawMeters.h"

#include <gtest/gtest.h>
#include <cmath>
#include <numbers>
#include <vector>

using orb::OrbDrawMeters;
using orb::OrbMeterItem;
using orb::test::isClear;
using orb::test::sameRgba;
using orb::test::TestCanvas;

namespace {
const QColor kRed(255, 0, 0), kGreen(0, 255, 0), kBlue(0, 0, 255);

} // namespace

// Frame colour, user 0.3, system 0.2 in a 10 × 20 frame: stroke (1, 1, 8, 18) at width 2,
// then fills (2, 2, 6, 5.4) and (2, 7.4, 6, 3.6). Ten pixels per point pin the edges.
TEST(OrbDrawMeters, LevelBarExampleGeometry)
{
    TestCanvas t(10, 20, 10);
    const std::vector<OrbMeterItem> items{OrbMeterItem::frame(kRed), OrbMeterItem::segment(kGreen, 0.3),
                                          OrbMeterItem::segment(kBlue, 0.2)};
    OrbDrawMeters::orbDrawLevelBar(t.canvas(), items, QRectF(0, 0, 10, 20), false);

    // Frame band: the 2-wide line centred on (1, 1, 8, 18) covers 0..2 and 8..10 / 18..20.
    for (QPointF p : {QPointF(0.5, 10), QPointF(1.9, 10), QPointF(8.1, 10), QPointF(9.5, 10),
                      QPointF(5, 0.5), QPointF(5, 1.9), QPointF(5, 18.1), QPointF(5, 19.5)})
        EXPECT_TRUE(sameRgba(t.at(p.x(), p.y()), kRed)) << p.x() << "," << p.y();

    // Segment edges in image rows (y down, 200 rows): the first segment spans canvas
    // y 2..7.4 (rows 126..179), the second 7.4..11 (rows 90..125).
    EXPECT_TRUE(sameRgba(t.pixel(50, 179), kGreen));
    EXPECT_TRUE(sameRgba(t.pixel(50, 126), kGreen));
    EXPECT_TRUE(sameRgba(t.pixel(50, 125), kBlue));
    EXPECT_TRUE(sameRgba(t.pixel(50, 90), kBlue));
    EXPECT_TRUE(isClear(t.pixel(50, 89)));
    // Width w − 4 from x + 2: columns 20..79.
    EXPECT_TRUE(sameRgba(t.pixel(20, 150), kGreen));
    EXPECT_TRUE(sameRgba(t.pixel(79, 150), kGreen));
    EXPECT_TRUE(sameRgba(t.pixel(19, 150), kRed));
    EXPECT_TRUE(sameRgba(t.pixel(80, 150), kRed));
}

TEST(OrbDrawMeters, LevelBarDrawsItemsInArrayOrder)
{
    struct Case {
        const char *name;
        std::vector<OrbMeterItem> items;
        QColor topBand; // canvas y 19.5, where the frame's top line and a full bar meet
    };
    const std::vector<Case> cases{
        {"frame first, segments over it", {OrbMeterItem::frame(kRed), OrbMeterItem::segment(kBlue, 1.0)}, kBlue},
        {"frame last, over the segments", {OrbMeterItem::segment(kBlue, 1.0), OrbMeterItem::frame(kRed)}, kRed},
        {"fractions adding to 1.0 reach y + h",
         {OrbMeterItem::frame(kRed), OrbMeterItem::segment(kGreen, 0.5), OrbMeterItem::segment(kBlue, 0.5)},
         kBlue},
    };
    for (const Case &c : cases) {
        TestCanvas t(10, 20, 10);
        OrbDrawMeters::orbDrawLevelBar(t.canvas(), c.items, QRectF(0, 0, 10, 20), false);
        EXPECT_TRUE(sameRgba(t.at(5, 19.95), c.topBand)) << c.name;
    }
}

TEST(OrbDrawMeters, LevelBarSkipsEmptySegmentsAndHonoursOffset)
{
    TestCanvas t(30, 30, 4);
    const std::vector<OrbMeterItem> items{OrbMeterItem::segment(kRed, 0.0), OrbMeterItem::segment(kGreen, -0.5),
                                          OrbMeterItem::segment(kBlue, std::nan("")),
                                          OrbMeterItem::segment(kGreen, 0.5)};
    // Frame at (10, 5, 10, 22): the green segment starts at y 7 and is 10 high.
    OrbDrawMeters::orbDrawLevelBar(t.canvas(), items, QRectF(10, 5, 10, 22), false);
    EXPECT_TRUE(sameRgba(t.at(15, 7.1), kGreen));
    EXPECT_TRUE(sameRgba(t.at(15, 16.9), kGreen));
    EXPECT_TRUE(isClear(t.at(15, 17.1)));
    EXPECT_TRUE(isClear(t.at(15, 6.9)));
    EXPECT_TRUE(isClear(t.at(11.9, 10)));

    TestCanvas empty(10, 10);
    OrbDrawMeters::orbDrawLevelBar(empty.canvas(), {}, QRectF(0, 0, 10, 10), false);
    EXPECT_TRUE(isClear(empty.at(5, 5)));
}

TEST(OrbDrawMeters, LevelBarHighlightKeepsEachAlpha)
{
    TestCanvas t(10, 20, 10);
    QColor halfGreen = kGreen;
    halfGreen.setAlphaF(0.5);
    const std::vector<OrbMeterItem> items{OrbMeterItem::frame(kRed), OrbMeterItem::segment(halfGreen, 0.5)};
    OrbDrawMeters::orbDrawLevelBar(t.canvas(), items, QRectF(0, 0, 10, 20), true);
    EXPECT_TRUE(sameRgba(t.at(0.5, 10), QColor(255, 255, 255)));
    EXPECT_TRUE(sameRgba(t.at(5, 5), QColor(255, 255, 255, 128)));
}

// Frame 401 × 401 at (0, 0): moved frame (0.5, 0.5, 400, 400), centre (200.5, 200.5),
// wedge radius 199, frame circle radius 200.
class CircleMeter : public ::testing::Test {
protected:
    static constexpr double kCx = 200.5, kCy = 200.5;
    TestCanvas t{401, 401};
    QColor sample(double radius, double degrees)
    {
        const double rad = degrees * std::numbers::pi / 180.0;
        return t.at(kCx + radius * std::cos(rad), kCy + radius * std::sin(rad));
    }
    void draw(const std::vector<OrbMeterItem> &items, bool highlighted)
    {
        OrbDrawMeters::orbDrawCicleBar(t.canvas(), items, QRectF(0, 0, 401, 401), highlighted);
    }
};

TEST_F(CircleMeter, TinySegmentsEachGetAWholeDegree)
{
    // Last item first from the top: blue 90..91, red 91..92.
    draw({OrbMeterItem::segment(kRed, 0.001), OrbMeterItem::segment(kBlue, 0.001)}, false);
    EXPECT_TRUE(sameRgba(sample(190, 90.5), kBlue, 40));
    EXPECT_TRUE(sameRgba(sample(190, 91.5), kRed, 40));
    EXPECT_TRUE(isClear(sample(190, 92.6)));
    EXPECT_TRUE(isClear(sample(190, 89.4)));
}

TEST_F(CircleMeter, WedgesRunCounterClockwiseFromTheTopInReverseOrder)
{
    // Remainder blue 0.75 first: 90..360 (top, left, bottom); used red 0.25: 0..90.
    draw({OrbMeterItem::frame(kGreen), OrbMeterItem::segment(kRed, 0.25), OrbMeterItem::segment(kBlue, 0.75)},
         false);
    EXPECT_TRUE(sameRgba(sample(100, 45), kRed));
    for (double deg : {135.0, 225.0, 315.0})
        EXPECT_TRUE(sameRgba(sample(100, deg), kBlue)) << deg;
    // The wedges stop at radius 199; the frame circle lies on radius 200.
    EXPECT_TRUE(sameRgba(sample(197, 45), kRed));
    EXPECT_EQ(sample(200, 180).green(), 255);
    EXPECT_TRUE(isClear(sample(202.5, 135)));
}

TEST_F(CircleMeter, HighlightFillsOnlyWhatTheFaintSegmentsLeave)
{
    QColor faint = kBlue;
    faint.setAlphaF(0.2);
    QColor frame = kGreen;
    frame.setAlphaF(0.6);
    draw({OrbMeterItem::frame(frame), OrbMeterItem::segment(kRed, 0.25), OrbMeterItem::segment(faint, 0.75)},
         true);
    // White wedge from 90 + 270 = 360 round to 90: the top-right quadrant.
    EXPECT_TRUE(sameRgba(sample(100, 45), QColor(255, 255, 255)));
    EXPECT_TRUE(isClear(sample(100, 135)));
    EXPECT_TRUE(isClear(sample(100, 270)));
    // Frame circle in white with the frame's alpha.
    const QColor ring = sample(200, 180);
    EXPECT_EQ(ring.red(), 255);
    EXPECT_EQ(ring.blue(), 255);
    EXPECT_GT(ring.alpha(), 0);
    EXPECT_LE(ring.alpha(), 154);
}

TEST_F(CircleMeter, HighlightWithoutFaintSegmentsDrawsOnlyTheFrame)
{
    draw({OrbMeterItem::frame(kGreen), OrbMeterItem::segment(kRed, 0.3), OrbMeterItem::segment(kBlue, 0.7)}, true);
    for (double deg : {45.0, 135.0, 225.0, 315.0})
        EXPECT_TRUE(isClear(sample(100, deg))) << deg;
    const QColor ring = sample(200, 180);
    EXPECT_EQ(ring.red(), 255);
    EXPECT_EQ(ring.green(), 255);
    EXPECT_GT(ring.alpha(), 100);
}

TEST_F(CircleMeter, FaintSegmentsCoveringTheWholeCircleLeaveNoWhiteWedge)
{
    QColor faint = kBlue;
    faint.setAlphaF(0.25);
    draw({OrbMeterItem::segment(faint, 0.6), OrbMeterItem::segment(faint, 0.6)}, true);
    for (double deg : {45.0, 135.0, 225.0, 315.0})
        EXPECT_TRUE(isClear(sample(100, deg))) << deg;
}

TEST(OrbDrawMeters, CircleRadiusComesFromTheWidthAlone)
{
    // 101 wide, 201 high: centre (50.5, 100.5), radius 49.
    TestCanvas t(101, 201);
    OrbDrawMeters::orbDrawCicleBar(t.canvas(), std::vector{OrbMeterItem::segment(kRed, 1.0)},
                                   QRectF(0, 0, 101, 201), false);
    EXPECT_TRUE(sameRgba(t.at(50.5, 100.5 + 47), kRed));
    EXPECT_TRUE(isClear(t.at(50.5, 100.5 + 51)));
    EXPECT_TRUE(isClear(t.at(50.5, 100.5 - 51)));
}

// The status-sized meter comes from a picture drawn once; it must look as the meter drawn in
// place would (composing the wedges first may round a pixel where several meet by 2 of 255),
// wherever it falls between pixels and whatever is under it, and a wedge that
// moves, a colour that changes or a highlight must never be served the old picture.
TEST(OrbDrawMeters, AKeptCircleMeterLooksAsOneDrawnInPlace)
{
    const QColor used(230, 120, 20), wired(40, 90, 200, 200), free(255, 255, 255, 50), ring(20, 20, 20);
    const auto meter = [&](double a, double b, const QColor &first, double gap = 0.0) {
        return std::vector<OrbMeterItem>{OrbMeterItem::frame(ring), OrbMeterItem::segment(free, 1.0 - a - b - gap),
                                         OrbMeterItem::segment(wired, b), OrbMeterItem::segment(first, a)};
    };
    const auto drawn = [](const std::vector<OrbMeterItem> &items, double x, bool hl, bool inPlace) {
        // Status images are drawn at one pixel per unit over what the item drew before.
        TestCanvas t(60, 44);
        t.painter().fillRect(QRectF(0, 0, 60, 44), QColor(200, 210, 190));
        t.painter().fillRect(QRectF(10, 0, 12, 44), QColor(10, 60, 30, 160));
        const QRectF frame(x, 4, 36, 36);
        if (inPlace)
            OrbDrawMeters::orbDrawCicleBarInPlace(t.canvas(), items, frame, hl);
        else
            OrbDrawMeters::orbDrawCicleBar(t.canvas(), items, frame, hl);
        return t.image();
    };
    struct Case {
        const char *what;
        std::vector<OrbMeterItem> items;
        double x;
        bool hl;
    };
    const std::vector<Case> cases{
        {"on whole pixels", meter(0.40, 0.20, used), 8.0, false},
        {"a quarter pixel over", meter(0.40, 0.20, used), 8.25, false},
        {"half a pixel over", meter(0.40, 0.20, used), 8.5, false},
        {"the used wedge a degree wider", meter(0.40 + 1.0 / 360.0, 0.20, used), 8.0, false},
        {"another colour", meter(0.40, 0.20, QColor(200, 30, 90)), 8.0, false},
        {"the last wedge ten degrees short of the top", meter(0.40, 0.20, used, 10.0 / 360.0), 8.0, false},
        {"highlighted", meter(0.40, 0.20, used), 8.0, true},
    };
    std::vector<QImage> kept;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QImage reference = drawn(c.items, c.x, c.hl, true);
        const QImage first = drawn(c.items, c.x, c.hl, false);
        const QImage again = drawn(c.items, c.x, c.hl, false);
        EXPECT_TRUE(orb::test::sameImage(first, reference));
        EXPECT_EQ(again, first);
        kept.push_back(again);
    }
    // Each case is a picture of its own, not the one drawn before it.
    for (size_t i = 1; i < kept.size(); ++i)
        EXPECT_NE(kept[i], kept[0]) << cases[i].what;
}
