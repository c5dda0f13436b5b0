#include "TestEnvironment.h"
#include "platform/linux/AppLauncher.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

namespace {
void install(const QTemporaryDir &dir, const char *name)
{
    test::writeExecutable(dir.path() + "/" + name, "#!/bin/sh\nexit 0\n");
}
} // namespace

TEST(AppLauncher, PrefersTheRunningDesktopsApplicationThenAnyInstalledOne)
{
    QTemporaryDir bin;
    install(bin, "plasma-systemmonitor");
    install(bin, "gnome-system-monitor");
    install(bin, "x-terminal-emulator");
    AppLauncher::setSearchPath({bin.path()});

    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    EXPECT_EQ(AppLauncher::commandFor(LaunchTarget::SystemMonitor)->program, bin.path() + "/plasma-systemmonitor");
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    EXPECT_EQ(AppLauncher::commandFor(LaunchTarget::SystemMonitor)->program, bin.path() + "/gnome-system-monitor");
    qputenv("XDG_CURRENT_DESKTOP", "XFCE");
    EXPECT_EQ(AppLauncher::commandFor(LaunchTarget::SystemMonitor)->program, bin.path() + "/gnome-system-monitor");

    // No log viewer installed: the journal in the terminal, as an argument list.
    const auto logs = AppLauncher::commandFor(LaunchTarget::LogViewer);
    ASSERT_TRUE(logs);
    EXPECT_EQ(logs->program, bin.path() + "/x-terminal-emulator");
    EXPECT_EQ(logs->arguments, (QStringList{"-e", "journalctl", "-f"}));
    EXPECT_FALSE(AppLauncher::isAvailable(LaunchTarget::DiskUtility));
    EXPECT_FALSE(AppLauncher::launch(LaunchTarget::DiskUtility));
    EXPECT_TRUE(AppLauncher::launch(LaunchTarget::SystemMonitor));

    AppLauncher::setSearchPath({});
    qunsetenv("XDG_CURRENT_DESKTOP");
}
