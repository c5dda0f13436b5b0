// "Quit Orbmeter" with the tray host: the event loop ends with status 0, the settings are on
// disk, and the tray's watcher loses every item as the controller is taken down.
#include "MockBus.h"
#include "SniTestBus.h"
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "modules/BaseMenuItems.h"
#include "modules/general/General_MenuModule.h"
#include "platform/statusbar/SniHost.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orb;

TEST(GeneralQuit, endsWithStatusZeroAndLeavesTheTray)
{
    test::ScopedHome home;
    SettingsStore::resetSharedInstances();
    test::MockBus bus;
    ASSERT_TRUE(bus.isUp());
    const QString address = bus.address();
    {
        test::TestWatcher watcher(address, QStringLiteral("quit-watcher"));
        ASSERT_TRUE(watcher.ok());
        auto host = std::make_unique<SniHost>(address);
        AppOptions options;
        options.startTimer = false;
        options.probeHardware = false;
        options.sysroots = {Sysroot(test::fixturePath("bench-a").toStdString())};
        auto app = std::make_unique<AppDelegate>(*host, options);
        app->startUpMe();
        auto *general = dynamic_cast<General_MenuModule *>(app->statusModule(ModuleId::General));
        ASSERT_NE(general, nullptr) << "\"DisplayOrbIcon\" 1 after the first run";
        ASSERT_TRUE(test::waitUntil([&] { return !watcher.items().isEmpty(); }));
        const int shown = static_cast<int>(watcher.items().size());

        QAction *quit = nullptr;
        for (QAction *a : general->statusMenu()->actions())
            if (BaseMenuItems::tag(a) == General_MenuModule::kQuitTag)
                quit = a;
        ASSERT_NE(quit, nullptr);
        EXPECT_EQ(general->statusMenu()->actions().last(), quit);
        app->settings().setString("QuitCheck", "written");
        QTimer::singleShot(0, quit, &QAction::trigger);
        // A stuck quit fails, never hangs. The guard ends with the test: left armed, it would
        // end the event loop of whatever test of this program runs ten seconds later.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(3); });
        guard.start(10000);
        EXPECT_EQ(QCoreApplication::exec(), 0);
        guard.stop();
        EXPECT_TRUE(test::readFile(app->settings().filePath()).contains("QuitCheck"));

        // What the program does as the event loop returns.
        app.reset();
        // Generous: on a loaded machine the bus may take a while to report every name gone.
        EXPECT_TRUE(test::waitUntil([&] { return watcher.items().isEmpty(); }, 20000))
            << watcher.items().size() << " of " << shown << " items still registered";
        host.reset();
    }
    SettingsStore::resetSharedInstances();
}
