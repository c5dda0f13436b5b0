#include "collect/DiskSampler.h"

#include "collect/BlockDeviceWatcher.h"
#include "collect/ProcText.h"
#include "platform/Logging.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orb {
namespace {

constexpr int64_t kSectorBytes = 512;
// The documented minimum of a disk line: reads, merged, sectors, ms, writes, merged,
// sectors, ms, in flight, io ms, weighted ms.
constexpr std::size_t kMinStatFields = 11;
constexpr std::size_t kSectorsRead = 2;
constexpr std::size_t kSectorsWritten = 6;
constexpr std::size_t kMaxReported = 32;

// The device name of a diskstats line (major, minor, name, then the statistics); empty when
// the line has fewer than three fields. `counters` is left holding the statistics.
std::string_view deviceName(std::string_view line, std::string_view &counters)
{
    std::string_view name;
    for (int field = 0; field < 3; ++field) {
        name = proctext::nextToken(line);
        if (name.empty())
            return {};
    }
    counters = line;
    return name;
}

struct Counters {
    bool ok = false;
    int64_t read = 0;
    int64_t written = 0;
};

// The bytes read and written from a line's statistics; not ok when they are garbled.
Counters parseCounters(std::string_view text)
{
    Counters out;
    uint64_t values[kMinStatFields];
    for (uint64_t &value : values)
        if (!proctext::parseUnsigned(proctext::nextToken(text), value))
            return out;
    constexpr uint64_t maxSectors = static_cast<uint64_t>(std::numeric_limits<int64_t>::max() / kSectorBytes);
    if (values[kSectorsRead] > maxSectors || values[kSectorsWritten] > maxSectors)
        return out;
    out.read = static_cast<int64_t>(values[kSectorsRead]) * kSectorBytes;
    out.written = static_cast<int64_t>(values[kSectorsWritten]) * kSectorBytes;
    out.ok = true;
    return out;
}

// A kernel name that can safely be put into a sysfs path: no empty, "." or ".." parts,
// no control characters. diskstats writes '/' where /sys/block has '!' (cciss/c0d0).
bool usableName(std::string_view name)
{
    if (name.empty() || name.size() > 255)
        return false;
    for (char c : name)
        if (static_cast<unsigned char>(c) < 0x21 || c == 0x7f)
            return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view part = name.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

DiskSampler::DiskSampler() = default;
DiskSampler::~DiskSampler() = default;

bool DiskSampler::isCandidateName(std::string_view name)
{
    for (std::string_view prefix : {std::string_view("loop"), std::string_view("ram"), std::string_view("zram")})
        if (name.substr(0, prefix.size()) == prefix)
            return false;
    return usableName(name);
}

double DiskSampler::elapsedSeconds(std::optional<double> previous, double now)
{
    if (!previous)
        return 1.0;
    const double d = now - *previous;
    if (!std::isfinite(d))
        return 1.0;
    return std::max(1.0, std::floor(d + 0.5));
}

void DiskSampler::reportOnce(const std::string &what)
{
    if (std::find(reported_.begin(), reported_.end(), what) != reported_.end())
        return;
    if (reported_.size() < kMaxReported)
        reported_.push_back(what);
    qCWarning(lcCollect, "diskstats: %s", what.c_str());
}

bool DiskSampler::classify(const Sysroot &root, const std::vector<std::string_view> &names)
{
    const bool sameTree = classifiedRoot_ == root.root();
    if (sameTree && names.size() == lines_.size()
        && std::equal(names.begin(), names.end(), lines_.begin(),
                      [](std::string_view n, const Line &l) { return n == l.name; }))
        return false;
    std::vector<Line> lines;
    lines.reserve(names.size());
    std::vector<QString> whole;
    for (std::string_view n : names) {
        Line l;
        l.name.assign(n);
        if (isCandidateName(n)) {
            std::string sysName(n);
            std::replace(sysName.begin(), sysName.end(), '/', '!');
            l.whole = root.exists("/sys/block/" + sysName + "/device");
        } else if (!usableName(n)) {
            reportOnce("unusable device name skipped");
        }
        if (l.whole) {
            l.key = QStringLiteral("/dev/") + QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size()));
            whole.push_back(QString::fromUtf8(n.data(), static_cast<qsizetype>(n.size())));
        }
        lines.push_back(std::move(l));
    }
    lines_ = std::move(lines);
    const bool changed = !sameTree || whole != names_;
    names_ = std::move(whole);
    classifiedRoot_ = root.root();
    return changed;
}

