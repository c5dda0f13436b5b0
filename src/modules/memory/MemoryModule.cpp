#include "collect/MemorySampler.h"
#include "collect/ModuleSampler.h"
#include "modules/ModuleRows.h"
#include "modules/memory/Memory_MenuModule.h"
#include "settings/MemoryPreferences.h"
#include "settings/PrefFunctions.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

class MemoryStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        if (auto s = sampler_.loadMemoryData(context.root)) {
            appendSample(data.memory, *s);
            data.memoryPageSize = sampler_.pageSize();
            data.memoryTotlSize = sampler_.memTotalBytes();
        }
    }

private:
    MemorySampler sampler_;
};

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.memory)
        return;
    QJsonArray history;
    for (const MemorySample &sample : *data.memory) {
        QJsonArray values;
        for (int64_t v : sample)
            values.append(qint64(v));
        history.append(values);
    }
    out.insert(QStringLiteral("Memory"), history);
}

} // namespace

const ModuleInfo kMemoryModule{
    .id = ModuleId::Memory,
    .number = 2,
    .tabIndex = 3,
    .leftToRight = 2,
    .cycleOrder = 1,
    .sampleOrder = 2,
    .prefName = "Memory",
    .key = "memory",
    .jsonName = "Memory",
    .launchKey = "LaunchMemo",
    .intervalKey = "Memory_UpdateInterval",
    .counterKey = "MemoryInnerLoadCounterInt",
    .loadKey = "MemoryInnerLoadData",
    .sortArrayKey = "MemoryItemSortArray",
    .labelKey = "Memory_ShowMyLabel",
    .initialize = &MemoryPreferences::initialize,
    .loadDefaults = &MemoryPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Memory_Display_Graph", "Memory_Display_LevelBar",
                                          "Memory_Display_CircleMeter", "Memory_Display_Text",
                                          "Memory_Display_DetailText"});
    },
    .probeHardware = nullptr,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<Memory_MenuModule>(d);
    },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<MemoryStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
