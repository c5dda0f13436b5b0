#pragma once
#include <QByteArray>

namespace orb {

// Which event loop the monitor's threads run: Qt's own or GLib's.
//
// Qt runs its threads on GLib's main loop by default. Each wake then goes through GLib's
// prepare, query, poll, check and dispatch rounds over half a dozen sources; Qt's own loop
// polls once and runs what is due. For a program that wakes a few times a second to do a
// little work, that difference is a tenth of what it costs (measured side by side). GLib's
// loop is kept where something needs it: the GTK platform theme, which Qt loads on GTK-based
// desktops, runs GTK's dialogs and settings on it.
//
// Qt reads the choice (QT_NO_GLIB) when it makes each thread's loop, so it is set before the
// application object and the long-lived threads are made, and taken back once they run:
// programs the monitor starts (a browser, a VNC viewer, tools) get the user's environment.
class EventLoopChoice {
public:
    struct Inputs {
        bool userChose = false;  // QT_NO_GLIB is set already: the user's choice stands
        QByteArray platformTheme; // QT_QPA_PLATFORMTHEME
        QByteArray desktop;       // XDG_CURRENT_DESKTOP, names separated by ':'
    };

    // Whether to run on Qt's own loop.
    static bool qtLoopWanted(const Inputs &in);
    static Inputs fromEnvironment();

    // Before the application object: sets QT_NO_GLIB when qtLoopWanted. Returns whether it did.
    static bool chooseBeforeStart();
    // Once the threads that run event loops exist: removes what chooseBeforeStart set.
    static void restoreEnvironment(bool chosen);
    // The loop the calling thread runs, for the log: "Qt" or "GLib" (or another dispatcher's
    // class name).
    static QByteArray currentLoopName();
};

} // namespace orb
