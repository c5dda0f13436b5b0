#include "platform/statusbar/PanelHost.h"

#include "platform/statusbar/PanelItem.h"
#include "platform/statusbar/PanelWindow.h"

namespace orb {

PanelHost::PanelHost() : window_(new PanelWindow(this)) {}

PanelHost::~PanelHost() { delete window_; }

std::unique_ptr<StatusItemHost> PanelHost::createItem(const QString &moduleKey)
{
    auto item = std::make_unique<PanelItem>(this, moduleKey);
    connect(item.get(), &PanelItem::menuOpenChanged, window_,
            [this, raw = item.get()](bool open) { window_->setMenuOpen(raw, open); });
    return adopt(std::move(item));
}

QPoint PanelHost::menuPosition(const StatusItemHost *item) const
{
    const QRectF r = window_->itemRect(item);
    return window_->mapToGlobal(QPoint(qRound(r.left()), qRound(r.bottom())));
}

} // namespace orb
