#include "platform/AtomicFile.h"

#include "platform/Logging.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

namespace {

AtomicFile::Stamp stampFrom(const struct stat &st)
{
    AtomicFile::Stamp s;
    s.exists = true;
    s.device = static_cast<qint64>(st.st_dev);
    s.inode = static_cast<qint64>(st.st_ino);
    s.size = static_cast<qint64>(st.st_size);
    s.modifiedNs = static_cast<qint64>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

QString temporaryPrefix(const QFileInfo &info) { return QStringLiteral(".") + info.fileName() + QStringLiteral("."); }

} // namespace

QString AtomicFile::ReadResult::reason() const
{
    switch (status) {
    case Status::Ok:
        return QString();
    case Status::Missing:
        return QStringLiteral("no such file");
    case Status::NotRegularFile:
        return QStringLiteral("not a regular file");
    case Status::TooLarge:
        return QStringLiteral("file too large");
    case Status::Failed:
        break;
    }
    return QString::fromLocal8Bit(std::strerror(error));
}

bool AtomicFile::write(const QString &path, const QByteArray &contents, int mode)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        qCWarning(lcPlatform) << "cannot create directory" << info.absolutePath();
        return false;
    }
    QByteArray tmpl = QFile::encodeName(info.absolutePath() + QLatin1Char('/') + temporaryPrefix(info)
                                        + QStringLiteral("XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        qCWarning(lcPlatform) << "cannot create temporary file for" << path << ":" << std::strerror(errno);
        return false;
    }
    // The first failure's errno, taken before later calls can change it.
    int error = 0;
    const char *step = nullptr;
    auto fail = [&](const char *what) {
        if (!step) {
            error = errno;
            step = what;
        }
    };
    if (::fchmod(fd, static_cast<mode_t>(mode)) != 0)
        fail("set the mode of");
    const char *p = contents.constData();
    qsizetype left = contents.size();
    while (!step && left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            fail("write");
            break;
        }
        p += n;
        left -= n;
    }
    if (!step && ::fsync(fd) != 0)
        fail("flush");
    if (::close(fd) != 0)
        fail("close");
    if (!step && ::rename(tmpl.constData(), QFile::encodeName(path).constData()) != 0)
        fail("replace");
    if (step) {
        qCWarning(lcPlatform).noquote() << "cannot write" << path << "(could not" << step << "it):" << std::strerror(error);
        ::unlink(tmpl.constData());
        return false;
    }
    const int dfd = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

AtomicFile::ReadResult AtomicFile::read(const QString &path, qint64 cap)
{
    ReadResult r;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        r.error = errno;
        r.status = r.error == ENOENT ? ReadResult::Status::Missing : ReadResult::Status::Failed;
        return r;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        r.error = errno;
        ::close(fd);
        return r;
    }
    r.stamp = stampFrom(st);
    if (!S_ISREG(st.st_mode)) {
        r.status = ReadResult::Status::NotRegularFile;
        ::close(fd);
        return r;
    }
    if (st.st_size > cap) {
        r.status = ReadResult::Status::TooLarge;
        ::close(fd);
        return r;
    }
    // What the file holds, and one byte more to see it grow past the cap meanwhile.
    r.bytes.resize(static_cast<qsizetype>(st.st_size) + 1);
    qsizetype got = 0;
    while (got < r.bytes.size()) {
        const ssize_t n = ::read(fd, r.bytes.data() + got, static_cast<size_t>(r.bytes.size() - got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            r.error = errno;
            ::close(fd);
            r.bytes.clear();
            return r;
        }
        if (n == 0)
            break;
        got += n;
        if (got == r.bytes.size() && got <= cap)
            r.bytes.resize(std::min<qint64>(cap + 1, got + 4096));
    }
    ::close(fd);
    if (got > cap) {
        r.bytes.clear();
        r.status = ReadResult::Status::TooLarge;
        return r;
    }
    r.bytes.resize(got);
    r.status = ReadResult::Status::Ok;
    return r;
}

AtomicFile::Stamp AtomicFile::stampOf(const QString &path)
{
    struct stat st{};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return Stamp{};
    return stampFrom(st);
}

int AtomicFile::removeStaleTemporaries(const QString &path, int minAgeSeconds)
{
    const QFileInfo info(path);
    const QString prefix = temporaryPrefix(info);
    // mkstemp's six characters after the prefix, nothing else.
    const QRegularExpression pattern(QStringLiteral("^") + QRegularExpression::escape(prefix)
                                     + QStringLiteral("[A-Za-z0-9]{6}$"));
    const QDir dir(info.absolutePath());
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-minAgeSeconds);
    int removed = 0;
    const QFileInfoList candidates = dir.entryInfoList({prefix + QStringLiteral("*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &candidate : candidates) {
        if (!pattern.match(candidate.fileName()).hasMatch() || candidate.isSymLink()
            || candidate.lastModified().toUTC() > before)
            continue;
        if (QFile::remove(candidate.absoluteFilePath())) {
            ++removed;
            qCInfo(lcPlatform).noquote() << "removed" << candidate.absoluteFilePath() << "left by an interrupted write";
        }
    }
    return removed;
}

} // namespace orb
