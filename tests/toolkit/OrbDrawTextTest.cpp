#include "TestCanvas.h"
#include "TestFonts.h"
#include "toolkit/OrbDrawText.h"

#include <QFontMetricsF>
#include <gtest/gtest.h>

using orb::OrbDrawText;
using orb::OrbTextAttributes;
using orb::OrbShadow;
using orb::test::TestCanvas;

TEST(OrbDrawText, OriginForEachAlignmentCode)
{
    // Frame (10, 20, 100, 22) and a text of 40 × 8.
    struct Case {
        int vAlign, hAlign, ajustY;
        double x, y;
    };
    const Case cases[] = {
        {0, 0, 0, 10, 32.5}, // upper half: y + 12.5
        {1, 0, 0, 10, 27},   // whole frame
        {2, 0, 0, 10, 21.5}, // lower half
        {3, 0, 0, 10, 20},   // bottom edge
        {-1, 0, 0, 10, 20},  // any other code: bottom edge
        {1, 1, 0, 40, 27},   // centred
        {1, 2, 0, 70, 27},   // right edge
        {1, 7, 0, 10, 27},   // any other code: left
        {3, 0, 2, 10, 18},   // adjustment moves the text down
        {0, 0, -3, 10, 35.5},
    };
    for (const Case &c : cases) {
        const QPointF o = OrbDrawText::textOrigin(QSizeF(40, 8), c.vAlign, c.hAlign, QRectF(10, 20, 100, 22), c.ajustY);
        EXPECT_DOUBLE_EQ(o.x(), c.x) << c.vAlign << "/" << c.hAlign << "/" << c.ajustY;
        EXPECT_DOUBLE_EQ(o.y(), c.y) << c.vAlign << "/" << c.hAlign << "/" << c.ajustY;
    }
}

namespace {
// Lowest and highest image rows holding ink, and the leftmost column.
struct Ink {
    int top = -1, bottom = -1, left = -1;
};
Ink findInk(const QImage &img)
{
    Ink ink;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 128) {
                if (ink.top < 0)
                    ink.top = y;
                ink.bottom = y;
                if (ink.left < 0 || x < ink.left)
                    ink.left = x;
            }
    return ink;
}
} // namespace

TEST(OrbDrawText, DrawnTextSitsWhereTheCodesPlaceIt)
{
    const QFont font = orb::test::dejaVuSans(20);
    const QFontMetricsF metrics(font);
    // "H" has no descender: its ink ends on the baseline, one descent above the text's bottom.
    const double descent = metrics.descent();
    const QRectF frame(10, 10, 100, 40);
    const double h = frame.height(), th = metrics.height();
    struct Case {
        int vAlign;
        double bottom; // expected bottom of the text box, canvas y
    };
    const Case cases[] = {{3, 10}, {1, 10 + (h - th) / 2}, {0, 10 + h / 2 + (h / 2 - th) / 2},
                          {2, 10 + (h / 2 - th) / 2}};
    for (const Case &c : cases) {
        TestCanvas t(120, 60);
        OrbTextAttributes attributes{font, Qt::red, std::nullopt};
        OrbDrawText::orbDrawString(t.canvas(), "H", c.vAlign, 0, Qt::black, attributes, frame, 0, false);
        const Ink ink = findInk(t.image());
        ASSERT_GE(ink.bottom, 0) << c.vAlign;
        // Canvas y of the baseline → image row just above it.
        const double baselineRow = 60 - (c.bottom + descent);
        EXPECT_NEAR(ink.bottom + 1, baselineRow, 1.0) << "vAlign " << c.vAlign;
        EXPECT_NEAR(ink.left, 10, 3) << "vAlign " << c.vAlign;
        // Ink is the caller's text colour, not the attributes' old one.
        const QColor inkColor = t.pixel(ink.left + 1, (ink.top + ink.bottom) / 2);
        EXPECT_EQ(inkColor.red(), 0);
    }
}

TEST(OrbDrawText, HighlightRewritesTheCallersAttributes)
{
    const OrbShadow shadow{QColor(0, 0, 0, 128), 0.5, QPointF(0, -0.25)};
    struct Case {
        bool highlighted;
        QColor expectedColor;
        bool shadowKept;
    };
    const Case cases[] = {{false, QColor(10, 20, 30), true}, {true, QColor(Qt::white), false}};
    for (const Case &c : cases) {
        TestCanvas t(100, 30);
        OrbTextAttributes attributes{orb::test::dejaVuSans(12), Qt::green, shadow};
        OrbDrawText::orbDrawString(t.canvas(), "Hi", 1, 1, QColor(10, 20, 30), attributes,
                                   QRectF(0, 0, 100, 30), 0, c.highlighted);
        EXPECT_EQ(attributes.foregroundColor, c.expectedColor) << c.highlighted;
        EXPECT_EQ(attributes.shadow.has_value(), c.shadowKept) << c.highlighted;
    }
}

TEST(OrbDrawText, TextSizeIsAdvanceAndLineHeight)
{
    const QFont font = orb::test::dejaVuSans(10);
    const QSizeF one = OrbDrawText::textSize("8", font);
    const QSizeF three = OrbDrawText::textSize("888", font);
    EXPECT_NEAR(three.width(), 3 * one.width(), 0.01);
    EXPECT_DOUBLE_EQ(one.height(), QFontMetricsF(font).ascent() + QFontMetricsF(font).descent());
}
