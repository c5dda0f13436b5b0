#pragma once
#include "collect/FileSystemStats.h"
#include "collect/Samples.h"
#include "collect/VolumeBase.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace orb {

// Used and free bytes of every volume of the volume base.
//
// Local volumes are asked directly. A network file system may not answer at all (a server
// gone away), so each network volume is asked on its own thread: the pass waits for all of
// them together at most `timeout`, a volume that has not answered by then counts as
// [0, 0, 0], and it is not asked again until that call has returned. So a dead server costs
// one pass the timeout once and never blocks later passes. Called from the pass only.
class VolumeSampler {
public:
    explicit VolumeSampler(std::shared_ptr<const FileSystemStats> stats,
                           std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    ~VolumeSampler();

    // One sample: [total, used, free] per volume in the base's order, [0, 0, 0] for a volume
    // without a size, and "all" summed over the file systems that gave one, each counted once.
    VolumeSample retDiskUsage(const VolumeBase &base);

    // Network calls still running from an earlier pass.
    std::size_t outstandingCalls() const;

private:
    struct Call {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        std::optional<FsStat> result;
    };
    std::shared_ptr<Call> start(const QString &mountPath);

    std::shared_ptr<const FileSystemStats> stats_;
    std::chrono::milliseconds timeout_;
    std::vector<std::pair<QString, std::shared_ptr<Call>>> outstanding_;
    std::vector<std::pair<std::size_t, std::shared_ptr<Call>>> waiting_;
    std::vector<std::optional<FsStat>> answers_;
    std::vector<uint64_t> countedIds_;
    std::vector<uint64_t> countedDevices_;
};

} // namespace orb