bool DiskSampler::eachDiskWillDo(const Sysroot &root)
{
    bool changed = true;
    if (changes_) {
        changed = changes_();
    } else if (root.isHostRoot()) {
        if (!watcher_)
            watcher_ = std::make_unique<BlockDeviceWatcher>();
        if (!watcher_->isValid())
            return false;
        changed = watcher_->changed();
    } else {
        return false;
    }
    return !changed && eachDiskReady_ && classifiedRoot_ == root.root() && passesSinceListing_ < kMaxPassesWithoutListing;
}

bool DiskSampler::readEachDisk(const Sysroot &root, DiskSample &sample)
{
    sample.disks.reserve(diskFiles_.size());
    for (DiskFile &disk : diskFiles_) {
        size_t len = 0;
        if (!disk.stat.read(root, statText_, sizeof statText_, len))
            return false;
        const Counters c = parseCounters(std::string_view(statText_, len));
        if (!c.ok)
            return false;
        sample.disks.emplace_back(disk.key, DiskCounters{c.read, c.written});
    }
    return true;
}

std::optional<DiskSample> DiskSampler::retDiskRW(const Sysroot &root, double now)
{
    if (eachDiskWillDo(root)) {
        DiskSample sample;
        if (readEachDisk(root, sample)) {
            ++passesSinceListing_;
            sample.interval = elapsedSeconds(lastTime_, now);
            lastTime_ = now;
            return sample;
        }
    }
    eachDiskReady_ = false;
    if (!diskstats_.read(root, buffer_)) {
        reportOnce("cannot read " + root.path("/proc/diskstats"));
        return std::nullopt;
    }
    // The names first: they decide whether the classification still holds. Only the lines of
    // whole disks are read further (there may be dozens of loop devices and partitions).
    scratch_.clear();
    counterTexts_.clear();
    proctext::forEachLine(std::string_view(buffer_), [&](std::string_view line) {
        std::string_view counters;
        const std::string_view name = deviceName(line, counters);
        if (name.empty()) {
            reportOnce("line without a device name ignored");
            return;
        }
        scratch_.push_back(name);
        counterTexts_.push_back(counters);
    });
    if (classify(root, scratch_)) {
        ++generation_;
        diskFiles_.clear();
    }
    ++listings_;
    passesSinceListing_ = 0;
    if (diskFiles_.empty() && (changes_ || root.isHostRoot())) {
        for (const Line &l : lines_) {
            if (!l.whole)
                continue;
            std::string sysName = l.name;
            std::replace(sysName.begin(), sysName.end(), '/', '!');
            diskFiles_.push_back({l.key, OpenProcFile("/sys/block/" + sysName + "/stat", OpenProcFile::Text::Whole)});
        }
    }

    DiskSample sample;
    sample.disks.reserve(names_.size());
    for (std::size_t i = 0; i < counterTexts_.size(); ++i) {
        const Line &l = lines_[i];
        if (!l.whole)
            continue;
        const Counters c = parseCounters(counterTexts_[i]);
        if (!c.ok) {
            reportOnce("garbled counters of " + l.name + " ignored");
            continue;
        }
        sample.disks.emplace_back(l.key, DiskCounters{c.read, c.written});
    }
    // The disks' own files stand in for the listing only while it read every one of them.
    eachDiskReady_ = sample.disks.size() == diskFiles_.size();
    sample.interval = elapsedSeconds(lastTime_, now);
    lastTime_ = now;
    return sample;
}

} // namespace orb
