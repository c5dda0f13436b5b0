#include "platform/AtomicFile.h"

#include "platform/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

bool AtomicFile::write(const QString &path, const QByteArray &contents, int mode)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        qCWarning(lcPlatform) << "cannot create directory" << info.absolutePath();
        return false;
    }
    QByteArray tmpl = QFile::encodeName(info.absolutePath() + QStringLiteral("/.")
                                        + info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) {
        qCWarning(lcPlatform) << "cannot create temporary file for" << path << ":" << std::strerror(errno);
        return false;
    }
    bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
    const char *p = contents.constData();
    qsizetype left = contents.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        p += n;
        left -= n;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(tmpl.constData(), QFile::encodeName(path).constData()) == 0;
    if (!ok) {
        qCWarning(lcPlatform) << "cannot write" << path << ":" << std::strerror(errno);
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

} // namespace orb
