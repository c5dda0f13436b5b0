#include "collect/DiskBase.h"
#include "collect/DiskDescriber.h"
#include "collect/DiskSampler.h"
#include "collect/ModuleSampler.h"
#include "modules/ModuleRows.h"
#include "modules/disk/Disk_MenuModule.h"
#include "settings/DiskPreferences.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

// The disk step of the pass: a sample of every whole disk, and a new disk base whenever the
// set of disks changes. udisks2 describes the running machine only, so it is asked only
// when the pass reads the real root.
class DiskStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        std::optional<DiskSample> s = sampler_.retDiskRW(context.root, context.now);
        if (!s)
            return;
        if (!data.diskBase || sampler_.generation() != baseGeneration_) {
            std::optional<std::vector<UDisksDrive>> udisks;
            if (context.root.isHostRoot())
                udisks = UDisksDrives::query(QDBusConnection::systemBus());
            data.diskBase = std::make_shared<const DiskBase>(
                DiskDescriber::describe(context.root, sampler_.diskNames(), udisks));
            baseGeneration_ = sampler_.generation();
        }
        appendSample(data.disk, std::move(*s));
    }

private:
    DiskSampler sampler_;
    uint64_t baseGeneration_ = 0;
};

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.disk)
        return;
    QJsonArray history;
    for (const DiskSample &sample : *data.disk) {
        QJsonObject o;
        for (const auto &[key, c] : sample.disks)
            o.insert(key, QJsonArray{qint64(c.read), qint64(c.written)});
        o.insert(QStringLiteral("int"), sample.interval);
        history.append(o);
    }
    out.insert(QStringLiteral("Disk"), history);
}

} // namespace

const ModuleInfo kDiskModule{
    .id = ModuleId::Disk,
    .number = 4,
    .tabIndex = 5,
    .leftToRight = 4,
    .cycleOrder = 3,
    .sampleOrder = 5,
    .prefName = "Disk",
    .key = "disk",
    .jsonName = "Disk",
    .launchKey = "LaunchDisk",
    .intervalKey = "Disk_UpdateInterval",
    .counterKey = "DiskInnerLoadCounterInt",
    .loadKey = "DiskInnerLoadData",
    .sortArrayKey = "DiskItemSortArray",
    .labelKey = "Disk_ShowMyLabel",
    .initialize = &DiskPreferences::initialize,
    .loadDefaults = &DiskPreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Disk_Display_Indicator", "Disk_Display_Graph", "Disk_Display_Text"})
            || (s.boolForKey(QStringLiteral("Disk_ShowEachDisk"))
                && s.boolForKey(QStringLiteral("Disk_WithDiskIconInBackground")));
    },
    .probeHardware = nullptr,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<Disk_MenuModule>(d);
    },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<DiskStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
