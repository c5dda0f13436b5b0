#pragma once
#include "platform/statusbar/StatusItemHost.h"

namespace orb {

class PanelHost;

// An item of our own menu-bar strip: its menu opens directly under it.
class PanelItem : public StatusItemHost {
    Q_OBJECT
public:
    PanelItem(PanelHost *host, const QString &moduleKey);

    void setMenu(QMenu *menu) override;
    // Without a position the menu opens below the item's left edge.
    void popUpMenu(const QPoint &globalPos = QPoint()) override;
    bool isMenuOpen() const { return menuOpen_; }

Q_SIGNALS:
    void menuOpenChanged(bool open);

private:
    PanelHost *panel_;
    bool menuOpen_ = false;
};

} // namespace orb
