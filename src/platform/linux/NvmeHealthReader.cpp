#include "platform/linux/NvmeHealthReader.h"

#include "platform/Logging.h"
#include "platform/linux/MemoryPurger.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

namespace orb {

namespace {
// pkexec's own exit codes: 126 when the dialog was dismissed, 127 when not authorised.
constexpr int kPkexecDismissed = 126;
constexpr int kPkexecNotAuthorized = 127;
} // namespace

NvmeHealthReader::NvmeHealthReader(QObject *parent)
    : NvmeHealthReader(MemoryPurger::defaultLauncher(), defaultHelperPath(), parent)
{
}

NvmeHealthReader::NvmeHealthReader(QString launcher, QString helperPath, QObject *parent)
    : QObject(parent), launcher_(std::move(launcher)), helperPath_(std::move(helperPath))
{
}

NvmeHealthReader::~NvmeHealthReader()
{
    if (process_) {
        process_->disconnect(this);
        process_->kill();
        process_->waitForFinished(1000);
    }
}

QString NvmeHealthReader::defaultHelperPath() { return QStringLiteral(ORB_NVME_HEALTH_HELPER_PATH); }

bool NvmeHealthReader::helperInstalled() const
{
    const QFileInfo helper(helperPath_);
    return QDir::isAbsolutePath(helperPath_) && helper.isFile() && helper.isExecutable();
}

bool NvmeHealthReader::read(Done done)
{
    if (process_)
        return false;
    done_ = std::move(done);
    process_ = new QProcess(this);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);

    if (!QDir::isAbsolutePath(helperPath_)) {
        qCWarning(lcPlatform, "NVMe health helper path is not absolute: %s", qPrintable(helperPath_));
        QTimer::singleShot(0, this, [this] { finish(Result::HelperFailed); });
        return true;
    }
    process_->setProgram(launcher_);
    process_->setArguments({helperPath_});
    process_->setStandardInputFile(QProcess::nullDevice());

    connect(process_, &QProcess::readyReadStandardOutput, this, [this] {
        if (process_->bytesAvailable() > kOutputCap) {
            qCWarning(lcPlatform, "NVMe health helper wrote more than %lld bytes; stopped", kOutputCap);
            finish(Result::HelperFailed);
        }
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            qCWarning(lcPlatform, "cannot read NVMe health: %s is missing or not executable", qPrintable(launcher_));
            finish(Result::LauncherMissing);
        }
    });
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        const QByteArray out = process_->readAllStandardOutput().left(kOutputCap);
        const QString message = QString::fromLocal8Bit(process_->readAllStandardError().left(4096)).trimmed();
        if (status != QProcess::NormalExit) {
            qCWarning(lcPlatform, "NVMe health helper crashed");
            finish(Result::HelperFailed);
        } else if (code == kPkexecDismissed || code == kPkexecNotAuthorized) {
            qCInfo(lcPlatform, "NVMe health log not read: authentication dismissed or refused");
            finish(Result::Refused);
        } else if (code != 0) {
            qCWarning(lcPlatform, "NVMe health helper failed with exit code %d: %s", code, qPrintable(message));
            finish(Result::HelperFailed);
        } else {
            finish(Result::Read, NvmeHealthLog::parseHelperOutput(out));
        }
    });
    connect(timer_, &QTimer::timeout, this, [this] {
        qCWarning(lcPlatform, "NVMe health helper did not finish within %d ms; stopped", timeoutMs_);
        finish(Result::HelperFailed);
    });
    timer_->start(timeoutMs_);
    process_->start();
    return true;
}

void NvmeHealthReader::finish(Result result, const QHash<QString, NvmeHealthLog> &logs)
{
    if (!process_)
        return;
    process_->disconnect(this);
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(1000);
    }
    process_->deleteLater();
    process_ = nullptr;
    timer_->stop();
    timer_->deleteLater();
    timer_ = nullptr;
    Done done = std::move(done_);
    done_ = nullptr;
    if (done)
        done(result, logs);
}

} // namespace orb
