#pragma once
#include "services/VncAddress.h"

#include <QAction>
#include <QString>

namespace orb {

// A server's entry in the screen-sharing menu: the name it is shown under and the address
// it opens (which may hold a password; only `serverUrl` without it is ever shown).
class VNC_MenuItem : public QAction {
    Q_OBJECT
public:
    VNC_MenuItem(const QString &serverName, const VncAddress &address, QObject *parent);

    const QString &serverName() const { return serverName_; }
    // The address as shown (no password).
    QString serverUrl() const { return address_.shownUrl(); }
    const VncAddress &address() const { return address_; }

private:
    QString serverName_;
    VncAddress address_;
};

} // namespace orb
