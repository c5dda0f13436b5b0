// "Quit Orbmeter" with the tray host: the event loop ends with status 0, the settings are on
// disk, and the tray's watcher loses every item as the controller is taken down.
#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "modules/BaseMenuItems.h"
#include "modules/general/General_MenuModule.h"
#include "platform/statusbar/SniHost.h"
#include "settings/SettingsStore.h"

#include <QAction>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orb;

namespace {

// Lists registered items the way trays do, dropping names that leave the bus.
class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    Watcher(const QString &address)
        : bus_(QDBusConnection::connectToBus(address, QStringLiteral("quit-watcher"))),
          vanish_(QString(), bus_, QDBusServiceWatcher::WatchForUnregistration)
    {
        connect(&vanish_, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString &s) { items.removeAll(s); });
        bus_.registerObject(QStringLiteral("/StatusNotifierWatcher"), this, QDBusConnection::ExportAllSlots);
        ok = bus_.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    }
    ~Watcher() override { QDBusConnection::disconnectFromBus(QStringLiteral("quit-watcher")); }
    QStringList items;
    bool ok = false;

public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString &service)
    {
        vanish_.addWatchedService(service);
        if (!items.contains(service))
            items.append(service);
    }

private:
    QDBusConnection bus_;
    QDBusServiceWatcher vanish_;
};

bool waitUntil(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

TEST(GeneralQuit, endsWithStatusZeroAndLeavesTheTray)
{
    test::ScopedHome home;
    SettingsStore::resetSharedInstances();
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    ASSERT_TRUE(daemon.waitForStarted(5000) && daemon.waitForReadyRead(5000));
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    {
        Watcher watcher(address);
        ASSERT_TRUE(watcher.ok);
        auto host = std::make_unique<SniHost>(address);
        AppOptions options;
        options.startTimer = false;
        options.probeHardware = false;
        options.sysroots = {Sysroot(test::fixturePath("bench-a").toStdString())};
        auto app = std::make_unique<AppDelegate>(*host, options);
        app->startUpMe();
        auto *general = dynamic_cast<General_MenuModule *>(app->statusModule(ModuleId::General));
        ASSERT_NE(general, nullptr) << "\"DisplayOrbIcon\" 1 after the first run";
        ASSERT_TRUE(waitUntil([&] { return !watcher.items.isEmpty(); }));
        const int shown = static_cast<int>(watcher.items.size());

        QAction *quit = nullptr;
        for (QAction *a : general->statusMenu()->actions())
            if (BaseMenuItems::tag(a) == General_MenuModule::kQuitTag)
                quit = a;
        ASSERT_NE(quit, nullptr);
        EXPECT_EQ(general->statusMenu()->actions().last(), quit);
        app->settings().setString("QuitCheck", "written");
        QTimer::singleShot(0, quit, &QAction::trigger);
        QTimer::singleShot(10000, [] { QCoreApplication::exit(3); }); // a stuck quit fails, never hangs
        EXPECT_EQ(QCoreApplication::exec(), 0);
        EXPECT_TRUE(test::readFile(app->settings().filePath()).contains("QuitCheck"));

        // What the program does as the event loop returns.
        app.reset();
        // Generous: on a loaded machine the bus may take a while to report every name gone.
        EXPECT_TRUE(waitUntil([&] { return watcher.items.isEmpty(); }, 20000))
            << watcher.items.size() << " of " << shown << " items still registered";
        host.reset();
    }
    daemon.kill();
    daemon.waitForFinished(3000);
    SettingsStore::resetSharedInstances();
}

#include "GeneralQuitTest.moc"
