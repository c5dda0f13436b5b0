#pragma once
#include <QString>
#include <cstddef>
#include <memory>
#include <vector>

namespace orb {

// One display name (an application's name, else the command name) and its figure: the
// summed processor share in per cent of one processor, or the summed resident size in KiB.
struct ProcessShare {
    QString name;
    double value = 0.0;
    bool operator==(const ProcessShare &) const = default;
};

// One scan's figures per display name: only names above 0, largest first (equal values by
// name), so a reader wanting the top N takes the first N.
struct ProcessSnapshot {
    // Monotonic seconds of the pass that took the scan.
    double time = 0.0;
    std::vector<ProcessShare> entries;

    // The figure for `name`, 0 when the name is not in the snapshot.
    double value(const QString &name) const
    {
        for (const ProcessShare &e : entries)
            if (e.name == name)
                return e.value;
        return 0.0;
    }
};

using SnapshotPtr = std::shared_ptr<const ProcessSnapshot>;

// The two process histories, oldest first, each at most kCapacity snapshots. Shared
// read-only through SensorData; the scan builds a new value for every change.
struct ProcessHistories {
    static constexpr std::size_t kCapacity = 256;

    std::vector<SnapshotPtr> cpu;    // processor shares
    std::vector<SnapshotPtr> memory; // resident sizes

    // Appends `snapshot` to `history`, dropping the oldest beyond kCapacity.
    static void append(std::vector<SnapshotPtr> &history, SnapshotPtr snapshot)
    {
        if (!snapshot)
            return;
        if (history.size() >= kCapacity)
            history.erase(history.begin(), history.begin() + static_cast<std::ptrdiff_t>(history.size() - kCapacity + 1));
        history.push_back(std::move(snapshot));
    }
};

} // namespace orb
