#include "collect/ModuleSampler.h"
#include "collect/NetworkSampler.h"
#include "modules/ModuleRows.h"
#include "modules/network/Network_MenuModule.h"
#include "settings/NetworkPreferences.h"
#include "settings/PrefFunctions.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

class NetworkStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        if (std::optional<NetworkSample> s = sampler_.loadNetworkData(context.root, context.now))
            appendSample(data.network, *s);
    }

private:
    NetworkSampler sampler_;
};

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.network)
        return;
    QJsonArray history;
    for (const NetworkSample &s : *data.network) {
        history.append(QJsonObject{{QStringLiteral("to_up"), qint64(s.up)},
                                   {QStringLiteral("to_dw"), qint64(s.down)},
                                   {QStringLiteral("int"), s.interval},
                                   {QStringLiteral("rs_sig"), qint64(s.signal)},
                                   {QStringLiteral("rs_itf"), qint64(s.noise)}});
    }
    out.insert(QStringLiteral("Network"), history);
}

} // namespace

const ModuleInfo kNetworkModule{
    .id = ModuleId::Network,
    .number = 3,
    .tabIndex = 4,
    .leftToRight = 3,
    .cycleOrder = 2,
    .sampleOrder = 3,
    .prefName = "Network",
    .key = "network",
    .jsonName = "Network",
    .launchKey = "LaunchNetw",
    .intervalKey = "Network_UpdateInterval",
    .counterKey = "NetworkInnerLoadCounterInt",
    .loadKey = "NetworkInnerLoadData",
    .sortArrayKey = "NetworkItemSortArray",
    .labelKey = "Network_ShowMyLabel",
    .initialize = &NetworkPreferences::initialize,
    .loadDefaults = &NetworkPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Network_Display_UdCircle", "Network_Display_Graph", "Network_Display_Text"});
    },
    .probeHardware = nullptr,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<Network_MenuModule>(d);
    },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<NetworkStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
