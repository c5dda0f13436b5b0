#include "TestEnvironment.h"
#include "platform/linux/AppLauncher.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

// The General menu's rows open the desktop's power or Bluetooth settings, chosen from what
// is installed, the running desktop's own first.
TEST(DeviceSettingsLauncher, powerAndBluetoothPanesPerDesktop)
{
    const struct {
        const char *desktop;
        std::vector<const char *> installed;
        LaunchTarget target;
        const char *program; // "" = none
        QStringList arguments;
    } cases[] = {
        {"GNOME", {"gnome-control-center", "blueman-manager"}, LaunchTarget::BluetoothSettings, "gnome-control-center", {"bluetooth"}},
        {"XFCE", {"gnome-control-center", "blueman-manager"}, LaunchTarget::BluetoothSettings, "blueman-manager", {}},
        {"KDE", {"systemsettings", "blueman-manager"}, LaunchTarget::BluetoothSettings, "systemsettings", {"kcm_bluetooth"}},
        {"KDE", {"systemsettings5"}, LaunchTarget::PowerSettings, "systemsettings5", {"kcm_powerdevilprofilesconfig"}},
        {"XFCE", {"gnome-control-center", "xfce4-power-manager-settings"}, LaunchTarget::PowerSettings, "xfce4-power-manager-settings", {}},
        {"LXQt", {"gnome-control-center"}, LaunchTarget::PowerSettings, "gnome-control-center", {"power"}},
        {"LXQt", {"blueman-manager"}, LaunchTarget::PowerSettings, "", {}},
        {"GNOME", {}, LaunchTarget::BluetoothSettings, "", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.desktop) + " " + c.program);
        QTemporaryDir bin;
        for (const char *p : c.installed)
            test::writeExecutable(bin.path() + "/" + p, "#!/bin/sh\nexit 0\n");
        AppLauncher::setSearchPath({bin.path()});
        qputenv("XDG_CURRENT_DESKTOP", c.desktop);
        const auto cmd = AppLauncher::commandFor(c.target);
        if (!*c.program) {
            EXPECT_FALSE(cmd);
            continue;
        }
        ASSERT_TRUE(cmd);
        EXPECT_EQ(cmd->program, bin.path() + "/" + c.program);
        EXPECT_EQ(cmd->arguments, c.arguments);
    }
    AppLauncher::setSearchPath({});
    qunsetenv("XDG_CURRENT_DESKTOP");
}
