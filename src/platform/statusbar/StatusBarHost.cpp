#include "platform/statusbar/StatusBarHost.h"

#include "platform/Logging.h"
#include "settings/ModuleCatalog.h"

#include <QStringList>
#include <algorithm>

namespace orb {

namespace {
class PlainItem : public StatusItemHost {
public:
    PlainItem(StatusBarHost *host, const QString &key) : StatusItemHost(host, key) {}
};
} // namespace

StatusBarHost::~StatusBarHost()
{
    // Items may outlive the host during teardown; make them forget it.
    for (StatusItemHost *item : std::as_const(items_))
        item->host_ = nullptr;
}

int StatusBarHost::visibleRank(const QString &moduleKey)
{
    const ModuleInfo *m = ModuleCatalog::byKey(moduleKey);
    return m ? m->leftToRight : kModuleCount;
}

std::unique_ptr<StatusItemHost> StatusBarHost::createItem(const QString &moduleKey)
{
    return adopt(std::make_unique<PlainItem>(this, moduleKey));
}

std::unique_ptr<StatusItemHost> StatusBarHost::adopt(std::unique_ptr<StatusItemHost> item)
{
    const int rank = visibleRank(item->moduleKey());
    auto pos = std::find_if(items_.begin(), items_.end(),
                            [&](StatusItemHost *other) { return visibleRank(other->moduleKey()) > rank; });
    items_.insert(pos, item.get());
    Q_EMIT itemAdded(item.get());
    return item;
}

void StatusBarHost::forget(StatusItemHost *item)
{
    if (items_.removeOne(item))
        Q_EMIT itemRemoved(item);
}

} // namespace orb
