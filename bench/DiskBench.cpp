// The disk module's per-tick costs: one sample over a twelve-line diskstats (four SATA
// disks, two md arrays, two NVMe disks and their partitions).
#include "collect/DiskSampler.h"

#include <benchmark/benchmark.h>

namespace {

void diskSample(benchmark::State &state)
{
    const orb::Sysroot root(std::string(ORB_FIXTURES_DIR "/disk-server-md-a"));
    orb::DiskSampler sampler;
    double now = 0.0;
    for (auto _ : state) {
        auto sample = sampler.retDiskRW(root, now);
        now += 1.0;
        benchmark::DoNotOptimize(sample);
    }
}

} // namespace

BENCHMARK(diskSample)->Name("DiskSampler/12lines");

// One Disk status image for three disks over a full history: check table, widths,
// double-scale drawing, capture. "lamps" is the first-run look (lamps per disk), "all" adds
// labels, a 30-point graph and the rate text to each disk.
#include "collect/DiskBase.h"
#include "modules/disk/Disk_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QColor>

static void diskStatusImage(benchmark::State &state, bool everything)
{
    using namespace orb;
    QVariantMap d{{"DiskItemSortArray", QVariantList{1, 2, 3}},
                  {"Disk_Display_Indicator", true},
                  {"Disk_Display_Graph", everything},
                  {"Disk_Display_Text", everything},
                  {"Disk_ShowEachDisk", true},
                  {"DiskInnerIconAbleToBeBol", true},
                  {"Disk_GraphWidth", 30},
                  {"Disk_Padding", 2.0},
                  {"Disk_Graph_Mode", 1},
                  {"Disk_Indicator_LabelAry", everything ? QStringList{"R:", "W:"} : QStringList{"", ""}},
                  {"DiskInnerIndicatorLabelWidth", everything ? 13.0 : 0.0},
                  {"DiskInnerTextValueWidth", 54.0},
                  {"_FontPostScriptName", "DejaVuSansMono-Bold"},
                  {"PrefName", "Disk"}};
    for (const char *key : {"D01", "D02", "D03", "D04", "Z01", "Z03"})
        d.insert(key, QColor(100, 150, 200));
    auto base = std::make_shared<DiskBase>();
    for (const char *n : {"nvme0n1", "sda", "sdb"}) {
        DiskDrive drive;
        drive.name = n;
        drive.devicePath = QStringLiteral("/dev/") + n;
        base->drives.push_back(drive);
    }
    History<DiskSample> history;
    for (int64_t i = 0; i < 512; ++i) {
        DiskSample s;
        for (const DiskDrive &drive : base->drives)
            s.disks.emplace_back(drive.devicePath, DiskCounters{i * 4096 * (i % 3), i * 8192 * (i % 5)});
        history = history.appended(s);
    }
    SensorData data;
    data.disk = history;
    data.diskBase = base;

    OffscreenHost host;
    Disk_MenuModule item(nullptr);
    item.setMyDefaults(d);
    item.initDrawStatusBar(host);
    item.setSensorData(data);
    for (auto _ : state)
        item.refreshBar();
}
BENCHMARK_CAPTURE(diskStatusImage, lamps, false)->Name("DiskStatusImage/lamps")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(diskStatusImage, all, true)->Name("DiskStatusImage/all")->Unit(benchmark::kMicrosecond);
