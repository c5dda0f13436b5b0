#include "platform/linux/MemoryPurger.h"

#include "platform/Logging.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

namespace orb {

namespace {
// pkexec's own exit codes: 126 when the dialog was dismissed, 127 when not authorised.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;
constexpr qint64 kMessageCap = 4096;
} // namespace

MemoryPurger::MemoryPurger(QObject *parent) : MemoryPurger(defaultLauncher(), defaultHelperPath(), parent) {}

MemoryPurger::MemoryPurger(QString launcher, QString helperPath, QObject *parent)
    : QObject(parent), launcher_(std::move(launcher)), helperPath_(std::move(helperPath))
{
}

MemoryPurger::~MemoryPurger()
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(1000);
    }
}

QString MemoryPurger::defaultHelperPath()
{
    // This program's own file, links resolved; works before any QCoreApplication exists.
    const QString program = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return helperPathFor(program.isEmpty() ? QString() : QFileInfo(program).absolutePath());
}

QString MemoryPurger::helperPathFor(const QString &programDir)
{
    const QString relative = QStringLiteral(ORB_PURGE_HELPER_FROM_BIN);
    if (!programDir.isEmpty()) {
        const QString installed = QDir::isAbsolutePath(relative) ? relative
                                                                 : QDir::cleanPath(programDir + QLatin1Char('/') + relative);
        const QFileInfo info(installed);
        if (info.isFile() && info.isExecutable())
            return installed;
    }
    return QStringLiteral(ORB_PURGE_HELPER_PATH);
}

QString MemoryPurger::defaultLauncher()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("pkexec"));
    return found.isEmpty() ? QStringLiteral("/usr/bin/pkexec") : found;
}

bool MemoryPurger::purge()
{
    if (process_)
        return false;
    process_ = new QProcess(this);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);

    if (!QDir::isAbsolutePath(helperPath_)) {
        // pkexec only runs absolute paths; report asynchronously like every other outcome.
        qCWarning(lcPlatform, "purge helper path is not absolute: %s", qPrintable(helperPath_));
        QTimer::singleShot(0, this, [this] { finish(Result::HelperFailed); });
        return true;
    }

    process_->setProgram(launcher_);
    process_->setArguments({helperPath_});
    process_->setStandardInputFile(QProcess::nullDevice());
    process_->setStandardOutputFile(QProcess::nullDevice());

    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            qCWarning(lcPlatform, "cannot purge memory: %s is missing or not executable (install polkit's pkexec)",
                      qPrintable(launcher_));
            finish(Result::LauncherMissing);
        }
    });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        const QString message = QString::fromLocal8Bit(process_->readAllStandardError().left(kMessageCap)).trimmed();
        if (status != QProcess::NormalExit) {
            qCWarning(lcPlatform, "memory purge helper crashed");
            finish(Result::HelperFailed);
        } else if (code == 0) {
            qCInfo(lcPlatform, "memory purged");
            finish(Result::Purged);
        } else if (code == kPkexecDismissed || code == kPkexecNotAuthorized) {
            qCInfo(lcPlatform, "memory purge cancelled: authentication dismissed or refused");
            finish(Result::Cancelled);
        } else {
            qCWarning(lcPlatform, "memory purge helper failed with exit code %d: %s", code, qPrintable(message));
            finish(Result::HelperFailed);
        }
    });
    connect(timer_, &QTimer::timeout, this, [this] {
        qCWarning(lcPlatform, "memory purge did not finish within %d ms; stopped", timeoutMs_);
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(1000);
        finish(Result::HelperFailed);
    });

    timer_->start(timeoutMs_);
    process_->start();
    return true;
}

void MemoryPurger::finish(Result result)
{
    if (!process_)
        return;
    process_->disconnect(this);
    process_->deleteLater();
    process_ = nullptr;
    timer_->stop();
    timer_->deleteLater();
    timer_ = nullptr;
    Q_EMIT finished(result);
}

} // namespace orb
