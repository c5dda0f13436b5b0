#include "collect/MountWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {
namespace {

std::atomic<uint64_t> g_requests{0};

} // namespace

MountWatcher::~MountWatcher() { reset(); }

void MountWatcher::reset()
{
    watch_.reset();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    started_ = false;
    inode_ = 0;
    size_ = -1;
    mtimeNs_ = -1;
}

void MountWatcher::requestRebuild() { g_requests.fetch_add(1, std::memory_order_relaxed); }

bool MountWatcher::changed(const Sysroot &root)
{
    bool change = false;
    if (root.root() != root_ || !started_) {
        reset();
        root_ = root.root();
        started_ = true;
        change = true;
        if (root.isHostRoot()) {
            fd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
            if (fd_ >= 0)
                watch_ = std::make_unique<LoopWatch>(fd_, LoopWatch::Wait::Urgent);
        }
    }
    const uint64_t requests = g_requests.load(std::memory_order_relaxed);
    if (requests != seenRequests_) {
        seenRequests_ = requests;
        change = true;
    }
    if (root.isHostRoot()) {
        if (fd_ < 0)
            return true; // cannot watch: describe again every time
        switch (watch_->check()) {
        case LoopWatch::State::Quiet: break;
        case LoopWatch::State::Ready: change = true; break; // the loop's poll took the change in
        case LoopWatch::State::Unwatched: {
            pollfd p{fd_, POLLPRI, 0};
            if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLPRI | POLLERR)))
                change = true;
            break;
        }
        }
        return change;
    }
    struct stat st {};
    const std::string path = root.path("/proc/self/mountinfo");
    if (::stat(path.c_str(), &st) != 0) {
        st.st_ino = 0;
        st.st_size = -1;
        st.st_mtim = {};
    }
    const int64_t mtime = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (st.st_ino != inode_ || st.st_size != size_ || mtime != mtimeNs_) {
        inode_ = st.st_ino;
        size_ = st.st_size;
        mtimeNs_ = mtime;
        change = true;
    }
    return change;
}

} // namespace orb
