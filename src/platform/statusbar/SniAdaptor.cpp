#include "platform/statusbar/SniAdaptor.h"

#include "platform/statusbar/SniItem.h"
#include "platform/statusbar/StatusBarHost.h"

namespace orb {

SniAdaptor::SniAdaptor(SniItem *item) : QDBusAbstractAdaptor(item), item_(item) {}

QString SniAdaptor::id() const { return QStringLiteral("orbmeter-") + item_->moduleKey(); }
QString SniAdaptor::title() const { return item_->title(); }
QString SniAdaptor::status() const { return item_->status(); }
QString SniAdaptor::iconName() const { return item_->iconPath(); }
QList<SniPixmap> SniAdaptor::iconPixmap() const { return item_->iconPixmaps(); }

QDBusObjectPath SniAdaptor::menu() const { return QDBusObjectPath(item_->menuPath()); }
QString SniAdaptor::xAyatanaLabel() const { return item_->label(); }
QString SniAdaptor::iconAccessibleDesc() const
{
    return item_->headline().label.isEmpty() ? item_->title() : item_->headline().label;
}
QString SniAdaptor::xAyatanaLabelGuide() const { return item_->labelGuide(); }
uint SniAdaptor::xAyatanaOrderingIndex() const
{
    return static_cast<uint>(StatusBarHost::visibleRank(item_->moduleKey()));
}

SniToolTip SniAdaptor::toolTip() const
{
    SniToolTip tip;
    tip.title = item_->toolTipTitle();
    // The tool tip's text is read as markup by the tray; ours is plain text (device names,
    // network names), so "<", ">" and "&" go out as entities. The title is plain by protocol.
    tip.text = item_->shownToolTipText().toHtmlEscaped();
    return tip;
}

void SniAdaptor::Activate(int x, int y) { item_->activate(x, y); }
void SniAdaptor::ContextMenu(int x, int y) { item_->activate(x, y); }
void SniAdaptor::SecondaryActivate(int, int) {}
void SniAdaptor::Scroll(int, const QString &) {}

} // namespace orb
