// The volume module's per-tick costs: one usage sample over eight volumes (the work besides
// the file systems' own answers), the same with real statvfs calls, describing the volumes
// of a mount table (only when it changes), and the Volume status image.
#include "collect/FileSystemStats.h"
#include "collect/MountTable.h"
#include "collect/VolumeDescriber.h"
#include "collect/VolumeSampler.h"
#include "modules/volume/Volume_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QColor>
#include <benchmark/benchmark.h>

namespace {

using namespace orb;

// Answers at once, so only the sampler's own work is measured.
class InstantStats : public FileSystemStats {
public:
    std::optional<FsStat> stat(const QString &mountPath) const override
    {
        return FsStat{int64_t(500) << 30, int64_t(mountPath.size()) << 30, uint64_t(mountPath.size())};
    }
};

VolumeBase eightVolumes(int network)
{
    VolumeBase base;
    const char *paths[] = {"/", "/home", "/boot/efi", "/data", "/media/anna/My Stick", "/srv", "/mnt/nas", "/mnt/office"};
    for (int i = 0; i < 8; ++i) {
        VolumeEntry v;
        v.mountPath = QString::fromUtf8(paths[i]);
        v.devMajor = 8;
        v.devMinor = unsigned(i + 1);
        v.isNetworkVol = i >= 8 - network;
        base.volumes.push_back(v);
    }
    return base;
}

void volumeSample(benchmark::State &state)
{
    const VolumeBase base = eightVolumes(static_cast<int>(state.range(0)));
    VolumeSampler sampler(std::make_shared<InstantStats>());
    for (auto _ : state) {
        VolumeSample s = sampler.retDiskUsage(base);
        benchmark::DoNotOptimize(s);
    }
}

void volumeSampleStatvfs(benchmark::State &state)
{
    // Eight statvfs calls on the running machine's root file system.
    VolumeBase base = eightVolumes(0);
    for (VolumeEntry &v : base.volumes)
        v.mountPath = QStringLiteral("/");
    VolumeSampler sampler(std::make_shared<StatvfsStats>(Sysroot("/")));
    for (auto _ : state) {
        VolumeSample s = sampler.retDiskUsage(base);
        benchmark::DoNotOptimize(s);
    }
}

void describeVolumes(benchmark::State &state)
{
    const Sysroot root(std::string(ORB_FIXTURES_DIR "/volume-laptop"));
    for (auto _ : state) {
        VolumeBase b = VolumeDescriber::describeTree(root);
        benchmark::DoNotOptimize(b);
    }
}

void volumeStatusImage(benchmark::State &state, bool everything, bool eachVolume, bool textOnly)
{
    QVariantMap d{{"VlmsItemSortArray", QVariantList{1, 2, 3, 4, 5}},
                  {"Vlms_Display_BarChart", !textOnly},
                  {"Vlms_Display_Graph", everything},
                  {"Vlms_Display_CycleChart", everything},
                  {"Vlms_Display_Text", everything || textOnly},
                  {"Vlms_Display_Percent", everything},
                  {"Vlms_ShowEachDisk", eachVolume},
                  {"VlmsInnerIconAbleToBeBol", true},
                  {"Vlms_GraphWidth", 30},
                  {"Volume_Padding", 2.0},
                  {"Vlms_Percent_Mode", 1},
                  {"Vlms_Text_LabelAry", QStringList{"U", "F"}},
                  {"VlmsInnerTextLabelWidth", 7.0},
                  {"VlmsInnerPercentWidth", 24.0},
                  {"_FontPostScriptName", "DejaVuSansMono-Bold"},
                  {"PrefName", "Volume"}};
    for (const char *key : {"E01", "E02", "E03", "E04", "E05", "E06", "E07", "Z01", "Z03"})
        d.insert(key, QColor(100, 150, 200));
    auto base = std::make_shared<VolumeBase>(eightVolumes(2));
    VolumeSampler sampler(std::make_shared<InstantStats>());
    History<VolumeSample> history;
    for (int i = 0; i < 512; ++i)
        history = history.appended(sampler.retDiskUsage(*base));
    SensorData data;
    data.volume = history;
    data.volumeBase = base;
    OffscreenHost host;
    Volume_MenuModule item(nullptr);
    item.setMyDefaults(d);
    item.initDrawStatusBar(host);
    item.setSensorData(data);
    for (auto _ : state)
        item.refreshBar();
}

} // namespace

BENCHMARK(volumeSample)->Name("VolumeSampler/8volumes")->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond);
BENCHMARK(volumeSampleStatvfs)->Name("VolumeSampler/8volumes-statvfs")->Unit(benchmark::kMicrosecond);
BENCHMARK(describeVolumes)->Name("VolumeDescriber/laptop")->Unit(benchmark::kMicrosecond);
// "8bars" is the first-run look (a level bar per volume), "8text" the used/free text per
// volume, "8all" every element per volume, "total-all" every element once for the sum.
BENCHMARK_CAPTURE(volumeStatusImage, bars, false, true, false)->Name("VolumeStatusImage/8bars")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(volumeStatusImage, text, false, true, true)->Name("VolumeStatusImage/8text")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(volumeStatusImage, all, true, true, false)->Name("VolumeStatusImage/8all")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(volumeStatusImage, totalAll, true, false, false)->Name("VolumeStatusImage/total-all")->Unit(benchmark::kMicrosecond);
