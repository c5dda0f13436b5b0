#pragma once
#include "platform/LoopWatch.h"
#include "platform/Sysroot.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

namespace orb {

// Tells the pass when the mount table of its tree has changed. On the running machine the
// kernel marks /proc/self/mountinfo with POLLPRI after every mount, unmount or remount, so a
// check is one poll(2) with no wait; for a captured tree the file's identity, size and time
// are compared. Anyone may also ask for the volumes to be described again (a renamed file
// system): requestRebuild() is safe from any thread. Used by the pass only otherwise. On the
// collection thread the running machine's table is polled by the thread's event loop
// between passes, and a pass asks the kernel nothing.
class MountWatcher {
public:
    MountWatcher() = default;
    ~MountWatcher();
    MountWatcher(const MountWatcher &) = delete;
    MountWatcher &operator=(const MountWatcher &) = delete;

    // True on the first call for a tree, after a change of the mount table since the
    // previous call, and after a rebuild was requested.
    bool changed(const Sysroot &root);

    static void requestRebuild();

private:
    void reset();

    int fd_ = -1;
    std::unique_ptr<LoopWatch> watch_; // of fd_
    std::string root_;
    bool started_ = false;
    uint64_t seenRequests_ = 0;
    // For captured trees.
    ino_t inode_ = 0;
    off_t size_ = -1;
    int64_t mtimeNs_ = -1;
};

} // namespace orb
