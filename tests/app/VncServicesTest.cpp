#include "AvahiMock.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "modules/BaseMenuItems.h"
#include "modules/vnc/VNC_MenuModule.h"
#include "platform/linux/AppLauncher.h"
#include "platform/statusbar/StatusBarHost.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

namespace {

QStringList serverTitles(const MenuModule *item)
{
    QStringList out;
    if (!item || !item->statusMenu())
        return out;
    for (const QAction *a : item->statusMenu()->actions())
        if (BaseMenuItems::tag(a) >= 300 && !a->isSeparator())
            out << a->text();
    return out;
}

// The controller with the screen-sharing item on, one saved server, and avahi's stand-in
// on the system bus it is given.
class VncServicesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("ORBMETER_SYSROOT", test::fixturePath("bench-a").toUtf8());
        AppLauncher::setSearchPath({noPrograms.path()});
        auto s = SettingsStore::open();
        s->setString("AppVersion", "9.0.0");
        s->setBool("Vnc_ShowMenu", true);
        s->setArray("Vnc_ClientSortArray",
                    {QVariantMap{{"name", "Office"}, {"url", "vnc://office.example:5901"}, {"menu", true}}});
        s->synchronize();
    }
    void TearDown() override
    {
        AppLauncher::setSearchPath({});
        qunsetenv("ORBMETER_SYSROOT");
    }

    test::ScopedHome home;
    QTemporaryDir noPrograms;
    OffscreenHost host;
    test::AvahiMock avahi;
};

} // namespace

TEST_F(VncServicesTest, TheItemListsWhatTheNetworkAnnouncesAndFollowsItsChanges)
{
    ASSERT_TRUE(avahi.start(R"([["Zeta", "192.168.1.21", 5900, "zeta.local", 0],
                                ["alpha", "192.168.1.20", 5901, "alpha.local", 0]])"));
    AppDelegate app(host, {.startTimer = false, .systemBus = avahi.bus.connection()});
    app.startUpMe();
    ASSERT_TRUE(app.runPassSynchronously());
    ASSERT_TRUE(app.waitForNetServices(5000));
    EXPECT_EQ(serverTitles(app.statusModule(ModuleId::Vnc)),
              (QStringList{"alpha (192.168.1.20)", "Zeta (192.168.1.21)", "Office"}));

    // A server appearing while the menu is open shows in it.
    app.statusModule(ModuleId::Vnc)->menuWillOpen();
    ASSERT_TRUE(avahi.control("AddService", {"beta", "192.168.1.30", QVariant::fromValue<quint16>(5900), "b.local"}));
    ASSERT_TRUE(test::waitUntil([&] { return serverTitles(app.statusModule(ModuleId::Vnc)).size() == 4; }));
    EXPECT_EQ(serverTitles(app.statusModule(ModuleId::Vnc)),
              (QStringList{"alpha (192.168.1.20)", "beta (192.168.1.30)", "Zeta (192.168.1.21)", "Office"}));

    // An item made anew (a settings change) starts with the servers already found.
    app.moduleRelease(ModuleId::Vnc);
    app.moduleAlloc(ModuleId::Vnc);
    EXPECT_EQ(serverTitles(app.statusModule(ModuleId::Vnc)).size(), 4);

    // The daemon going away takes the network's servers out; the saved one stays.
    ASSERT_TRUE(avahi.stop());
    ASSERT_TRUE(test::waitUntil([&] { return serverTitles(app.statusModule(ModuleId::Vnc)).size() == 1; }));
    EXPECT_EQ(serverTitles(app.statusModule(ModuleId::Vnc)), QStringList{"Office"});
}
