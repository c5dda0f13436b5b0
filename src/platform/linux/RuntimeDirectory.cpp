#include "platform/linux/RuntimeDirectory.h"

#include "platform/Logging.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orb {

bool RuntimeDirectory::ensurePrivate(const QString &dir, QString *why)
{
    auto refuse = [&](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    const QByteArray native = QFile::encodeName(dir);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    struct stat st{};
    if (::lstat(native.constData(), &st) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(st.st_mode))
        return refuse(QStringLiteral("it is a symbolic link"));
    if (!S_ISDIR(st.st_mode))
        return refuse(QStringLiteral("it is not a directory"));
    if (st.st_uid != ::geteuid())
        return refuse(QStringLiteral("it belongs to user %1").arg(st.st_uid));
    if (st.st_mode & (S_IWGRP | S_IWOTH))
        return refuse(QStringLiteral("others can write into it"));
    if ((st.st_mode & 077) != 0 && ::chmod(native.constData(), 0700) != 0)
        return refuse(QString::fromLocal8Bit(std::strerror(errno)));
    return true;
}

QString RuntimeDirectory::path()
{
    QStringList candidates;
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        candidates << runtime + QStringLiteral("/orbmeter");
    candidates << QDir::tempPath() + QStringLiteral("/orbmeter-") + QString::number(::geteuid());
    QStringList refusals;
    for (const QString &dir : std::as_const(candidates)) {
        QString why;
        if (ensurePrivate(dir, &why))
            return dir;
        refusals << QStringLiteral("not using %1 for run-time files: %2").arg(dir, why);
    }
    // Asked for at every icon update: say it once, not every time.
    static std::mutex mutex;
    static QStringList said;
    std::lock_guard lock(mutex);
    if (refusals != said) {
        said = refusals;
        for (const QString &line : std::as_const(refusals))
            qCWarning(lcPlatform).noquote() << line;
    }
    return QString();
}

} // namespace orb
