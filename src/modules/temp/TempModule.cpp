#include "collect/ModuleSampler.h"
#include "collect/sensors/SensorSampler.h"
#include "collect/sensors/SensorTableProvider.h"
#include "modules/ModuleRows.h"
#include "modules/temp/Temp_MenuModule.h"
#include "settings/PrefFunctions.h"
#include "settings/TempPreferences.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

class TempStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        std::shared_ptr<const SensorTable> table = SensorTableProvider::shared().current(context.root, context.now);
        data.sensorTable = table;
        // Drive temperatures join here once the drives are read (none yet).
        TempSample s = SensorSampler::getBaseTempNew(*table, {});
        if (!s.empty())
            appendSample(data.temp, std::move(s));
    }
};

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.temp)
        return;
    QJsonArray history;
    for (const TempSample &sample : *data.temp) {
        QJsonObject o;
        for (const auto &[label, value] : sample.readings)
            o.insert(label, qint64(value));
        if (sample.battery)
            o.insert(QStringLiteral("Built-in Battery"), *sample.battery);
        if (sample.average)
            o.insert(QStringLiteral("__AverageTempKey"), qint64(*sample.average));
        history.append(o);
    }
    out.insert(QStringLiteral("Temp"), history);
}

int probeHardware(const Sysroot &root)
{
    const auto table = SensorTableProvider::shared().current(root);
    return static_cast<int>(table->temps.size()) + (table->battery ? 1 : 0);
}

} // namespace

const ModuleInfo kTempModule{
    .id = ModuleId::Temp,
    .number = 5,
    .tabIndex = 7,
    .leftToRight = 5,
    .cycleOrder = 5,
    .sampleOrder = 6,
    .prefName = "Temp",
    .key = "temp",
    .jsonName = "Temp",
    .launchKey = "LaunchTemp",
    .intervalKey = "Temp_UpdateInterval",
    .counterKey = "TempInnerLoadCounterInt",
    .loadKey = "TempInnerLoadData",
    .sortArrayKey = "TempItemSortArray",
    .labelKey = "Temp_ShowMyLabel",
    .initialize = &TempPreferences::initialize,
    .loadDefaults = &TempPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Temp_Display_Text", "Temp_Display_Graph"});
    },
    .probeHardware = &probeHardware,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<Temp_MenuModule>(d);
    },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<TempStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
