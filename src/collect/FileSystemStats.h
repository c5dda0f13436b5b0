#pragma once
#include "platform/Sysroot.h"

#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

namespace orb {

// Size and room of one mounted file system, in bytes.
struct FsStat {
    int64_t total = 0;     // blocks × fragment size
    int64_t available = 0; // what an ordinary user may still write
    uint64_t fsid = 0;     // the file system's id (0 when it reports none)
    bool operator==(const FsStat &) const = default;
};

// Asks a mounted file system for its size. Implementations must be safe to call from several
// threads at once; a call may block for as long as the file system takes to answer.
class FileSystemStats {
public:
    virtual ~FileSystemStats() = default;
    // Nothing when the file system does not answer or the path is not mounted.
    virtual std::optional<FsStat> stat(const QString &mountPath) const = 0;

    // The running machine's statvfs for the host root; for a captured tree, the answers
    // recorded in its "statvfs" file.
    static std::shared_ptr<const FileSystemStats> forTree(const Sysroot &root);
};

// statvfs(2) of the mount path under a root, sizes in f_frsize units.
class StatvfsStats : public FileSystemStats {
public:
    explicit StatvfsStats(Sysroot root) : root_(std::move(root)) {}
    std::optional<FsStat> stat(const QString &mountPath) const override;

private:
    Sysroot root_;
};

// Answers recorded with a captured tree, one line per mount in its "statvfs" file:
// "<mount path, octal-escaped like mountinfo> <f_frsize> <f_blocks> <f_bavail> <f_fsid>".
// Garbled lines are logged and left out (that mount then has no answer).
class RecordedStats : public FileSystemStats {
public:
    explicit RecordedStats(const Sysroot &root);
    static QHash<QString, FsStat> parse(std::string_view text);
    std::optional<FsStat> stat(const QString &mountPath) const override;

private:
    QHash<QString, FsStat> answers_;
};

// Bytes of `blocks` blocks of `size` bytes, saturating instead of overflowing.
int64_t blocksToBytes(uint64_t blocks, uint64_t size);

} // namespace orb
