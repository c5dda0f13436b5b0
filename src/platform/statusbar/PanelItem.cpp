#include "platform/statusbar/PanelItem.h"

#include "platform/statusbar/PanelHost.h"

#include <QMenu>

namespace orb {

PanelItem::PanelItem(PanelHost *host, const QString &moduleKey) : StatusItemHost(host, moduleKey), panel_(host) {}

void PanelItem::setMenu(QMenu *menu)
{
    if (QMenu *old = this->menu())
        disconnect(old, nullptr, this, nullptr);
    StatusItemHost::setMenu(menu);
    if (!menu)
        return;
    connect(menu, &QMenu::aboutToShow, this, [this] {
        menuOpen_ = true;
        Q_EMIT menuOpenChanged(true);
    });
    connect(menu, &QMenu::aboutToHide, this, [this] {
        menuOpen_ = false;
        Q_EMIT menuOpenChanged(false);
    });
}

void PanelItem::popUpMenu(const QPoint &globalPos)
{
    if (!globalPos.isNull() || !host()) {
        StatusItemHost::popUpMenu(globalPos);
        return;
    }
    StatusItemHost::popUpMenu(panel_->menuPosition(this));
}

} // namespace orb
