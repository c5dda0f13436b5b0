#include "collect/CpuSampler.h"
#include "collect/ModuleSampler.h"
#include "modules/ModuleRows.h"
#include "modules/cpu/CPU_MenuModule.h"
#include "settings/CpuPreferences.h"
#include "settings/PrefFunctions.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

class CpuStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        CpuSample s = sampler_.loadCpuData(context.root);
        if (!s.empty())
            appendSample(data.cpu, std::move(s));
    }

private:
    CpuSampler sampler_;
};

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.cpu)
        return;
    QJsonArray history;
    for (const CpuSample &sample : *data.cpu) {
        QJsonArray entries;
        for (const CpuTicks &t : sample)
            entries.append(QJsonArray{qint64(t.user), qint64(t.system), qint64(t.nice), qint64(t.idle)});
        history.append(entries);
    }
    out.insert(QStringLiteral("CPU"), history);
}

} // namespace

const ModuleInfo kCpuModule{
    .id = ModuleId::Cpu,
    .number = 1,
    .tabIndex = 1,
    .leftToRight = 0,
    .cycleOrder = 0,
    .sampleOrder = 0,
    .prefName = "CPU",
    .key = "cpu",
    .jsonName = "CPU",
    .launchKey = "LaunchCpus",
    .intervalKey = "Cpu_UpdateInterval",
    .counterKey = "CpuInnerLoadCounterInt",
    .loadKey = "CpuInnerLoadData",
    .sortArrayKey = "CpuItemSortArray",
    .labelKey = "Cpu_ShowMyLabel",
    .initialize = &CpuPreferences::initialize,
    .loadDefaults = &CpuPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Cpu_Display_Graph", "Cpu_Display_LevelBar", "Cpu_Display_CircleMeter",
                                          "Cpu_Display_Text"});
    },
    .probeHardware = nullptr,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> { return std::make_unique<CPU_MenuModule>(d); },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<CpuStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
