// Our own strip takes the theme's colours when they suit the appearance and keep the items'
// glyphs readable; otherwise a plain bar of the appearance.
#include "platform/statusbar/PanelColours.h"

#include <QPalette>
#include <gtest/gtest.h>

using namespace orb;

TEST(PanelColours, FollowTheAppearanceAndKeepTextReadable)
{
    struct Case {
        const char *what;
        bool dark;
        QColor window;
        QColor glyphs;
        bool themed; // the theme's window colour is used
    };
    const QColor black(0, 0, 0), white(255, 255, 255), darkGrey(0x4d, 0x4d, 0x4d);
    const Case cases[] = {
        {"light theme, light appearance", false, QColor(0xef, 0xef, 0xef), black, true},
        {"dark theme, light appearance", false, QColor(0x2b, 0x2b, 0x2b), black, false},
        {"light theme, dark appearance", true, QColor(0xf5, 0xf5, 0xf5), white, false},
        {"dark theme, dark appearance", true, QColor(0x30, 0x30, 0x30), white, true},
        {"mid grey leaves dark grey text unreadable", false, QColor(0x8a, 0x8a, 0x8a), darkGrey, false},
        {"light theme, dark grey text", false, QColor(0xf0, 0xf0, 0xf0), darkGrey, true},
        {"no glyph colour known", true, QColor(0x20, 0x20, 0x20), QColor(), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QPalette palette;
        palette.setColor(QPalette::Window, c.window);
        const PanelColours colours = PanelColours::forAppearance(c.dark, palette, c.glyphs);
        EXPECT_EQ(colours.background == c.window, c.themed);
        EXPECT_EQ(colours.background.lightness() < 128, c.dark);
        EXPECT_GE(PanelColours::contrast(colours.text, colours.background), PanelColours::kMinimumContrast);
        if (c.glyphs.isValid()) {
            EXPECT_GE(PanelColours::contrast(c.glyphs, colours.background), PanelColours::kMinimumContrast);
        }
    }
}

TEST(PanelColours, ContrastRatioEndsAndSymmetry)
{
    EXPECT_NEAR(PanelColours::contrast(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(PanelColours::contrast(Qt::white, Qt::black), 21.0, 0.01);
    EXPECT_NEAR(PanelColours::contrast(QColor(0x77, 0x77, 0x77), QColor(0x77, 0x77, 0x77)), 1.0, 1e-9);
    // The usual reference: #767676 on white is just above 4.5:1.
    EXPECT_NEAR(PanelColours::contrast(QColor(0x76, 0x76, 0x76), Qt::white), 4.54, 0.02);
}
