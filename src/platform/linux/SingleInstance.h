#pragma once
#include <QString>

namespace orb {

// One monitor per user session: whoever holds an exclusive flock on
// $XDG_RUNTIME_DIR/orbmeter/orbmeter.lock is the running monitor. The kernel drops the lock
// when the process ends, however it ends, so a crash leaves nothing stale behind.
class SingleInstance {
public:
    // Takes the lock for the rest of the process's life; false when another process holds it.
    static bool tryAcquire();
    static bool tryAcquire(const QString &lockPath);
    // Gives the lock up (tests, and a restart that hands over to a new copy).
    static void release();
    static QString defaultLockPath();
    // Process id written by the holder of the lock at `lockPath`; 0 when unknown.
    static qint64 ownerPid(const QString &lockPath);
};

} // namespace orb
