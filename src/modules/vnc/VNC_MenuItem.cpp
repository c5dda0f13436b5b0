#include "modules/vnc/VNC_MenuItem.h"

namespace orb {

VNC_MenuItem::VNC_MenuItem(const QString &serverName, const VncAddress &address, QObject *parent)
    : QAction(parent), serverName_(serverName), address_(address)
{
}

} // namespace orb
