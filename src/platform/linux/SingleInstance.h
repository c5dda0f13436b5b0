#pragma once
#include <QString>

namespace orb {

// One monitor per user session: whoever holds an exclusive flock on orbmeter.lock in this
// user's private run-time directory (RuntimeDirectory) is the running monitor. The kernel
// drops the lock when the process ends, however it ends, so a crash leaves nothing stale
// behind. Without a private directory the monitor runs unchecked rather than share a lock.
class SingleInstance {
public:
    // Takes the lock for the rest of the process's life; false when another process holds it.
    // True, with a log line, when there is no private directory to keep the lock in.
    static bool tryAcquire();
    static bool tryAcquire(const QString &lockPath);
    // Gives the lock up (tests).
    static void release();
    // A restart hands the lock to the copy it starts, with no moment in which a third start
    // could take it: the descriptor is left open across exec and its number goes into the
    // environment the copy inherits. The copy's tryAcquire() adopts it. Afterwards this
    // process only closes its descriptor (endHandover), which leaves the copy's lock held.
    static bool beginHandover();
    // `started` false: the copy never ran; the lock stays with this process.
    static void endHandover(bool started);
    // Empty when there is no private run-time directory.
    static QString defaultLockPath();
    // Process id written by the holder of the lock at `lockPath`; 0 when unknown.
    static qint64 ownerPid(const QString &lockPath);
};

} // namespace orb
