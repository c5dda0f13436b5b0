// Menus open where the click was, but never off the screen or over a bar.
#include "platform/statusbar/MenuPlacement.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {
const QRect kScreen(0, 0, 1280, 800);
const QSize kMenu(200, 300);
} // namespace

TEST(MenuPlacement, MenusStayInsideTheAvailableArea)
{
    struct Case {
        const char *what;
        QPoint click;
        QRect available;
        bool onTray;
        QPoint expected;
    };
    const QRect topPanel(0, 26, 1280, 774);    // a 26 px panel at the top
    const QRect bottomPanel(0, 0, 1280, 756);  // a 44 px panel at the bottom
    const QRect leftDock(48, 0, 1232, 800);    // a 48 px dock on the left
    const Case cases[] = {
        {"room everywhere", {500, 300}, kScreen, false, {500, 300}},
        {"click on a top panel", {1200, 13}, topPanel, true, {1080, 26}},
        {"click on a bottom panel", {1042, 778}, bottomPanel, true, {1042, 456}},
        {"past the right edge", {1270, 400}, kScreen, false, {1080, 400}},
        {"click on a left dock", {20, 500}, leftDock, true, {48, 500}},
        // Nothing reserved, click near an edge from a tray: a bar twice as deep is left out.
        {"unreserved bar on top", {900, 15}, kScreen, true, {900, 31}},
        {"unreserved bar at the bottom", {900, 790}, kScreen, true, {900, 481}},
        {"unreserved bar on the right", {1265, 400}, kScreen, true, {1051, 400}},
        // ... but not for a point given by our own panel, nor far from any edge.
        {"own panel's point", {900, 24}, kScreen, false, {900, 24}},
        {"tray click mid-screen", {640, 400}, kScreen, true, {640, 400}},
        // A menu larger than the area keeps its top-left corner inside.
        {"menu taller than the area", {100, 600}, QRect(0, 26, 1280, 200), true, {100, 26}},
    };
    for (const Case &c : cases) {
        const QRect area = MenuPlacement::usableArea(c.click, kScreen, c.available, c.onTray);
        EXPECT_EQ(MenuPlacement::place(kMenu, c.click, area), c.expected) << c.what;
    }
}

TEST(MenuPlacement, APlacedMenuNeverOverlapsTheReservedBands)
{
    // Every click on a 30 px top bar and a 40 px bottom bar: the menu is inside what is left.
    const QRect available(0, 30, 1280, 730);
    for (int x = 0; x < 1280; x += 37) {
        for (int y : {0, 5, 15, 29, 760, 770, 799}) {
            const QRect area = MenuPlacement::usableArea({x, y}, kScreen, available, true);
            const QRect menu(MenuPlacement::place(kMenu, {x, y}, area), kMenu);
            EXPECT_TRUE(available.contains(menu)) << x << "," << y;
        }
    }
    // Without struts: a waybar-like 30 px bar at the top, clicked anywhere on its icons.
    for (int y = 8; y <= 22; ++y) {
        const QRect area = MenuPlacement::usableArea({1000, y}, kScreen, kScreen, true);
        const QRect menu(MenuPlacement::place(kMenu, {1000, y}, area), kMenu);
        EXPECT_GE(menu.top(), 2 * y + 1) << y;
        EXPECT_GE(menu.top(), 17) << y;
        EXPECT_TRUE(kScreen.contains(menu));
    }
}
