#include "platform/linux/SingleInstance.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "platform/linux/RuntimeDirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

namespace {
int heldFd = -1;
QString heldPath;
constexpr char kHandoverVariable[] = "ORBMETER_INSTANCE_LOCK_FD";

// The descriptor a restarting predecessor left open for us, when it is the lock file at
// `lockPath`; -1 otherwise. The variable is consumed so that our own children never see it.
int inheritedLock(const QString &lockPath)
{
    const QByteArray text = qgetenv(kHandoverVariable);
    if (text.isNull())
        return -1;
    qunsetenv(kHandoverVariable);
    bool ok = false;
    const int fd = text.toInt(&ok);
    struct stat held{}, onDisk{};
    if (!ok || fd < 3 || ::fstat(fd, &held) != 0 || ::stat(QFile::encodeName(lockPath).constData(), &onDisk) != 0
        || held.st_dev != onDisk.st_dev || held.st_ino != onDisk.st_ino) {
        qCWarning(lcPlatform).noquote() << "ignoring a handed-over instance lock that is not" << lockPath;
        return -1;
    }
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
}
} // namespace

QString SingleInstance::defaultLockPath()
{
    const QString dir = RuntimeDirectory::path();
    return dir.isEmpty() ? QString() : dir + QStringLiteral("/orbmeter.lock");
}

bool SingleInstance::tryAcquire()
{
    const QString path = defaultLockPath();
    if (path.isEmpty()) {
        // A lock where other users can reach it would let them keep us from starting.
        qCWarning(lcPlatform, "no private run-time directory; running without the single-instance check");
        return true;
    }
    return tryAcquire(path);
}

bool SingleInstance::tryAcquire(const QString &lockPath)
{
    if (heldFd >= 0 && heldPath == lockPath)
        return true;
    release();
    QDir().mkpath(QFileInfo(lockPath).absolutePath());
    const QByteArray native = QFile::encodeName(lockPath);
    const int inherited = inheritedLock(lockPath);
    const int fd = inherited >= 0 ? inherited : ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        // Without a lock file we cannot tell; running twice beats not running at all.
        qCWarning(lcPlatform).noquote() << "cannot open the instance lock" << lockPath << ":" << std::strerror(errno);
        return true;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        qCWarning(lcPlatform).noquote() << "the instance lock" << lockPath
                                        << "is not a regular file of ours; running without the single-instance check";
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK)
            return false;
        qCWarning(lcPlatform).noquote() << "cannot lock" << lockPath << ":" << std::strerror(error);
        return true;
    }
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) != pid.size())
        qCWarning(lcPlatform).noquote() << "cannot write the process id into" << lockPath;
    heldFd = fd;
    heldPath = lockPath;
    return true;
}

bool SingleInstance::beginHandover()
{
    if (heldFd < 0)
        return false;
    if (::fcntl(heldFd, F_SETFD, 0) != 0)
        return false;
    qputenv(kHandoverVariable, QByteArray::number(heldFd));
    return true;
}

void SingleInstance::endHandover(bool started)
{
    qunsetenv(kHandoverVariable);
    if (heldFd < 0)
        return;
    if (!started) {
        ::fcntl(heldFd, F_SETFD, FD_CLOEXEC);
        return;
    }
    // Only our descriptor goes; the lock stays with the open file the copy shares.
    ::close(heldFd);
    heldFd = -1;
    heldPath.clear();
}

void SingleInstance::release()
{
    if (heldFd < 0)
        return;
    ::close(heldFd); // closing the only descriptor drops the flock
    heldFd = -1;
    heldPath.clear();
}

qint64 SingleInstance::ownerPid(const QString &lockPath)
{
    const AtomicFile::ReadResult read = AtomicFile::read(lockPath, 64);
    if (!read.ok())
        return 0;
    bool ok = false;
    const qint64 pid = read.bytes.trimmed().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

} // namespace orb
