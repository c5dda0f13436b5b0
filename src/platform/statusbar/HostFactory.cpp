#include "platform/Logging.h"
#include "platform/statusbar/StatusBarHost.h"

namespace orb {

std::unique_ptr<StatusBarHost> StatusBarHost::create(const QString &name)
{
    if (!name.isEmpty() && name != QLatin1String("offscreen"))
        qCWarning(lcPlatform).noquote() << "host" << name << "is not available in this build; using offscreen";
    qCInfo(lcPlatform) << "status items shown by the offscreen host";
    return std::make_unique<OffscreenHost>();
}

} // namespace orb
