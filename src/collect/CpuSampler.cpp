#include "collect/CpuSampler.h"

#include "platform/Logging.h"

#include <charconv>
#include <limits>

namespace orb {

namespace {

// Field order of a cpuN line: user nice system idle iowait irq softirq steal guest guest_nice.
// Kernels before 2.6.11 print fewer columns; four is the least that means anything.
constexpr int kMinFields = 4;
constexpr int kUsedFields = 8;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int64_t tickDelta(uint64_t now, uint64_t before)
{
    // Counters only go backwards when the kernel resets them (CPU hot-plug, restored VM).
    if (now <= before)
        return 0;
    const uint64_t d = now - before;
    return d > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
               ? std::numeric_limits<int64_t>::max()
               : static_cast<int64_t>(d);
}

// Sum / n rounded half away from zero, for non-negative sums.
int64_t roundedMean(int64_t sum, int64_t n)
{
    const int64_t q = sum / n;
    const int64_t r = sum % n;
    return r >= n - r ? q + 1 : q;
}

} // namespace

bool CpuSampler::parseCpuLine(std::string_view line, Counters &out)
{
    // line starts with "cpu<digit>"
    const char *p = line.data() + 3;
    const char *end = line.data() + line.size();
    int id = -1;
    auto [idEnd, idErr] = std::from_chars(p, end, id);
    if (idErr != std::errc() || id < 0)
        return false;
    p = idEnd;

    uint64_t f[kUsedFields] = {};
    int count = 0;
    while (p < end) {
        if (*p == ' ' || *p == '\t' || *p == '\r') {
            ++p;
            continue;
        }
        uint64_t v = 0;
        auto [next, ec] = std::from_chars(p, end, v);
        if (ec != std::errc() || (next < end && *next != ' ' && *next != '\t' && *next != '\r'))
            return false;
        if (count < kUsedFields)
            f[count] = v;
        ++count;
        p = next;
    }
    if (count < kMinFields)
        return false;
    out.id = id;
    // guest and guest_nice are already counted in user and nice.
    out.user = f[0];
    out.nice = f[1];
    out.system = f[2] + f[5] + f[6] + f[7];
    out.idle = f[3] + f[4];
    return true;
}

bool CpuSampler::parseStat()
{
    current_.clear();
    std::string_view text(buffer_);
    bool inCpuBlock = false;
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);

        if (line.size() < 3 || line.compare(0, 3, "cpu") != 0) {
            // The cpu lines come first; nothing after them is needed (intr can be long).
            if (inCpuBlock)
                break;
            continue;
        }
        inCpuBlock = true;
        if (line.size() == 3 || !isDigit(line[3]))
            continue; // the aggregate "cpu " line
        Counters c;
        if (!parseCpuLine(line, c))
            return false;
        if (!current_.empty() && c.id <= current_.back().id)
            return false; // kernel order is ascending; anything else is not /proc/stat
        current_.push_back(c);
    }
    return !current_.empty();
}

CpuSample CpuSampler::loadCpuData(const Sysroot &root)
{
    if (!stat_.read(root, buffer_)) {
        if (!reportedFailure_)
            qCWarning(lcCollect, "cannot read %s; no CPU sample", root.path("/proc/stat").c_str());
        reportedFailure_ = true;
        return {};
    }
    if (!parseStat()) {
        if (!reportedFailure_)
            qCWarning(lcCollect, "%s has no well-formed cpuN lines; no CPU sample",
                      root.path("/proc/stat").c_str());
        reportedFailure_ = true;
        return {};
    }
    reportedFailure_ = false;

    bool sameSet = hasBaseline_ && previous_.size() == current_.size();
    for (size_t i = 0; sameSet && i < current_.size(); ++i)
        sameSet = previous_[i].id == current_[i].id;
    if (!sameSet) {
        if (hasBaseline_)
            qCInfo(lcCollect, "processor set changed (%zu -> %zu online); restarting CPU baseline",
                   previous_.size(), current_.size());
        previous_.swap(current_);
        hasBaseline_ = true;
        return {};
    }

    const size_t n = current_.size();
    CpuSample sample;
    sample.reserve(n + 1);
    CpuTicks sum;
    for (size_t i = 0; i < n; ++i) {
        const Counters &now = current_[i];
        const Counters &before = previous_[i];
        CpuTicks t;
        t.user = tickDelta(now.user, before.user);
        t.system = tickDelta(now.system, before.system);
        t.nice = tickDelta(now.nice, before.nice);
        t.idle = tickDelta(now.idle, before.idle);
        // Saturate rather than overflow on absurd inputs.
        auto add = [](int64_t &acc, int64_t v) {
            acc = acc > std::numeric_limits<int64_t>::max() - v ? std::numeric_limits<int64_t>::max() : acc + v;
        };
        add(sum.user, t.user);
        add(sum.system, t.system);
        add(sum.nice, t.nice);
        add(sum.idle, t.idle);
        sample.push_back(t);
    }
    const auto count = static_cast<int64_t>(n);
    sample.push_back(CpuTicks{roundedMean(sum.user, count), roundedMean(sum.system, count),
                              roundedMean(sum.nice, count), roundedMean(sum.idle, count)});
    previous_.swap(current_);
    return sample;
}

} // namespace orb
