#include "MockBus.h"
#include "TestEnvironment.h"
#include "platform/linux/DesktopNotifier.h"
#include "platform/linux/SessionEndWatcher.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <csignal>
#include <gtest/gtest.h>

using namespace orb;

namespace {
} // namespace

// A notice goes out once with its text; the next with the same identifier replaces it; names
// chosen by others reach a markup-reading service escaped.
TEST(DesktopNotifier, NoticesReplaceTheirPredecessorAndAreEscaped)
{
    test::MockBus bus;
    ASSERT_TRUE(bus.isUp());
    ASSERT_TRUE(bus.startTemplate("notification_daemon", "org.freedesktop.Notifications", false));
    DesktopNotifier notifier(bus.connection());
    QSignalSpy delivered(&notifier, &DesktopNotifier::delivered);
    notifier.fireNotification("Bluetooth input device disconnected", "<b>Mouse</b> & Keys", "dev", 0);
    ASSERT_TRUE(test::waitUntil([&] { return delivered.size() == 1; }));
    const uint first = delivered.at(0).at(1).toUInt();
    EXPECT_GT(first, 0u);
    notifier.fireNotification("Bluetooth input device disconnected", "Mouse", "dev", 0.05);
    notifier.fireNotification("Low Battery", "Check the battery of the Bluetooth input device.", "other", 0);
    ASSERT_TRUE(test::waitUntil([&] { return delivered.size() == 3; }));
    QStringList notify;
    for (const QString &c : bus.calls("org.freedesktop.Notifications", "/org/freedesktop/Notifications"))
        if (c.startsWith("Notify "))
            notify << c;
    ASSERT_EQ(notify.size(), 3);
    EXPECT_TRUE(notify[0].startsWith("Notify Orbmeter 0 "));
    EXPECT_TRUE(notify[0].contains("&lt;b&gt;Mouse&lt;/b&gt; &amp; Keys")) << notify[0].toStdString();
    EXPECT_TRUE(notify[2].startsWith(QString("Notify Orbmeter %1 ").arg(first))) << notify[2].toStdString();
    EXPECT_TRUE(notify[1].startsWith("Notify Orbmeter 0 ")) << "another identifier gets a notice of its own";
}

TEST(DesktopNotifier, WithoutAServiceTheNoticeIsOnlyLogged)
{
    test::MockBus bus;
    ASSERT_TRUE(bus.isUp());
    DesktopNotifier notifier(bus.connection());
    QSignalSpy delivered(&notifier, &DesktopNotifier::delivered);
    notifier.fireNotification("Wi-Fi disconnected", "Home", "Home", 0);
    ASSERT_TRUE(test::waitUntil([&] { return delivered.size() == 1; }));
    EXPECT_EQ(delivered.at(0).at(1).toUInt(), 0u);
}

// A delay inhibitor is held until the settings are saved; PrepareForShutdown and SIGTERM both
// ask the application to end.
TEST(SessionEndWatcher, ShutdownAndSignalsEndTheRun)
{
    test::MockBus bus;
    ASSERT_TRUE(bus.isUp());
    ASSERT_TRUE(bus.startTemplate("logind", "org.freedesktop.login1", true));
    SessionEndWatcher watcher(bus.connection());
    QSignalSpy ended(&watcher, &SessionEndWatcher::endRequested);
    ASSERT_TRUE(test::waitUntil([&] { return watcher.holdsInhibitor(); }));
    QStringList calls = bus.calls("org.freedesktop.login1", "/org/freedesktop/login1");
    ASSERT_FALSE(calls.isEmpty());
    EXPECT_EQ(calls.last(), "Inhibit shutdown Orbmeter Saving its settings delay");

    QDBusMessage emitCall = QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                                           "org.freedesktop.DBus.Mock", "EmitSignal");
    emitCall << "org.freedesktop.login1.Manager" << "PrepareForShutdown" << "b" << QVariant(QVariantList{true});
    ASSERT_EQ(bus.connection().call(emitCall, QDBus::Block, 5000).type(), QDBusMessage::ReplyMessage);
    ASSERT_TRUE(test::waitUntil([&] { return ended.size() == 1; }));
    EXPECT_EQ(ended.at(0).at(0).toString(), "shutdown");
    watcher.releaseInhibitor();
    EXPECT_FALSE(watcher.holdsInhibitor());

    ::raise(SIGTERM);
    ASSERT_TRUE(test::waitUntil([&] { return ended.size() == 2; }));
    EXPECT_EQ(ended.at(1).at(0).toString(), "signal");
}
