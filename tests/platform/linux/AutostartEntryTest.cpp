#include "TestEnvironment.h"

#include "platform/linux/AutostartEntry.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace orb;

namespace {

TEST(AutostartEntryTest, QuotesExecArgumentsAsDesktopEntriesRequire)
{
    const struct {
        const char *argument, *exec;
    } cases[] = {
        {"/usr/bin/orbmeter", "/usr/bin/orbmeter"},
        {"/opt/My Apps/orbmeter", "\"/opt/My Apps/orbmeter\""},
        {"/home/a$b/orbmeter", "\"/home/a\\\\$b/orbmeter\""},      // \$ then the value escape of "\"
        {"/tmp/quote\"d", "\"/tmp/quote\\\\\"d\""},
        {"/tmp/back\\slash", "\"/tmp/back\\\\\\\\slash\""},         // \\ then each escaped again
        {"/tmp/100%/orbmeter", "/tmp/100%%/orbmeter"},
        {"/tmp/`cmd`", "\"/tmp/\\\\`cmd\\\\`\""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(AutostartEntry::quoteExecArgument(QString::fromUtf8(c.argument)), QString::fromUtf8(c.exec));
    }
}

TEST(AutostartEntryTest, SwitchingOnWritesTheEntryAndOffRemovesIt)
{
    test::ScopedHome home;
    AutostartEntry entry(QStringLiteral("/opt/Orb meter/orbmeter"));
    const QString expectedPath = home.home() + QStringLiteral("/.config/autostart/org.orbmeter.Orbmeter9.desktop");
    EXPECT_EQ(entry.path(), expectedPath);
    EXPECT_FALSE(entry.isEnabled());

    ASSERT_TRUE(entry.setEnabled(true));
    EXPECT_TRUE(entry.isEnabled());
    const QByteArray written = test::readFile(expectedPath);
    EXPECT_TRUE(written.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(written.contains("\nType=Application\n"));
    EXPECT_TRUE(written.contains("\nExec=\"/opt/Orb meter/orbmeter\"\n"));
    EXPECT_TRUE(written.contains("\nIcon=org.orbmeter.Orbmeter9\n"));
    ASSERT_TRUE(entry.setEnabled(true)); // again: replaced, still one entry
    EXPECT_EQ(test::readFile(expectedPath), written);

    ASSERT_TRUE(entry.setEnabled(false));
    EXPECT_FALSE(QFileInfo::exists(expectedPath));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(entry.setEnabled(false)); // nothing to remove is fine
}

TEST(AutostartEntryTest, AnEntrySwitchedOffByTheSessionCountsAsOff)
{
    test::ScopedHome home;
    AutostartEntry entry(QStringLiteral("/usr/bin/orbmeter"));
    const struct {
        const char *text;
        bool enabled;
    } cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=orbmeter\n", true},
        {"[Desktop Entry]\nType=Application\nExec=orbmeter\nHidden=false\n", true},
        {"[Desktop Entry]\nType=Application\nExec=orbmeter\nHidden=true\n", false},
        {"[Desktop Entry]\nType=Application\nExec=orbmeter\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nType=Application\nExec=orbmeter\n[Desktop Action x]\nHidden=true\n", true},
        // Entries a session would not start.
        {"", false},
        {"\x01\x02garbage without groups", false},
        {"[Desktop Entry]\n", false},
        {"[Desktop Entry]\nType=Application\nExec=\n", false},
        {"[Desktop Entry]\nExec=orbmeter\n", false},
        {"[Desktop Entry]\nType=Link\nExec=orbmeter\n", false},
        {"[Other]\nType=Application\nExec=orbmeter\n", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        test::writeFile(entry.path(), c.text);
        EXPECT_EQ(entry.isEnabled(), c.enabled);
    }
}

TEST(AutostartEntryTest, AFifoInPlaceOfTheEntryReadsAsOffWithoutWaiting)
{
    test::ScopedHome home;
    AutostartEntry entry(QStringLiteral("/usr/bin/orbmeter"));
    test::FifoTrap fifo(entry.path());
    ASSERT_TRUE(fifo.created());
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_FALSE(fifo.stalled());
    // Switching on replaces it with a real entry.
    ASSERT_TRUE(entry.setEnabled(true));
    EXPECT_TRUE(QFileInfo(entry.path()).isFile());
    EXPECT_TRUE(entry.isEnabled());
}

} // namespace
