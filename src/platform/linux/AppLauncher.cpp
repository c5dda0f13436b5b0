#include "platform/linux/AppLauncher.h"

#include "platform/Logging.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStandardPaths>
#include <vector>

namespace orb {
namespace {

struct Candidate {
    const char *program;
    std::vector<const char *> arguments;
    const char *desktop; // preferred on this desktop, or nullptr
};

QStringList &searchPath()
{
    static QStringList path;
    return path;
}

std::vector<Candidate> candidates(LaunchTarget target)
{
    switch (target) {
    case LaunchTarget::SystemMonitor:
        return {{"gnome-system-monitor", {}, "GNOME"},
                {"plasma-systemmonitor", {}, "KDE"},
                {"xfce4-taskmanager", {}, "XFCE"},
                {"mate-system-monitor", {}, "MATE"},
                {"gnome-system-monitor", {}, nullptr},
                {"plasma-systemmonitor", {}, nullptr},
                {"xfce4-taskmanager", {}, nullptr},
                {"mate-system-monitor", {}, nullptr},
                {"x-terminal-emulator", {"-e", "top"}, nullptr}};
    case LaunchTarget::LogViewer:
        return {{"gnome-logs", {}, "GNOME"},
                {"ksystemlog", {}, "KDE"},
                {"gnome-logs", {}, nullptr},
                {"ksystemlog", {}, nullptr},
                {"x-terminal-emulator", {"-e", "journalctl", "-f"}, nullptr}};
    case LaunchTarget::Terminal:
        return {{"gnome-terminal", {}, "GNOME"},
                {"konsole", {}, "KDE"},
                {"xfce4-terminal", {}, "XFCE"},
                {"x-terminal-emulator", {}, nullptr},
                {"gnome-terminal", {}, nullptr},
                {"konsole", {}, nullptr},
                {"xfce4-terminal", {}, nullptr},
                {"xterm", {}, nullptr}};
    case LaunchTarget::DiskUtility:
        return {{"gnome-disks", {}, nullptr}, {"partitionmanager", {}, nullptr}};
    case LaunchTarget::NetworkSettings:
        return {{"gnome-control-center", {"network"}, "GNOME"},
                {"systemsettings", {"kcm_networkmanagement"}, "KDE"},
                {"systemsettings5", {"kcm_networkmanagement"}, "KDE"},
                {"nm-connection-editor", {}, nullptr},
                {"gnome-control-center", {"network"}, nullptr}};
    case LaunchTarget::SharingSettings:
        return {{"gnome-control-center", {"sharing"}, "GNOME"},
                {"krfb", {}, "KDE"},
                {"gnome-control-center", {"sharing"}, nullptr},
                {"krfb", {}, nullptr}};
    case LaunchTarget::PowerSettings:
        return {{"gnome-control-center", {"power"}, "GNOME"},
                {"systemsettings", {"kcm_powerdevilprofilesconfig"}, "KDE"},
                {"systemsettings5", {"kcm_powerdevilprofilesconfig"}, "KDE"},
                {"xfce4-power-manager-settings", {}, "XFCE"},
                {"mate-power-preferences", {}, "MATE"},
                {"gnome-control-center", {"power"}, nullptr},
                {"xfce4-power-manager-settings", {}, nullptr},
                {"mate-power-preferences", {}, nullptr},
                {"systemsettings", {"kcm_powerdevilprofilesconfig"}, nullptr}};
    case LaunchTarget::BluetoothSettings:
        return {{"gnome-control-center", {"bluetooth"}, "GNOME"},
                {"systemsettings", {"kcm_bluetooth"}, "KDE"},
                {"systemsettings5", {"kcm_bluetooth"}, "KDE"},
                {"blueman-manager", {}, nullptr},
                {"gnome-control-center", {"bluetooth"}, nullptr},
                {"blueberry", {}, nullptr},
                {"systemsettings", {"kcm_bluetooth"}, nullptr}};
    }
    return {};
}

} // namespace

void AppLauncher::setSearchPath(const QStringList &directories) { searchPath() = directories; }

QString AppLauncher::findProgram(const QString &name) { return QStandardPaths::findExecutable(name, searchPath()); }

std::optional<AppLauncher::Command> AppLauncher::commandFor(LaunchTarget target)
{
    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toUpper().split(QLatin1Char(':'));
    for (const Candidate &c : candidates(target)) {
        if (c.desktop && !desktops.contains(QLatin1String(c.desktop)))
            continue;
        const QString path = QStandardPaths::findExecutable(QLatin1String(c.program), searchPath());
        if (path.isEmpty())
            continue;
        Command cmd{path, {}};
        for (const char *a : c.arguments)
            cmd.arguments << QLatin1String(a);
        return cmd;
    }
    return std::nullopt;
}

bool AppLauncher::launch(LaunchTarget target)
{
    const auto cmd = commandFor(target);
    if (!cmd) {
        qCWarning(lcPlatform).noquote() << "no application installed for" << title(target);
        return false;
    }
    if (!QProcess::startDetached(cmd->program, cmd->arguments)) {
        qCWarning(lcPlatform).noquote() << "could not start" << cmd->program;
        return false;
    }
    return true;
}

QString AppLauncher::title(LaunchTarget target)
{
    switch (target) {
    case LaunchTarget::SystemMonitor: return QCoreApplication::translate("OrbStrings", "System Monitor");
    case LaunchTarget::LogViewer: return QCoreApplication::translate("OrbStrings", "Log Viewer");
    case LaunchTarget::Terminal: return QCoreApplication::translate("OrbStrings", "Terminal");
    case LaunchTarget::DiskUtility: return QCoreApplication::translate("OrbStrings", "Disks");
    case LaunchTarget::NetworkSettings: return QCoreApplication::translate("OrbStrings", "Network Settings");
    case LaunchTarget::SharingSettings: return QCoreApplication::translate("OrbStrings", "Sharing Settings");
    case LaunchTarget::PowerSettings: return QCoreApplication::translate("OrbStrings", "Power Settings");
    case LaunchTarget::BluetoothSettings: return QCoreApplication::translate("OrbStrings", "Bluetooth Settings");
    }
    return {};
}

} // namespace orb
