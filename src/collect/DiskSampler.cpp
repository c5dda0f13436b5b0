#include "collect/DiskSampler.h"

#include "collect/ProcText.h"
#include "platform/Logging.h"

#include <algorithm>
#include <array>
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

struct ParsedLine {
    std::string_view name;
    bool ok = false;
    int64_t read = 0;
    int64_t written = 0;
};

// Splits one diskstats line: major, minor, name, then the statistics.
ParsedLine parseLine(std::string_view line)
{
    ParsedLine out;
    std::array<std::string_view, 3 + kMinStatFields> tokens;
    std::size_t count = 0;
    std::string_view rest = line;
    while (count < tokens.size()) {
        rest = proctext::skipBlanks(rest);
        if (rest.empty())
            break;
        std::size_t end = 0;
        while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t')
            ++end;
        tokens[count++] = rest.substr(0, end);
        rest.remove_prefix(end);
    }
    if (count < 3)
        return out;
    out.name = tokens[2];
    if (count < tokens.size())
        return out;
    uint64_t values[kMinStatFields];
    for (std::size_t i = 0; i < kMinStatFields; ++i)
        if (!proctext::parseUnsigned(tokens[3 + i], values[i]))
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

std::optional<DiskSample> DiskSampler::retDiskRW(const Sysroot &root, double now)
{
    if (!diskstats_.read(root, buffer_)) {
        reportOnce("cannot read " + root.path("/proc/diskstats"));
        return std::nullopt;
    }
    // Parse every line once; the names decide whether the classification still holds.
    std::vector<Parsed> &rows = rows_;
    rows.clear();
    scratch_.clear();
    proctext::forEachLine(std::string_view(buffer_), [&](std::string_view line) {
        const ParsedLine p = parseLine(line);
        if (p.name.empty()) {
            reportOnce("line without a device name ignored");
            return;
        }
        scratch_.push_back(p.name);
        rows.push_back({p.ok, p.read, p.written});
    });
    if (classify(root, scratch_))
        ++generation_;

    DiskSample sample;
    sample.disks.reserve(names_.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Line &l = lines_[i];
        if (!l.whole)
            continue;
        if (!rows[i].ok) {
            reportOnce("garbled counters of " + l.name + " ignored");
            continue;
        }
        sample.disks.emplace_back(l.key, DiskCounters{rows[i].read, rows[i].written});
    }
    sample.interval = elapsedSeconds(lastTime_, now);
    lastTime_ = now;
    return sample;
}

} // namespace orb
