#include "collect/ModuleSampler.h"
#include "collect/sensors/SensorSampler.h"
#include "collect/sensors/SensorTableProvider.h"
#include "modules/ModuleRows.h"
#include "modules/fan/Fan_MenuModule.h"
#include "settings/FanPreferences.h"
#include "settings/PrefFunctions.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

class FanStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        std::shared_ptr<const SensorTable> table = SensorTableProvider::shared().current(context.root, context.now);
        data.sensorTable = table;
        FanSample s = SensorSampler::getFanDetail(*table);
        if (!s.fans.empty())
            appendSample(data.fan, std::move(s));
    }
};

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.fan)
        return;
    QJsonArray history;
    for (const FanSample &sample : *data.fan) {
        QJsonObject o;
        for (const auto &[name, rpm] : sample.fans)
            o.insert(name, qint64(rpm));
        if (sample.average)
            o.insert(QStringLiteral("__AverageFanKey"), qint64(*sample.average));
        history.append(o);
    }
    out.insert(QStringLiteral("Fan"), history);
}

int probeHardware(const Sysroot &root)
{
    return static_cast<int>(SensorTableProvider::shared().current(root)->fans.size());
}

} // namespace

const ModuleInfo kFanModule{
    .id = ModuleId::Fan,
    .number = 6,
    .tabIndex = 8,
    .leftToRight = 6,
    .cycleOrder = 6,
    .sampleOrder = 7,
    .prefName = "Fan",
    .key = "fan",
    .jsonName = "Fan",
    .launchKey = "LaunchFans",
    .intervalKey = "Fan_UpdateInterval",
    .counterKey = "FanInnerLoadCounterInt",
    .loadKey = "FanInnerLoadData",
    .sortArrayKey = "FanItemSortArray",
    .labelKey = "Fan_ShowMyLabel",
    .initialize = &FanPreferences::initialize,
    .loadDefaults = &FanPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Fan_Display_Text", "Fan_Display_Graph"});
    },
    .probeHardware = &probeHardware,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<Fan_MenuModule>(d);
    },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<FanStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
