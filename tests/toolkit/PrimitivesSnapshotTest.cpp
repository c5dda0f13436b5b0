// Every primitive on one canvas, plain and highlighted, captured like a status image.
// Set ORB_PRIMITIVES_PNG=/path.png to keep the picture for a look by eye.
#include "TestFonts.h"
#include "toolkit/OrbDrawGraph.h"
#include "toolkit/OrbDrawLamps.h"
#include "toolkit/OrbDrawMeters.h"
#include "toolkit/OrbDrawPanels.h"
#include "toolkit/OrbDrawText.h"
#include "toolkit/OrbImageCapture.h"
#include "toolkit/OrbImageView.h"

#include <QtMath>
#include <array>
#include <gtest/gtest.h>

using namespace orb;

namespace {
const QColor kMenuBar(235, 235, 235);
const QColor kSelection(30, 50, 110);
constexpr double kRowHeight = 44.0;
constexpr double kPlainRowBottom = 172.0, kHighlightRowBottom = 124.0;

// Laid out at double scale like a status image view: every length below is in the
// doubled space.
class PrimitivesView : public OrbImageView {
public:
    void drawRect(const OrbCanvas &canvas, const QRectF &bounds) override
    {
        canvas.fillRect(QRectF(0, kPlainRowBottom, bounds.width(), kRowHeight), kMenuBar);
        canvas.fillRect(QRectF(0, kHighlightRowBottom, bounds.width(), kRowHeight), kSelection);
        drawRow(canvas, kPlainRowBottom, false);
        drawRow(canvas, kHighlightRowBottom, true);
        drawPanels(canvas);
    }

private:
    static void drawRow(const OrbCanvas &outer, double bottom, bool hl)
    {
        QPainter &p = outer.painter();
        p.save();
        p.translate(0, -bottom); // canvas y 0 of the row sits `bottom` up
        const OrbCanvas c(p, outer.height());

        const QColor frameGrey(110, 110, 110), user(220, 60, 40), system(40, 90, 220);
        const std::array bar{OrbMeterItem::frame(frameGrey), OrbMeterItem::segment(user, 0.3),
                             OrbMeterItem::segment(system, 0.2)};
        OrbDrawMeters::orbDrawLevelBar(c, bar, QRectF(8, 4, 16, 36), hl);

        QColor faint = frameGrey;
        faint.setAlphaF(0.2);
        const std::array pie{OrbMeterItem::frame(frameGrey), OrbMeterItem::segment(QColor(240, 150, 0), 0.35),
                             OrbMeterItem::segment(faint, 0.65)};
        OrbDrawMeters::orbDrawCicleBar(c, pie, QRectF(34, 4, 36, 36), hl);

        OrbTextAttributes big{test::dejaVuSans(20), Qt::black,
                              OrbShadow{QColor(255, 255, 255, 160), 0.5, QPointF(0, -0.5)}};
        OrbDrawText::orbDrawString(c, "42%", 1, 1, Qt::black, big, QRectF(76, 0, 64, kRowHeight), 0, hl);
        OrbTextAttributes small{test::dejaVuSans(14), Qt::black, std::nullopt};
        OrbDrawText::orbDrawString(c, "up", 0, 0, QColor(0, 120, 0), small, QRectF(144, 0, 40, kRowHeight), 0, hl);
        OrbDrawText::orbDrawString(c, "dn", 2, 2, QColor(160, 0, 0), small, QRectF(144, 0, 40, kRowHeight), 0, hl);

        // Graph: samples from the right edge leftwards, the empty part marked by the base line.
        const QColor graphColour(0, 140, 60);
        OrbDrawGraph::orbDrawEmptyUnderLine(c, OrbCanvas::highlightedIf(frameGrey, hl), 190, 4, 40);
        c.save();
        c.setAntialiasing(true);
        c.setCurrentColor(OrbCanvas::highlightedIf(graphColour, hl));
        double x = 330;
        double previous = 4 + 30 * (0.5 + 0.5 * std::sin(0.0));
        for (int i = 1; i <= 50; ++i, x -= 2) {
            const double now = 4 + 30 * (0.5 + 0.5 * std::sin(i * 0.3));
            OrbDrawGraph::orbDrawGraphWithLine(c, previous, now, x, 0, i > 25);
            previous = now;
        }
        c.restore();

        const QColor lampFrame(90, 90, 90), lampOff(200, 200, 200), up(230, 40, 40), down(40, 180, 40);
        OrbDrawLamps::orbDrawHorizontalSigleCircle(c, true, lampFrame, lampOff, up, 336, 15, 20, 14, hl);
        OrbDrawLamps::orbDrawHorizontalTwoCircle(c, true, false, lampFrame, lampOff, up, down, 360, 15, 50, 14, 3, hl);
        OrbDrawLamps::orbDrawVerticalTwoCircle(c, false, true, lampFrame, lampOff, up, down, 416, kRowHeight, 14, 2, hl);

        const std::array full{OrbMeterItem::frame(frameGrey), OrbMeterItem::segment(user, 0.6),
                              OrbMeterItem::segment(system, 0.4)};
        OrbDrawMeters::orbDrawLevelBar(c, full, QRectF(444, 4, 16, 36), hl);
        p.restore();
    }

