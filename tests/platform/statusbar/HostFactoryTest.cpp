// Which host the program uses on which desktop.
#include "TestEnvironment.h"

#include "platform/statusbar/StatusBarHost.h"

#include <gtest/gtest.h>

using namespace orb;

namespace {

TEST(HostFactoryTest, ChoosesByRequestThenTrayThenDisplay)
{
    struct Case {
        const char *requested;
        bool bus, watcher, display;
        const char *chosen;
    };
    const Case cases[] = {
        {"", true, true, true, "sni"},
        {"", true, false, true, "panel"},
        {"", false, false, true, "panel"},
        {"", true, false, false, "offscreen"},
        {"", false, false, false, "offscreen"},
        {"offscreen", true, true, true, "offscreen"},
        {"panel", true, true, false, "panel"},     // asked for: shown even without a tray
        {"sni", true, false, true, "sni"},         // waits for a tray to start
        {"sni", false, false, true, "panel"},      // no session bus at all
        {"sni", false, false, false, "offscreen"},
        {"gnome", true, true, true, "sni"},        // unknown name: chosen as if none was given
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.requested) + " bus=" + std::to_string(c.bus) + " watcher="
                     + std::to_string(c.watcher) + " display=" + std::to_string(c.display));
        EXPECT_EQ(StatusBarHost::chooseHostName(QString::fromLatin1(c.requested), c.bus, c.watcher, c.display),
                  QString::fromLatin1(c.chosen));
    }
}

TEST(HostFactoryTest, StartsOffscreenWithoutDisplayOrSessionBus)
{
    test::ScopedHome home; // empty runtime directory: no bus socket there
    const QByteArray display = qgetenv("DISPLAY"), bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    qunsetenv("DISPLAY");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    auto automatic = StatusBarHost::create(QString());
    auto asked = StatusBarHost::create(QStringLiteral("sni"));
    if (!display.isEmpty())
        qputenv("DISPLAY", display);
    if (!bus.isEmpty())
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus);
    ASSERT_TRUE(automatic && asked);
    EXPECT_EQ(automatic->name(), QStringLiteral("offscreen"));
    EXPECT_EQ(asked->name(), QStringLiteral("offscreen"));
    // The offscreen host still keeps its items in order.
    auto fan = automatic->createItem(QStringLiteral("fan"));
    auto cpu = automatic->createItem(QStringLiteral("cpu"));
    EXPECT_EQ(automatic->itemsInOrder(), QList<StatusItemHost *>({cpu.get(), fan.get()}));
}

TEST(HostFactoryTest, MakesThePanelWhenAskedForIt)
{
    auto host = StatusBarHost::create(QStringLiteral("panel"));
    EXPECT_EQ(host->name(), QStringLiteral("panel"));
}

} // namespace
