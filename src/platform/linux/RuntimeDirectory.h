#pragma once
#include <QString>

namespace orb {

// This user's directory for run-time files (the instance lock, status item icons):
// $XDG_RUNTIME_DIR/orbmeter, or $TMPDIR/orbmeter-<uid> when there is no usable runtime
// directory. It must be a real directory (not a link) owned by this user that no one else
// can write into: in a shared one, another user could plant files in our way.
class RuntimeDirectory {
public:
    // The directory, created 0700 when missing; empty when none passes the checks.
    static QString path();
    // Creates `dir` (mode 0700) when missing and checks it: a directory, not a link, owned
    // by this user, not writable by group or others (other permission bits are dropped).
    // False with `why` set otherwise.
    static bool ensurePrivate(const QString &dir, QString *why = nullptr);
};

} // namespace orb
