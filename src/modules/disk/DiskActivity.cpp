#include "modules/disk/DiskActivity.h"

#include "collect/DiskBase.h"
#include "toolkit/OrbFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace orb {
namespace {

const QString kAll = QStringLiteral("all");

// Saturating sum: totals over many disks never wrap.
int64_t add(int64_t a, int64_t b)
{
    int64_t out = 0;
    return __builtin_add_overflow(a, b, &out) ? std::numeric_limits<int64_t>::max() : out;
}

// Sets `rw` to the activity of `read` and `written` bytes over `seconds`; a rate that stays
// keeps its text.
void setRW(DiskRW &rw, int64_t read, int64_t written, double seconds)
{
    rw.readActive = read >= 1;
    rw.writeActive = written >= 1;
    const auto perSec = [seconds](int64_t bytes) { return static_cast<int64_t>(static_cast<double>(bytes) / seconds); };
    const auto update = [](int64_t &rate, QString &text, int64_t next) {
        if (rate != next || text.isEmpty())
            text = OrbFormat::calcDiscAccessPerSec(next);
        rate = next;
    };
    update(rw.readPerSec, rw.readText, perSec(read));
    update(rw.writePerSec, rw.writeText, perSec(written));
}

} // namespace

const DiskRW *DiskRWTable::find(const QString &key) const
{
    if (key == kAll)
        return &all;
    for (const auto &[name, rw] : disks)
        if (name == key)
            return &rw;
    return nullptr;
}

const DiskCounters *DiskActivity::countersOf(const DiskSample &sample, const QString &key)
{
    for (const auto &[name, counters] : sample.disks)
        if (name == key)
            return &counters;
    return nullptr;
}

std::optional<DiskRWTable> DiskActivity::checkAllReadWrite(const History<DiskSample> &history, const DiskBase &base)
{
    DiskRWTable table;
    if (!checkAllReadWrite(history, base, table))
        return std::nullopt;
    return table;
}

bool DiskActivity::checkAllReadWrite(const History<DiskSample> &history, const DiskBase &base, DiskRWTable &table)
{
    if (history.empty())
        return false;
    const DiskSample &now = history.back();
    const DiskSample *before = history.size() >= 2 ? &history[history.size() - 2] : nullptr;
    const double t = intervalSeconds(now);
    table.disks.resize(base.drives.size());
    int64_t totalRead = 0;
    int64_t totalWritten = 0;
    for (std::size_t i = 0; i < base.drives.size(); ++i) {
        const DiskDrive &drive = base.drives[i];
        int64_t r = 0;
        int64_t w = 0;
        const DiskCounters *a = countersOf(now, drive.devicePath);
        const DiskCounters *b = before ? countersOf(*before, drive.devicePath) : nullptr;
        if (a && b) {
            r = delta(b->read, a->read);
            w = delta(b->written, a->written);
        }
        totalRead = add(totalRead, r);
        totalWritten = add(totalWritten, w);
        auto &[name, rw] = table.disks[i];
        if (name != drive.devicePath) {
            name = drive.devicePath;
            rw = {};
        }
        setRW(rw, r, w, t);
    }
    setRW(table.all, totalRead, totalWritten, t);
    return true;
}

double DiskActivity::intervalSeconds(const DiskSample &sample)
{
    // Whole seconds of at least 1; anything else in a sample is taken as 1.
    return std::isfinite(sample.interval) && sample.interval >= 1.0 ? sample.interval : 1.0;
}

std::pair<int64_t, int64_t> DiskActivity::intervalDelta(const DiskSample &earlier, const DiskSample &later, const QString &key)
{
    int64_t r = 0;
    int64_t w = 0;
    if (key == kAll) {
        for (std::size_t j = 0; j < later.disks.size(); ++j) {
            const auto &[name, c] = later.disks[j];
            // Consecutive samples almost always list the disks in the same order.
            const DiskCounters *e = j < earlier.disks.size() && earlier.disks[j].first == name ? &earlier.disks[j].second
                                                                                              : countersOf(earlier, name);
            if (e) {
                r = add(r, delta(e->read, c.read));
                w = add(w, delta(e->written, c.written));
            }
        }
    } else {
        const DiskCounters *c = countersOf(later, key);
        const DiskCounters *e = countersOf(earlier, key);
        if (c && e) {
            r = delta(e->read, c->read);
            w = delta(e->written, c->written);
        }
    }
    return {r, w};
}

DiskGraphSeries DiskActivity::graphSeries(const History<DiskSample> &history, const QString &key, std::size_t maxCount)
{
    DiskGraphSeries s;
    if (history.size() < 2 || maxCount == 0)
        return s;
    s.deltas.reserve(std::min(maxCount, history.size() - 1));
    for (std::size_t i = history.size() - 1; i > 0 && s.deltas.size() < maxCount; --i) {
        const auto [r, w] = intervalDelta(history[i - 1], history[i], key);
        s.maxRead = std::max(s.maxRead, r);
        s.maxWrite = std::max(s.maxWrite, w);
        s.deltas.emplace_back(r, w);
    }
    return s;
}

} // namespace orb
