// What the monitor does with the displays it finds: X11 where there is one, Wayland natively
// otherwise, and a message with a non-zero exit code (never an abort) where neither works.
#include "platform/linux/DisplayProbe.h"

#include <QLocalServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

TEST(DisplayProbe, ChoosesAPlatformOrSaysWhyNot)
{
    struct Case {
        const char *what;
        DisplayProbe::Inputs in;
        const char *platform;
        int exitCode;
        const char *messagePart;
    };
    using In = DisplayProbe::Inputs;
    const auto in = [](QString qpa, QByteArray x, QByteArray wl, bool xOk, bool wlOk, bool xcb, bool wlPlugin,
                       bool panel = false) {
        In i;
        i.requestedPlatform = qpa;
        i.display = x;
        i.waylandDisplay = wl;
        i.x11Reachable = xOk;
        i.waylandReachable = wlOk;
        i.xcbPlugin = xcb;
        i.waylandPlugin = wlPlugin;
        i.panelRequested = panel;
        return i;
    };
    const Case cases[] = {
        {"an X server", in({}, ":0", {}, true, false, true, false), "xcb", 0, ""},
        {"Wayland with Xwayland goes through X11", in({}, ":0", "wayland-1", true, true, true, true), "xcb", 0, ""},
        {"Wayland alone, plugin installed", in({}, {}, "wayland-1", false, true, true, true), "wayland", 0, ""},
        {"Wayland alone, no plugin", in({}, {}, "wayland-1", false, true, true, false), "", 1, "qt6-wayland"},
        {"Wayland alone, panel host", in({}, {}, "wayland-1", false, true, true, true, true), "", 2, "--host sni"},
        {"Xwayland gone, Wayland there", in({}, ":5", "wayland-1", false, true, true, true), "wayland", 0, ""},
        {"nothing answers", in({}, ":5", "wayland-1", false, false, true, true), "", 1, "cannot reach"},
        {"X server gone", in({}, ":5", {}, false, false, true, true), "", 1, "cannot open the X11 display \":5\""},
        {"no X11 plugin", in({}, ":0", {}, true, false, false, true), "", 1, "libqxcb"},
        {"no display at all: headless", in({}, {}, {}, false, false, true, true), "", 0, ""},
        {"asked for xcb, no X server", in("xcb", {}, "wayland-1", false, true, true, true), "", 1, "X11 display"},
        {"asked for wayland, no plugin", in("wayland", ":0", "wayland-1", true, true, true, false), "", 1, "plugin"},
        {"asked for offscreen", in("offscreen", ":5", {}, false, false, false, false), "", 0, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const DisplayProbe::Decision d = DisplayProbe::decide(c.in);
        EXPECT_EQ(d.platform, QByteArray(c.platform));
        EXPECT_EQ(d.exitCode, c.exitCode);
        EXPECT_TRUE(d.message.contains(QLatin1String(c.messagePart))) << qPrintable(d.message);
        EXPECT_EQ(d.message.isEmpty(), c.exitCode == 0);
    }
}

TEST(DisplayProbe, WaylandSocketIsFoundByNameOrPath)
{
    QTemporaryDir runtime;
    QLocalServer server;
    ASSERT_TRUE(server.listen(runtime.path() + QStringLiteral("/wayland-7")));
    const QByteArray dir = runtime.path().toLocal8Bit();
    EXPECT_TRUE(DisplayProbe::waylandReachable("wayland-7", dir));
    EXPECT_TRUE(DisplayProbe::waylandReachable(dir + "/wayland-7", {}));
    EXPECT_FALSE(DisplayProbe::waylandReachable("wayland-8", dir));
    EXPECT_FALSE(DisplayProbe::waylandReachable("wayland-7", {})); // no runtime directory to look in
    EXPECT_FALSE(DisplayProbe::waylandReachable(QByteArray(200, 'x'), dir)); // longer than a socket path
}
