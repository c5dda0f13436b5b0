#pragma once
#include "platform/linux/AppLauncher.h"
#include "services/VncAddress.h"

#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace orb {

// Opens screen-sharing connections: the vnc:// address goes to the desktop's handler of
// such addresses when one is registered; otherwise the first installed viewer of Remmina,
// TigerVNC's vncviewer and KRDC is started with an argument list (never through a shell,
// never with a file written for it).
class VncOpener {
public:
    // Opens one connection; false when nothing could take it (logged without the password).
    static bool open(const VncAddress &address);

    // The viewer's command for `address`, or for the viewer alone (its own connection
    // window) when `address` is null; nothing when no viewer is installed.
    static std::optional<AppLauncher::Command> viewerCommand(const VncAddress *address);
    // The name of the viewer viewerCommand starts ("Remmina"), empty when none.
    static QString viewerTitle();
    // Starts the viewer alone; false when none is installed.
    static bool openViewer();

    // The desktop entry registered for vnc:// addresses in the desktop's MIME associations
    // (mimeapps.list, mimeinfo.cache in the XDG directories) whose file is installed; empty
    // when there is none.
    static QString desktopHandler();

    // What hands an address to the desktop (QDesktopServices by default); tests put a
    // stand-in here. An empty function restores the default.
    using UrlOpener = std::function<bool(const QUrl &)>;
    static void setDesktopOpener(UrlOpener opener);
};

} // namespace orb
