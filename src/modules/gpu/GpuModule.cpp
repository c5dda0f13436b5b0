#include "collect/GpuSampler.h"
#include "collect/ModuleSampler.h"
#include "modules/ModuleRows.h"
#include "modules/gpu/GPU_MenuModule.h"
#include "settings/GpuPreferences.h"
#include "settings/PrefFunctions.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

class GpuStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        GpuSample s = sampler_.loadPciGpuData(context.root);
        if (!s.empty())
            appendSample(data.gpu, std::move(s));
    }

private:
    GpuSampler sampler_;
};

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.gpu)
        return;
    QJsonArray history;
    for (const GpuSample &sample : *data.gpu) {
        QJsonArray entries;
        for (const GpuEntry &e : sample) {
            entries.append(QJsonObject{{QStringLiteral("GpuKeyId"), e.id},
                                       {QStringLiteral("GpuKeyName"), e.name},
                                       {QStringLiteral("GpuKeyMem"), e.mem},
                                       {QStringLiteral("GpuKeyPer"), e.per},
                                       {QStringLiteral("GpuKeyTotal"), qint64(e.total)},
                                       {QStringLiteral("GpuKeyUsed"), qint64(e.used)},
                                       {QStringLiteral("GpuKeyFree"), qint64(e.free)}});
        }
        history.append(entries);
    }
    out.insert(QStringLiteral("GPU"), history);
}

} // namespace

const ModuleInfo kGpuModule{
    .id = ModuleId::Gpu,
    .number = 9,
    .tabIndex = 2,
    .leftToRight = 1,
    .cycleOrder = 8,
    .sampleOrder = 1,
    .prefName = "GPU",
    .key = "gpu",
    .jsonName = "GPU",
    .launchKey = "LaunchGpus",
    .intervalKey = "Gpu_UpdateInterval",
    .counterKey = "GpuInnerLoadCounterInt",
    .loadKey = "GpuInnerLoadData",
    .sortArrayKey = "GpuItemSortArray",
    .labelKey = "Gpu_ShowMyLabel",
    .initialize = &GpuPreferences::initialize,
    .loadDefaults = &GpuPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Gpu_Display_Graph", "Gpu_Display_LevelBar", "Gpu_Display_CircleMeter",
                                          "Gpu_Display_Text"});
    },
    .probeHardware = [](const Sysroot &root) { return GpuSampler::countDisplayDevices(root); },
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<GPU_MenuModule>(d);
    },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<GpuStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
