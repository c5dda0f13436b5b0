#include "collect/FileSystemStats.h"

#include "collect/MountTable.h"
#include "platform/Logging.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <sys/statvfs.h>

namespace orb {

int64_t blocksToBytes(uint64_t blocks, uint64_t size)
{
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (size != 0 && blocks > kMax / size)
        return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(blocks * size);
}

std::shared_ptr<const FileSystemStats> FileSystemStats::forTree(const Sysroot &root)
{
    if (root.isHostRoot())
        return std::make_shared<StatvfsStats>(root);
    return std::make_shared<RecordedStats>(root);
}

std::optional<FsStat> StatvfsStats::stat(const QString &mountPath) const
{
    // Every local volume is asked after each pass: the path is built in buffers this thread
    // keeps, and a plain ASCII path needs no conversion.
    thread_local std::string machinePath;
    thread_local std::string path;
    machinePath.clear();
    for (const QChar c : mountPath) {
        if (c.unicode() >= 0x80) {
            machinePath = mountPath.toStdString();
            break;
        }
        machinePath.push_back(static_cast<char>(c.unicode()));
    }
    root_.pathInto(machinePath, path);
    struct statvfs s;
    std::memset(&s, 0, sizeof s);
    if (::statvfs(path.c_str(), &s) != 0)
        return std::nullopt;
    const uint64_t unit = s.f_frsize ? s.f_frsize : s.f_bsize;
    FsStat out;
    out.total = blocksToBytes(s.f_blocks, unit);
    out.available = std::min(out.total, blocksToBytes(s.f_bavail, unit));
    out.fsid = s.f_fsid;
    return out;
}

RecordedStats::RecordedStats(const Sysroot &root)
{
    std::string text;
    if (root.readFile("/statvfs", text))
        answers_ = parse(text);
}

QHash<QString, FsStat> RecordedStats::parse(std::string_view text)
{
    QHash<QString, FsStat> out;
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.empty() || line[0] == '#')
            continue;
        std::string_view f[5];
        int n = 0;
        while (n < 5 && !line.empty()) {
            const size_t start = line.find_first_not_of(' ');
            if (start == std::string_view::npos)
                break;
            line = line.substr(start);
            const size_t stop = line.find(' ');
            f[n++] = line.substr(0, stop);
            line = stop == std::string_view::npos ? std::string_view() : line.substr(stop);
        }
        uint64_t frsize = 0, blocks = 0, avail = 0, fsid = 0;
        const auto num = [](std::string_view s, uint64_t &v) {
            const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
            return ec == std::errc() && p == s.data() + s.size();
        };
        if (n != 5 || f[0].empty() || f[0][0] != '/' || !num(f[1], frsize) || !num(f[2], blocks)
            || !num(f[3], avail) || !num(f[4], fsid)) {
            qCWarning(lcCollect, "statvfs record line %d is garbled; that mount has no size", lineNumber);
            continue;
        }
        FsStat s;
        s.total = blocksToBytes(blocks, frsize);
        s.available = std::min(s.total, blocksToBytes(avail, frsize));
        s.fsid = fsid;
        out.insert(MountTable::decodeEscapes(f[0]), s);
    }
    return out;
}

std::optional<FsStat> RecordedStats::stat(const QString &mountPath) const
{
    const auto it = answers_.constFind(mountPath);
    if (it == answers_.cend())
        return std::nullopt;
    return *it;
}

} // namespace orb
