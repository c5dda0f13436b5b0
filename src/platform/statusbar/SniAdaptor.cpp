#include "platform/statusbar/SniAdaptor.h"

#include "platform/statusbar/SniItem.h"

namespace orb {

SniAdaptor::SniAdaptor(QObject *exported, SniItem *item) : QDBusAbstractAdaptor(exported), item_(item) {}

void SniAdaptor::publish(SniItemState state)
{
    std::lock_guard lock(mutex_);
    state_ = std::move(state);
}

void SniAdaptor::detachItem()
{
    std::lock_guard lock(mutex_);
    item_ = nullptr;
}

SniItemState SniAdaptor::state() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

QString SniAdaptor::id() const { return state().id; }
QString SniAdaptor::title() const { return state().title; }
QString SniAdaptor::status() const { return state().status; }
QString SniAdaptor::iconName() const { return state().iconName; }
QList<SniPixmap> SniAdaptor::iconPixmap() const { return state().iconPixmap; }
QDBusObjectPath SniAdaptor::menu() const { return QDBusObjectPath(state().menuPath); }
QString SniAdaptor::xAyatanaLabel() const { return state().label; }
QString SniAdaptor::iconAccessibleDesc() const { return state().accessibleDesc; }
QString SniAdaptor::xAyatanaLabelGuide() const { return state().labelGuide; }
uint SniAdaptor::xAyatanaOrderingIndex() const { return state().orderingIndex; }
SniToolTip SniAdaptor::toolTip() const { return state().toolTip; }

void SniAdaptor::handToItem(int x, int y)
{
    std::lock_guard lock(mutex_);
    // Posted under the lock: the item cannot be gone before the post, and a deleted item
    // takes its posted calls with it.
    if (SniItem *item = item_)
        QMetaObject::invokeMethod(item, [item, x, y] { item->activate(x, y); }, Qt::QueuedConnection);
}

void SniAdaptor::Activate(int x, int y) { handToItem(x, y); }
void SniAdaptor::ContextMenu(int x, int y) { handToItem(x, y); }
void SniAdaptor::SecondaryActivate(int, int) {}
void SniAdaptor::Scroll(int, const QString &) {}

} // namespace orb
