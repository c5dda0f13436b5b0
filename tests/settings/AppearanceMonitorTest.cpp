#include "settings/AppearanceMonitor.h"

#include "MockBus.h"
#include "TestEnvironment.h"
#include "settings/SettingsStore.h"
#include "toolkit/OrbColors.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using orb::AppearanceMonitor;

namespace {

// A private session bus (never the machine's) with a mock desktop portal on it.
class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(bus.isUp()); }

    // Starts python3-dbusmock as the portal, answering Read with `scheme`.
    bool startPortal(uint scheme)
    {
        if (!bus.startMock("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                           "org.freedesktop.portal.Settings", false))
            return false;
        QDBusMessage add = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop",
                                                          "/org/freedesktop/portal/desktop",
                                                          "org.freedesktop.DBus.Mock", "AddMethod");
        add << "org.freedesktop.portal.Settings" << "Read" << "ss" << "v"
            << QString("ret = dbus.UInt32(%1, variant_level=1)").arg(scheme);
        return bus.connection().call(add, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

    bool emitScheme(const QString &nameSpace, uint scheme)
    {
        QDBusMessage emitCall = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop",
                                                               "/org/freedesktop/portal/desktop",
                                                               "org.freedesktop.DBus.Mock", "EmitSignal");
        emitCall << "org.freedesktop.portal.Settings" << "SettingChanged" << "ssv"
                 << QVariant(QVariantList{nameSpace, QString("color-scheme"), QVariant::fromValue(scheme)});
        return bus.connection().call(emitCall, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }

    orb::test::MockBus bus;
};

TEST_F(PrivateBus, PortalSchemeIsStoredAndFollowed)
{
    orb::test::ScopedHome home;
    ASSERT_TRUE(startPortal(1));
    EXPECT_EQ(AppearanceMonitor::readPortal(bus.connection(), 2000), std::optional<bool>(true));

    auto store = orb::SettingsStore::open();
    AppearanceMonitor monitor(store, bus.connection());
    QList<bool> changed;
    QObject::connect(&monitor, &AppearanceMonitor::appearanceChanged, [&](bool dark) { changed.append(dark); });
    EXPECT_TRUE(monitor.start(2000));
    EXPECT_EQ(store->stringForKey("OrbBigSurMenuAppearance"), "Dark");
    EXPECT_TRUE(AppearanceMonitor::retApperanceDarkMode(*store));
    EXPECT_TRUE(orb::OrbColors::darkAppearance());
    ASSERT_EQ(changed.count(), 1);

    // Another namespace is ignored; the appearance namespace switches to light.
    ASSERT_TRUE(emitScheme("org.gnome.desktop.interface", 2));
    ASSERT_TRUE(emitScheme("org.freedesktop.appearance", 2));
    orb::test::waitUntil([&] { return changed.size() >= 2; }, 5000);
    ASSERT_EQ(changed.size(), 2);
    EXPECT_FALSE(changed.last());
    EXPECT_EQ(store->stringForKey("OrbBigSurMenuAppearance"), "Light");
    EXPECT_FALSE(monitor.isDark());
    orb::OrbColors::setDarkAppearance(false);
}

TEST_F(PrivateBus, WithoutAPortalThePaletteDecides)
{
    orb::test::ScopedHome home;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(AppearanceMonitor::readPortal(bus.connection(), 2000), std::nullopt);
    EXPECT_LT(timer.elapsed(), 1500) << "a missing portal answers at once";
    auto store = orb::SettingsStore::open();
    AppearanceMonitor monitor(store, bus.connection());
    // The offscreen platform's palette is light: dark text on a light window.
    EXPECT_FALSE(monitor.start(500));
    EXPECT_EQ(store->stringForKey("OrbBigSurMenuAppearance"), "Light");
}

TEST(Appearance, StoredWordChangesOnlyOnAFlip)
{
    orb::test::ScopedHome home;
    auto store = orb::SettingsStore::open();
    EXPECT_FALSE(AppearanceMonitor::retApperanceDarkMode(*store));
    EXPECT_TRUE(AppearanceMonitor::retBoolCheckBigSurMenuBar(*store, true));
    EXPECT_FALSE(AppearanceMonitor::retBoolCheckBigSurMenuBar(*store, true));
    EXPECT_TRUE(AppearanceMonitor::retApperanceDarkMode(*store));
    EXPECT_TRUE(AppearanceMonitor::retBoolCheckBigSurMenuBar(*store, false));
    EXPECT_EQ(store->stringForKey("OrbBigSurMenuAppearance"), "Light");
}

} // namespace
