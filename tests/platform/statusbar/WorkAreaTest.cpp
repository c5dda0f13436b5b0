// The strip goes where other docks leave room: struts read as the window manager reads them.
#include "platform/statusbar/WorkArea.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {
const QSize kRoot(2560, 800);              // two 1280 x 800 screens side by side
const QRect kLeftScreen(0, 0, 1280, 800);
const QRect kRightScreen(1280, 0, 1280, 800);

DockStrut partial(std::initializer_list<quint32> values) { return DockStrut::fromCardinals(QList<quint32>(values), kRoot); }
} // namespace

TEST(WorkArea, FreeAreaLeavesOutWhatDocksReserve)
{
    struct Case {
        const char *what;
        QList<DockStrut> struts;
        QRect screen;
        QRect expected;
    };
    const DockStrut topPanel = partial({0, 0, 26, 0, 0, 0, 0, 0, 0, 1279, 0, 0});
    const DockStrut bottomPanel = partial({0, 0, 0, 44, 0, 0, 0, 0, 0, 0, 0, 1279});
    const DockStrut leftDock = partial({48, 0, 0, 0, 0, 799, 0, 0, 0, 0, 0, 0});
    const DockStrut rightScreensTop = partial({0, 0, 30, 0, 0, 0, 0, 0, 1280, 2559, 0, 0});
    const Case cases[] = {
        {"nothing reserved", {}, kLeftScreen, kLeftScreen},
        {"a top panel", {topPanel}, kLeftScreen, QRect(0, 26, 1280, 774)},
        {"top and bottom panels and a left dock", {topPanel, bottomPanel, leftDock}, kLeftScreen,
         QRect(48, 26, 1232, 730)},
        {"a panel over the other screen only", {rightScreensTop}, kLeftScreen, kLeftScreen},
        {"that panel seen from its own screen", {rightScreensTop}, kRightScreen, QRect(1280, 30, 1280, 770)},
        {"the thicker of two top struts", {topPanel, partial({0, 0, 40, 0, 0, 0, 0, 0, 600, 900, 0, 0})}, kLeftScreen,
         QRect(0, 40, 1280, 760)},
        {"a whole-edge strut of four values", {DockStrut::fromCardinals({0, 0, 24, 0}, kRoot)}, kRightScreen,
         QRect(1280, 24, 1280, 776)},
        {"struts that would leave nothing are ignored", {partial({0, 0, 5000, 0, 0, 0, 0, 0, 0, 2559, 0, 0})},
         kLeftScreen, kLeftScreen},
    };
    for (const Case &c : cases)
        EXPECT_EQ(WorkArea::freeArea(c.screen, kRoot, c.struts), c.expected) << c.what;
}

TEST(WorkArea, OddStrutPropertiesReserveNothing)
{
    for (const QList<quint32> &values : {QList<quint32>{}, QList<quint32>{26}, QList<quint32>{0, 0, 26, 0, 0, 0}}) {
        const DockStrut s = DockStrut::fromCardinals(values, kRoot);
        EXPECT_EQ(WorkArea::freeArea(kLeftScreen, kRoot, {s}), kLeftScreen) << values.size();
    }
}