    static void drawPanels(const OrbCanvas &outer)
    {
        struct Panel {
            double x;
            bool dark, disabled;
            const char *caption;
            std::optional<QColor> shadow;
            bool withGraph;
            QColor text;
        };
        const Panel panels[] = {
            {10, false, false, "CPU", QColor(255, 255, 255, 200), true, QColor(30, 30, 30)},
            {200, true, false, "GPU", QColor(0, 0, 0, 200), false, QColor(230, 230, 230)},
            {390, false, true, "Disk", std::nullopt, false, QColor(30, 30, 30)},
        };
        QPainter &p = outer.painter();
        for (const Panel &panel : panels) {
            p.save();
            // Panel box (x, 4, 190, 112): drawing origin at its bottom-left.
            p.translate(panel.x, 0);
            const OrbCanvas c(p, outer.height() - 4);
            const QSizeF size(186, 112);
            OrbDrawPanels::orbDrawBaseFrame(c, size, panel.dark, panel.disabled);
            OrbDrawPanels::orbDrawTopboxLabel(c, panel.caption, panel.shadow, QRectF(QPointF(0, 0), size),
                                              panel.withGraph, test::dejaVuSans(10), panel.text);
            p.restore();
        }
    }
};
} // namespace

TEST(PrimitivesSnapshot, EveryPrimitivePlainAndHighlighted)
{
    PrimitivesView view;
    view.layOutAtDoubleScale(QSizeF(300, 110));
    const OrbImage image = OrbImageCapture::imageWithSubviews(&view, false);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSizeF(300, 110));
    EXPECT_EQ(image.pixels().size(), QSize(600, 220));
    EXPECT_DOUBLE_EQ(image.pixels().devicePixelRatio(), 2.0);

    const QByteArray out = qgetenv("ORB_PRIMITIVES_PNG");
    if (!out.isEmpty()) {
        EXPECT_TRUE(image.pixels().save(QString::fromLocal8Bit(out), "PNG"));
    }

    // The highlighted row holds nothing but the selection colour and white blended over it.
    const QImage &px = image.pixels();
    const int firstRow = int(220 - kHighlightRowBottom - kRowHeight), lastRow = int(220 - kHighlightRowBottom) - 1;
    int whitish = 0, off = 0;
    for (int y = firstRow; y <= lastRow; ++y)
        for (int x = 0; x < px.width(); ++x) {
            const QColor c = px.pixelColor(x, y);
            const double tr = (c.red() - kSelection.red()) / double(255 - kSelection.red());
            const double tg = (c.green() - kSelection.green()) / double(255 - kSelection.green());
            const double tb = (c.blue() - kSelection.blue()) / double(255 - kSelection.blue());
            if (std::abs(tr - tg) > 0.03 || std::abs(tg - tb) > 0.03)
                ++off;
            if (tr > 0.5)
                ++whitish;
        }
    EXPECT_EQ(off, 0);
    EXPECT_GT(whitish, 500);

    // The plain row carries the primitives' own colours: the level bar's user segment.
    EXPECT_EQ(px.pixelColor(16, int(220 - kPlainRowBottom - 8)), QColor(220, 60, 40));
}
