#include "collect/DiskBase.h"
#include "collect/FileSystemStats.h"
#include "collect/ModuleSampler.h"
#include "collect/MountWatcher.h"
#include "collect/UDisksFilesystems.h"
#include "collect/VolumeDescriber.h"
#include "collect/VolumeSampler.h"
#include "modules/ModuleRows.h"
#include "modules/volume/Volume_MenuModule.h"
#include "platform/Sysroot.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"
#include "settings/VolumePreferences.h"

#include <QJsonArray>
#include <QJsonObject>

namespace orb {
namespace {

// The volume step of the pass: the volume base again whenever the mount table changed (or
// a rename asked for it), then the usage of every volume. udisks2 describes the running
// machine only, so it is asked only when the pass reads the real root.
class VolumeStep : public ModuleSampler {
public:
    void sample(const PassContext &context, SensorData &data) override
    {
        if (!sampler_ || statsRoot_ != context.root.root()) {
            sampler_ = std::make_unique<VolumeSampler>(FileSystemStats::forTree(context.root));
            statsRoot_ = context.root.root();
        }
        if (watcher_.changed(context.root) || !data.volumeBase) {
            std::optional<std::vector<UDisksFilesystem>> udisks;
            if (context.root.isHostRoot())
                udisks = UDisksFilesystems::query(QDBusConnection::systemBus());
            auto base = std::make_shared<const VolumeBase>(
                VolumeDescriber::describeTree(context.root, udisks, data.diskBase.get()));
            if (!data.volumeBase || !(*data.volumeBase == *base))
                data.volumeBase = std::move(base);
        }
        appendSample(data.volume, sampler_->retDiskUsage(*data.volumeBase));
    }

private:
    std::unique_ptr<VolumeSampler> sampler_;
    std::string statsRoot_;
    MountWatcher watcher_;
};

QJsonArray triple(const VolumeUsage &u) { return QJsonArray{qint64(u.total), qint64(u.used), qint64(u.free)}; }

void writeJson(const SensorData &data, QJsonObject &out)
{
    if (!data.volume)
        return;
    QJsonArray history;
    for (const VolumeSample &sample : *data.volume) {
        QJsonObject o;
        // An empty volume table gives an empty sample, without "all".
        if (!sample.volumes.empty()) {
            for (const auto &[path, usage] : sample.volumes)
                o.insert(path, triple(usage));
            o.insert(QStringLiteral("all"), triple(sample.all));
        }
        history.append(o);
    }
    out.insert(QStringLiteral("Volume"), history);
}

} // namespace

const ModuleInfo kVolumeModule{
    .id = ModuleId::Volume,
    .number = 7,
    .tabIndex = 6,
    .leftToRight = 7,
    .cycleOrder = 4,
    .sampleOrder = 4,
    .prefName = "Volume",
    .key = "volume",
    .jsonName = "Volume",
    .launchKey = "LaunchVolume",
    .intervalKey = "Vlms_UpdateInterval",
    .counterKey = "VlmsInnerLoadCounterInt",
    .loadKey = "VlmsInnerLoadData",
    .sortArrayKey = "VlmsItemSortArray",
    .labelKey = "Vlms_ShowMyLabel",
    .initialize = &VolumePreferences::initialize,
    .loadDefaults = &VolumePreferences::load,
    .wantsItem = [](const SettingsStore &s) {
        return PrefFunctions::anyTrue(s, {"Vlms_Display_BarChart", "Vlms_Display_CycleChart", "Vlms_Display_Graph",
                                          "Vlms_Display_Text", "Vlms_Display_Percent"})
            || (s.boolForKey(QStringLiteral("Vlms_ShowEachDisk"))
                && s.boolForKey(QStringLiteral("Vlms_WithDiskIconInBackground")));
    },
    .probeHardware = nullptr,
    .createItem = [](MenuModuleDelegate *d) -> std::unique_ptr<MenuModule> {
        return std::make_unique<Volume_MenuModule>(d);
    },
    .createSampler = []() -> std::unique_ptr<ModuleSampler> { return std::make_unique<VolumeStep>(); },
    .writeJson = &writeJson,
};

} // namespace orb
