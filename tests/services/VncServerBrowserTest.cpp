#include "AvahiMock.h"
#include "TestEnvironment.h"
#include "services/VncServerBrowser.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using namespace orb;

namespace {

using Avahi = test::AvahiMock;


QStringList described(const VncServiceList &list)
{
    QStringList out;
    for (const VncService &s : list)
        out << QStringLiteral("%1 %2:%3 %4").arg(s.name, s.ipar).arg(s.port).arg(s.host);
    return out;
}

TEST(VncServerBrowser, ServersAnnouncedAtStartAreResolvedAndSortedByName)
{
    Avahi avahi;
    ASSERT_TRUE(avahi.bus.isUp());
    ASSERT_TRUE(avahi.start(R"([["Zeta Mac", "192.168.1.21", 5900, "zeta.local", 0],
                                ["alpha", "192.168.1.20", 5901, "alpha.local", 0],
                                ["-oProxyCommand=touch x", "192.168.1.22", 5902, "evil.local", 0]])"));
    VncServerBrowser browser(avahi.bus.connection());
    QSignalSpy changes(&browser, &VncServerBrowser::servicesChanged);
    browser.start();
    ASSERT_TRUE(test::waitUntil([&] { return browser.isSettled() && browser.services().size() == 3; }));
    EXPECT_EQ(described(browser.services()),
              (QStringList{"-oProxyCommand=touch x 192.168.1.22:5902 evil.local", "alpha 192.168.1.20:5901 alpha.local",
                           "Zeta Mac 192.168.1.21:5900 zeta.local"}));
    EXPECT_GE(changes.count(), 1);
    // One resolve each; the browser asked for IPv4 addresses.
    EXPECT_EQ(avahi.resolves("alpha"), 1);
}

TEST(VncServerBrowser, ServersComingAndGoingKeepTheListCurrent)
{
    Avahi avahi;
    ASSERT_TRUE(avahi.start());
    VncServerBrowser browser(avahi.bus.connection());
    browser.setRetryDelays(50, 100);
    browser.start();
    ASSERT_TRUE(test::waitUntil([&] { return browser.isSettled(); }));
    EXPECT_TRUE(browser.services().isEmpty());

    ASSERT_TRUE(avahi.control("AddService", {"Studio", "10.0.0.5", QVariant::fromValue<quint16>(5900), "studio.local"}));
    ASSERT_TRUE(test::waitUntil([&] { return browser.services().size() == 1; }));
    EXPECT_EQ(described(browser.services()), QStringList{"Studio 10.0.0.5:5900 studio.local"});

    // An answer without an IPv4 address (or with 0.0.0.0, or port 0) is never listed, and
    // asked again later.
    ASSERT_TRUE(avahi.control("AddService", {"Six", "fe80::1", QVariant::fromValue<quint16>(5900), "six.local"}));
    ASSERT_TRUE(avahi.control("AddService", {"Zero", "0.0.0.0", QVariant::fromValue<quint16>(5900), "zero.local"}));
    ASSERT_TRUE(avahi.control("AddService", {"Portless", "10.0.0.9", QVariant::fromValue<quint16>(0), "p.local"}));
    ASSERT_TRUE(test::waitUntil([&] { return avahi.resolves("Six") >= 3 && avahi.resolves("Zero") >= 3; }));
    EXPECT_EQ(browser.services().size(), 1);

    QSignalSpy changes(&browser, &VncServerBrowser::servicesChanged);
    ASSERT_TRUE(avahi.control("RemoveService", {"Studio"}));
    ASSERT_TRUE(test::waitUntil([&] { return browser.services().isEmpty(); }));
    ASSERT_EQ(changes.count(), 1);
    EXPECT_TRUE(changes[0][0].value<VncServiceList>().isEmpty());
    // A withdrawn service is not asked about again.
    ASSERT_TRUE(avahi.control("RemoveService", {"Six"}));
    QThread::msleep(50);
    QCoreApplication::processEvents();
    const int asked = avahi.resolves("Six");
    test::waitUntil([] { return false; }, 400);
    EXPECT_EQ(avahi.resolves("Six"), asked);
}

TEST(VncServerBrowser, AFailedResolveIsTriedAgainUntilItSucceeds)
{
    Avahi avahi;
    ASSERT_TRUE(avahi.start(R"([["Lab", "192.168.7.7", 5900, "lab.local", 2]])"));
    test::LogCapture log;
    VncServerBrowser browser(avahi.bus.connection());
    browser.setRetryDelays(100, 400);
    browser.start();
    ASSERT_TRUE(test::waitUntil([&] { return browser.isSettled(); }));
    EXPECT_TRUE(browser.services().isEmpty());
    EXPECT_TRUE(log.has({"could not resolve", "Lab"}));
    ASSERT_TRUE(test::waitUntil([&] { return browser.services().size() == 1; }));
    EXPECT_EQ(described(browser.services()), QStringList{"Lab 192.168.7.7:5900 lab.local"});
    EXPECT_EQ(avahi.resolves("Lab"), 3);
}

TEST(VncServerBrowser, WithoutTheDaemonThereAreNoServersUntilItStarts)
{
    Avahi avahi;
    ASSERT_TRUE(avahi.bus.isUp());
    test::LogCapture log;
    VncServerBrowser browser(avahi.bus.connection());
    browser.start();
    ASSERT_TRUE(test::waitUntil([&] { return browser.isSettled(); }, 5000));
    EXPECT_TRUE(browser.services().isEmpty());
    EXPECT_TRUE(log.has({"avahi-daemon is not running"}));

    ASSERT_TRUE(avahi.start(R"([["Office", "192.168.1.40", 5900, "office.local", 0]])"));
    ASSERT_TRUE(test::waitUntil([&] { return browser.services().size() == 1; }));
    EXPECT_TRUE(log.has({"avahi-daemon is on the system bus"}));
}

TEST(VncServerBrowser, ADaemonThatRestartsTakesItsServersAlongAndBringsThemBack)
{
    Avahi avahi;
    const QString two = R"([["A", "192.168.1.1", 5900, "a.local", 0], ["B", "192.168.1.2", 5900, "b.local", 0]])";
    ASSERT_TRUE(avahi.start(two));
    test::LogCapture log;
    VncServerBrowser browser(avahi.bus.connection());
    browser.start();
    ASSERT_TRUE(test::waitUntil([&] { return browser.services().size() == 2; }));

    QSignalSpy changes(&browser, &VncServerBrowser::servicesChanged);
    ASSERT_TRUE(avahi.stop());
    ASSERT_TRUE(test::waitUntil([&] { return browser.services().isEmpty(); }));
    ASSERT_GE(changes.count(), 1);
    EXPECT_TRUE(changes.last()[0].value<VncServiceList>().isEmpty());
    EXPECT_TRUE(log.has({"avahi-daemon left the system bus"}));

    ASSERT_TRUE(avahi.start(two));
    ASSERT_TRUE(test::waitUntil([&] { return browser.services().size() == 2; }));
    EXPECT_EQ(described(browser.services()), (QStringList{"A 192.168.1.1:5900 a.local", "B 192.168.1.2:5900 b.local"}));
}

TEST(VncServerBrowser, NoSystemBusMeansNoServersAndNoWait)
{
    test::LogCapture log;
    VncServerBrowser browser(QDBusConnection(QStringLiteral("orb-no-such-connection")));
    browser.start();
    EXPECT_TRUE(browser.isSettled());
    EXPECT_TRUE(browser.services().isEmpty());
    EXPECT_TRUE(log.has({"no system bus"}));
}

} // namespace
