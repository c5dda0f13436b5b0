#include "collect/VolumeSampler.h"

#include "platform/Logging.h"

#include <algorithm>
#include <thread>

namespace orb {

VolumeSampler::VolumeSampler(std::shared_ptr<const FileSystemStats> stats, std::chrono::milliseconds timeout)
    : stats_(std::move(stats)), timeout_(timeout)
{
}

// Calls still blocked in the file system keep their own state and end on their own.
VolumeSampler::~VolumeSampler() = default;

std::size_t VolumeSampler::outstandingCalls() const { return outstanding_.size(); }

std::shared_ptr<VolumeSampler::Call> VolumeSampler::start(const QString &mountPath)
{
    auto call = std::make_shared<Call>();
    try {
        std::thread([call, stats = stats_, mountPath] {
            std::optional<FsStat> r = stats->stat(mountPath);
            std::lock_guard lock(call->mutex);
            call->result = r;
            call->finished = true;
            call->done.notify_all();
        }).detach();
    } catch (const std::system_error &e) {
        qCWarning(lcCollect, "cannot start a thread to ask a network volume for its size: %s", e.what());
        std::lock_guard lock(call->mutex);
        call->finished = true;
    }
    return call;
}

VolumeSample VolumeSampler::retDiskUsage(const VolumeBase &base)
{
    VolumeSample sample;
    if (base.volumes.empty())
        return sample;
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    const std::size_t n = base.volumes.size();
    answers_.assign(n, std::nullopt);
    waiting_.clear();

    // Calls of earlier passes that have returned since are done with (their answer is stale);
    // those still running keep their volume from being asked again.
    std::erase_if(outstanding_, [](const auto &entry) {
        std::lock_guard lock(entry.second->mutex);
        return entry.second->finished;
    });
    for (std::size_t i = 0; i < n; ++i) {
        const VolumeEntry &v = base.volumes[i];
        if (!v.isNetworkVol)
            continue;
        const bool busy = std::any_of(outstanding_.begin(), outstanding_.end(),
                                      [&](const auto &entry) { return entry.first == v.mountPath; });
        if (!busy)
            waiting_.emplace_back(i, start(v.mountPath));
    }
    for (std::size_t i = 0; i < n; ++i)
        if (!base.volumes[i].isNetworkVol)
            answers_[i] = stats_->stat(base.volumes[i].mountPath);
    for (const auto &[i, call] : waiting_) {
        std::unique_lock lock(call->mutex);
        if (call->done.wait_until(lock, deadline, [&] { return call->finished; })) {
            answers_[i] = call->result;
        } else {
            qCWarning(lcCollect, "the network volume at %s did not answer within %lld ms; counted as empty",
                      qPrintable(base.volumes[i].mountPath), static_cast<long long>(timeout_.count()));
            outstanding_.emplace_back(base.volumes[i].mountPath, call);
        }
    }

    sample.volumes.reserve(n);
    countedIds_.clear();
    countedDevices_.clear();
    int64_t total = 0, free = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const VolumeEntry &v = base.volumes[i];
        VolumeUsage u;
        if (answers_[i] && answers_[i]->total > 0) {
            u.total = answers_[i]->total;
            u.free = std::clamp<int64_t>(answers_[i]->available, 0, u.total);
            u.used = u.total - u.free;
            // One file system mounted twice, or parts of one (btrfs subvolumes report ids of
            // their own but share the device), counts once.
            const uint64_t dev = (uint64_t(v.devMajor) << 32) | v.devMinor;
            const uint64_t fsid = answers_[i]->fsid;
            const bool seen = (dev != 0 && std::find(countedDevices_.begin(), countedDevices_.end(), dev) != countedDevices_.end())
                || (fsid != 0 && std::find(countedIds_.begin(), countedIds_.end(), fsid) != countedIds_.end());
            if (!seen) {
                if (dev != 0)
                    countedDevices_.push_back(dev);
                if (fsid != 0)
                    countedIds_.push_back(fsid);
                total += u.total;
                free += u.free;
            }
        }
        sample.volumes.emplace_back(v.mountPath, u);
    }
    sample.all = {total, total - free, free};
    return sample;
}

} // namespace orb
