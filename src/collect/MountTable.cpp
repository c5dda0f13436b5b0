#include "collect/MountTable.h"

#include "platform/Logging.h"

#include <array>
#include <charconv>

namespace orb {
namespace {

bool isOctal(char c) { return c >= '0' && c <= '7'; }

// Splits on blanks; the kernel escapes blanks inside fields, so fields never hold one.
std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
        if (i > start)
            out.push_back(line.substr(start, i - start));
    }
    return out;
}

template <typename T>
bool number(std::string_view s, T &out)
{
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

// "/snap" and "/snap/core/1" are at or under "/snap"; "/snapshots" is not.
template <typename Dir>
bool atOrUnder(const QString &path, const Dir &dir)
{
    const qsizetype n = dir.size();
    return path == dir || (path.size() > n && path.startsWith(dir) && path.at(n) == QLatin1Char('/'));
}

bool isHiddenPlace(const QString &mountPoint)
{
    static const std::array<QLatin1String, 5> places{QLatin1String("/boot"), QLatin1String("/snap"),
                                                      QLatin1String("/var/lib/docker"),
                                                      QLatin1String("/var/lib/snapd"), QLatin1String("/var/snap")};
    for (const QLatin1String &p : places)
        if (atOrUnder(mountPoint, p))
            return true;
    return false;
}

// Whether `root` shows `listedRoot` or a part of it ("/" contains everything).
bool rootWithin(const QString &root, const QString &listedRoot)
{
    if (listedRoot == QLatin1String("/"))
        return true;
    return atOrUnder(root, listedRoot);
}

} // namespace

bool MountEntry::readOnly() const
{
    const auto hasRo = [](const QString &options) {
        for (QStringView o : QStringView(options).split(QLatin1Char(',')))
            if (o == QLatin1String("ro"))
                return true;
        return false;
    };
    return hasRo(mountOptions) || hasRo(superOptions);
}

QString MountTable::decodeEscapes(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2])
            && isOctal(field[i + 3])) {
            const int value = (field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0');
            if (value > 0 && value < 256) {
                out.push_back(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

std::vector<MountEntry> MountTable::parse(std::string_view text)
{
    std::vector<MountEntry> out;
    size_t lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos)
            continue;
        // id parent major:minor root mount-point options [optional...] - type source super-options
        const std::vector<std::string_view> f = fields(line);
        size_t dash = 6;
        while (dash < f.size() && f[dash] != "-")
            ++dash;
        MountEntry e;
        const size_t colon = f.size() > 2 ? f[2].find(':') : std::string_view::npos;
        if (f.size() < 9 || dash + 2 >= f.size() || !number(f[0], e.mountId)
            || colon == std::string_view::npos || !number(f[2].substr(0, colon), e.major)
            || !number(f[2].substr(colon + 1), e.minor) || f[3].empty() || f[3][0] != '/' || f[4].empty()
            || f[4][0] != '/') {
            qCWarning(lcCollect, "mountinfo line %zu is not in the kernel's format; skipped", lineNumber);
            continue;
        }
        e.root = decodeEscapes(f[3]);
        e.mountPoint = decodeEscapes(f[4]);
        e.mountOptions = decodeEscapes(f[5]);
        e.fsType = decodeEscapes(f[dash + 1]);
        e.source = decodeEscapes(f[dash + 2]);
        if (dash + 3 < f.size())
            e.superOptions = decodeEscapes(f[dash + 3]);
        out.push_back(std::move(e));
    }
    return out;
}

bool MountTable::isNetworkType(const QString &t)
{
    static const std::array<QLatin1String, 14> types{
        QLatin1String("nfs"),        QLatin1String("nfs4"),       QLatin1String("cifs"),     QLatin1String("smb3"),
        QLatin1String("smbfs"),      QLatin1String("fuse.sshfs"), QLatin1String("9p"),       QLatin1String("afs"),
        QLatin1String("ceph"),       QLatin1String("glusterfs"),  QLatin1String("fuse.glusterfs"),
        QLatin1String("fuse.rclone"), QLatin1String("davfs"),     QLatin1String("fuse.davfs")};
    for (const QLatin1String &n : types)
        if (t == n)
            return true;
    return false;
}

bool MountTable::isPseudoType(const QString &t)
{
    static const std::array<QLatin1String, 30> types{
        QLatin1String("proc"),      QLatin1String("sysfs"),     QLatin1String("tmpfs"),     QLatin1String("devtmpfs"),
        QLatin1String("devpts"),    QLatin1String("cgroup"),    QLatin1String("cgroup2"),   QLatin1String("overlay"),
        QLatin1String("autofs"),    QLatin1String("mqueue"),    QLatin1String("debugfs"),   QLatin1String("tracefs"),
        QLatin1String("securityfs"), QLatin1String("pstore"),   QLatin1String("bpf"),       QLatin1String("configfs"),
        QLatin1String("fusectl"),   QLatin1String("hugetlbfs"), QLatin1String("binfmt_misc"), QLatin1String("efivarfs"),
        QLatin1String("ramfs"),     QLatin1String("nsfs"),      QLatin1String("rpc_pipefs"), QLatin1String("squashfs"),
        QLatin1String("fuse.gvfsd-fuse"), QLatin1String("fuse.portal"), QLatin1String("nfsd"), QLatin1String("selinuxfs"),
        QLatin1String("zonefs"),    QLatin1String("aufs")};
    for (const QLatin1String &n : types)
        if (t == n)
            return true;
    return false;
}

std::vector<MountEntry> MountTable::volumes(const std::vector<MountEntry> &mounts)
{
    std::vector<MountEntry> out;
    for (size_t i = 0; i < mounts.size(); ++i) {
        const MountEntry &m = mounts[i];
        // A later mount on the same point hides this one.
        bool hidden = false;
        for (size_t j = i + 1; j < mounts.size() && !hidden; ++j)
            hidden = mounts[j].mountPoint == m.mountPoint;
        if (hidden)
            continue;
        const bool rootFs = m.mountPoint == QLatin1String("/");
        const bool network = isNetworkType(m.fsType);
        const bool block = m.source.startsWith(QLatin1String("/dev/")) && !isPseudoType(m.fsType);
        if (!rootFs && !network && !block)
            continue;
        if (!rootFs && (isHiddenPlace(m.mountPoint) || m.fsType == QLatin1String("squashfs")))
            continue;
        // A bind mount of (a part of) a file system already listed.
        bool bind = false;
        for (const MountEntry &listed : out)
            bind = bind || (listed.major == m.major && listed.minor == m.minor && rootWithin(m.root, listed.root));
        if (bind)
            continue;
        out.push_back(m);
    }
    return out;
}

} // namespace orb
