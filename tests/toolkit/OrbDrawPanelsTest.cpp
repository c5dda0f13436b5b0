#include "TestCanvas.h"
#include "TestFonts.h"
#include "toolkit/OrbDrawPanels.h"

#include <gtest/gtest.h>

using orb::OrbDrawPanels;
using orb::test::isClear;
using orb::test::sameRgba;
using orb::test::TestCanvas;

TEST(OrbDrawPanels, BaseFrameColoursByMode)
{
    struct Case {
        const char *name;
        bool dark, disabled;
        QColor fill;
    };
    const Case cases[] = {
        {"light", false, false, QColor(255, 255, 255, 230)},
        {"dark", true, false, QColor(0, 0, 0, 230)},
        {"disabled wins over dark", true, true, QColor(128, 128, 128, 51)},
    };
    for (const Case &c : cases) {
        TestCanvas t(100, 50);
        OrbDrawPanels::orbDrawBaseFrame(t.canvas(), QSizeF(100, 50), c.dark, c.disabled);
        EXPECT_TRUE(sameRgba(t.at(50, 25), c.fill, 3)) << c.name;
        // Panel edge at 2 with a 2-wide line: 1..3 stroked, the outermost point bare.
        EXPECT_TRUE(isClear(t.at(0.5, 25))) << c.name;
        EXPECT_TRUE(isClear(t.at(50, 0.5))) << c.name;
        EXPECT_FALSE(isClear(t.at(1.5, 25))) << c.name;
        // Rounded corners: the corner point of the rectangle stays bare.
        EXPECT_TRUE(isClear(t.at(2.2, 2.2))) << c.name;
    }
}

TEST(OrbDrawPanels, TopboxCaptionColourAndHalf)
{
    const QFont font = orb::test::dejaVuSans(12);
    struct Case {
        const char *name;
        std::optional<QColor> shadow;
        bool withGraph;
        QColor text;
        bool upperHalf;
    };
    const Case cases[] = {
        {"settings, with graph", QColor(0, 0, 0, 0), true, QColor(200, 0, 0), true},
        {"settings, no graph", QColor(0, 0, 0, 0), false, QColor(200, 0, 0), false},
        {"no settings: faint grey", std::nullopt, true, QColor(128, 128, 128, 64), true},
    };
    for (const Case &c : cases) {
        TestCanvas t(200, 100);
        OrbDrawPanels::orbDrawTopboxLabel(t.canvas(), "CPU", c.shadow, QRectF(0, 0, 200, 100), c.withGraph, font,
                                          QColor(200, 0, 0));
        int top = -1, bottom = -1, left = 1000, right = -1;
        QColor strongest(0, 0, 0, 0);
        const QImage &img = t.image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor p = img.pixelColor(x, y);
                if (p.alpha() == 0)
                    continue;
                top = top < 0 ? y : top;
                bottom = y;
                left = std::min(left, x);
                right = std::max(right, x);
                if (p.alpha() > strongest.alpha())
                    strongest = p;
            }
        ASSERT_GE(top, 0) << c.name;
        EXPECT_TRUE(sameRgba(strongest, c.text, 3)) << c.name;
        // 32-pixel caption: cap height alone is over 20 rows.
        EXPECT_GT(bottom - top, 20) << c.name;
        EXPECT_NEAR((left + right) / 2.0, 100, 3) << c.name;
        if (c.upperHalf) {
            EXPECT_LT(bottom, 50) << c.name;
        } else {
            EXPECT_TRUE(top < 50 && bottom > 50) << c.name;
        }
    }
}
