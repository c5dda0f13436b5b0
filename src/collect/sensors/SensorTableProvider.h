#pragma once
#include "collect/SensorTable.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace orb {

class Sysroot;

// Keeps the probed sensor table so the start-up check and every pass share one probe.
// Safe to call from the UI thread and the collection thread.
class SensorTableProvider {
public:
    // The one the application's modules use.
    static SensorTableProvider &shared();

    // Seconds of pass time between two looks at the set of monitoring devices.
    static constexpr double kRecheckSeconds = 5.0;

    // The table for `root`: probed anew when there is none for this root yet or when the set
    // of monitoring devices changed since. With the pass time `now`, the devices are looked
    // at only when kRecheckSeconds passed since the last look (so both steps of one pass
    // share one look); without it, always.
    std::shared_ptr<const SensorTable> current(const Sysroot &root, std::optional<double> now = std::nullopt);

    // How many probes ran (tests).
    int probes() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const SensorTable> table_;
    std::optional<double> checkedAt_;
    std::string devices_;
    int probes_ = 0;
};

} // namespace orb
