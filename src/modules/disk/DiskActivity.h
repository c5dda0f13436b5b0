#pragma once
#include "collect/Samples.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace orb {

struct DiskBase;

// Read and write activity of one disk (or of all) over the newest sample interval.
struct DiskRW {
    bool readActive = false;
    bool writeActive = false;
    int64_t readPerSec = 0;
    int64_t writePerSec = 0;
    QString readText;  // "1.2MB/s"
    QString writeText;
    bool operator==(const DiskRW &) const = default;
};

// The read/write check table: one entry per disk of the base (by device path) and "all".
struct DiskRWTable {
    std::vector<std::pair<QString, DiskRW>> disks;
    DiskRW all;
    // The disk's entry, `all` for "all", nullptr for a disk that has none.
    const DiskRW *find(const QString &key) const;
};

// Per-sample deltas of one disk (or of all) for the history graph, newest first, with the
// largest read and write delta among them.
struct DiskGraphSeries {
    std::vector<std::pair<int64_t, int64_t>> deltas; // [read, write]
    int64_t maxRead = 0;
    int64_t maxWrite = 0;
};

// Turns the cumulative disk samples into what the Disk item shows. Every delta is
// clamped: a counter that went backwards (a disk re-attached, a counter wrapped) counts
// as no activity and the next sample measures from the new value.
class DiskActivity {
public:
    static int64_t delta(int64_t previous, int64_t now) { return now > previous ? now - previous : 0; }

    // Activity between the two newest samples, divided by the newest interval (at least 1).
    // With one sample every disk of the base is idle; nothing without a sample.
    static std::optional<DiskRWTable> checkAllReadWrite(const History<DiskSample> &history, const DiskBase &base);
    // The same into `table`, whose storage is reused and whose texts are kept where a rate is
    // unchanged: the item works this out after every pass. False, leaving `table` as it was,
    // when there is no sample.
    static bool checkAllReadWrite(const History<DiskSample> &history, const DiskBase &base, DiskRWTable &table);

    // Deltas between consecutive samples for `key` ("/dev/sda"; "all" sums every disk
    // present in both samples), newest first, at most `maxCount` of them.
    static DiskGraphSeries graphSeries(const History<DiskSample> &history, const QString &key, std::size_t maxCount);

    // The seconds a sample's counters cover: its interval when that is a number of at least 1,
    // else 1.
    static double intervalSeconds(const DiskSample &sample);
    // Bytes read and written by `key` ("all": every disk of the later sample) from one
    // sample to the next.
    static std::pair<int64_t, int64_t> intervalDelta(const DiskSample &earlier, const DiskSample &later, const QString &key);

    // The counters of `key` in a sample, nullptr when the sample lacks the disk.
    static const DiskCounters *countersOf(const DiskSample &sample, const QString &key);
};

} // namespace orb
