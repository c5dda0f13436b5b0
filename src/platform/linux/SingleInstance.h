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
    // Gives the lock up (tests, and a restart that hands over to a new copy).
    static void release();
    // Empty when there is no private run-time directory.
    static QString defaultLockPath();
    // Process id written by the holder of the lock at `lockPath`; 0 when unknown.
    static qint64 ownerPid(const QString &lockPath);
};

} // namespace orb
