#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace orb {

// Desktop applications the menus open, chosen at run time from what is installed.
enum class LaunchTarget {
    SystemMonitor,
    LogViewer,
    Terminal,
    DiskUtility,
    NetworkSettings,
    SharingSettings,
    PowerSettings,
    BluetoothSettings,
};

class AppLauncher {
public:
    struct Command {
        QString program; // absolute path
        QStringList arguments;
    };

    // The first installed candidate for the target, preferring the running desktop's own
    // application (XDG_CURRENT_DESKTOP); nothing when none is installed.
    static std::optional<Command> commandFor(LaunchTarget target);
    static bool isAvailable(LaunchTarget target) { return commandFor(target).has_value(); }
    // Starts it detached with an argument list (never through a shell).
    static bool launch(LaunchTarget target);
    // The user-visible name of the target for menu titles.
    static QString title(LaunchTarget target);

    // Absolute path of an installed program (searched as the candidates are), or empty.
    static QString findProgram(const QString &name);

    // Directories searched instead of PATH (tests); empty restores PATH.
    static void setSearchPath(const QStringList &directories);
};

} // namespace orb
