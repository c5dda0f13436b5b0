#pragma once
#include <QByteArray>
#include <QString>

namespace orb {

// Chooses how the monitor reaches the screen before Qt is started, so that a missing or
// unreachable display ends with a message and an exit code instead of an abort inside Qt.
// X11 is preferred where there is one (also Xwayland inside a Wayland session: our menus
// and panel are then placed where they belong); a Wayland compositor without X11 is used
// natively.
class DisplayProbe {
public:
    struct Inputs {
        QString requestedPlatform; // QT_QPA_PLATFORM, empty when unset
        QByteArray display;        // DISPLAY
        QByteArray waylandDisplay; // WAYLAND_DISPLAY
        bool x11Reachable = false;
        bool waylandReachable = false;
        bool xcbPlugin = false;
        bool waylandPlugin = false;
        bool panelRequested = false; // --host panel
    };
    struct Decision {
        QByteArray platform; // for QT_QPA_PLATFORM; empty: leave it as it is
        QString message;     // for the user, empty when all is well
        int exitCode = 0;    // non-zero: do not start
    };

    static Decision decide(const Inputs &in);
    // Looks at the environment and the machine: the variables, the displays they name and the
    // Qt platform plugins installed.
    static Inputs probe(bool panelRequested);

    // Whether an X server answers on `display`.
    static bool x11Reachable(const QByteArray &display);
    // Whether a Wayland compositor listens on `name` (a socket in `runtimeDir`, or a path).
    static bool waylandReachable(const QByteArray &name, const QByteArray &runtimeDir);
    // Whether Qt's platform plugin `file` ("libqxcb.so") is installed where Qt looks.
    static bool pluginInstalled(const QString &file);
};

} // namespace orb
