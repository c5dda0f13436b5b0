#pragma once
#include <QByteArray>
#include <QString>

namespace orb {

// Replaces a file so that readers see either the old or the new contents, never a mix:
// write a temporary file beside it, fsync, rename over the target, fsync the directory.
class AtomicFile {
public:
    // Returns false (and logs why) when any step fails; the old file is then untouched.
    static bool write(const QString &path, const QByteArray &contents, int mode = 0644);
};

} // namespace orb
