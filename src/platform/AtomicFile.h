#pragma once
#include <QByteArray>
#include <QString>

namespace orb {

// Replaces a file so that readers see either the old or the new contents, never a mix:
// write a temporary file beside it, fsync, rename over the target, fsync the directory.
// Reads refuse anything but a regular file, so a FIFO or device put in a file's place
// cannot stall the program.
class AtomicFile {
public:
    // Identity of a file's contents as far as replacing them shows: a rename gives a new
    // inode, an edit in place a new size or modification time.
    struct Stamp {
        bool exists = false;
        qint64 device = 0;
        qint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Stamp &) const = default;
    };

    struct ReadResult {
        enum class Status { Ok, Missing, NotRegularFile, TooLarge, Failed };
        Status status = Status::Failed;
        QByteArray bytes;
        int error = 0; // errno when Failed
        Stamp stamp;   // of the file read
        bool ok() const { return status == Status::Ok; }
        // Why the file could not be read, for log lines ("not a regular file", "Permission denied").
        QString reason() const;
    };

    // Returns false (and logs why) when any step fails; the old file is then untouched.
    static bool write(const QString &path, const QByteArray &contents, int mode = 0644);
    // The whole file, when it is a regular file of at most `cap` bytes. Never blocks on a
    // FIFO: it is opened without waiting for a writer and then refused.
    static ReadResult read(const QString &path, qint64 cap);
    static Stamp stampOf(const QString &path);
    // Removes the temporary files that writes of `path` left behind when they were killed,
    // those last changed at least `minAgeSeconds` ago. Returns how many were removed.
    static int removeStaleTemporaries(const QString &path, int minAgeSeconds = 0);
};

} // namespace orb
