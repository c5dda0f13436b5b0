#include "collect/ToolRunner.h"

#include "platform/Logging.h"

#include <QDeadlineTimer>
#include <QProcess>

namespace orb {

std::optional<QString> ToolRunner::retSysCtlStringValue(const QString &program, const QStringList &arguments,
                                                        int timeoutMs, qint64 maxOutput)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(QIODevice::ReadOnly);

    QDeadlineTimer deadline(timeoutMs);
    if (!process.waitForStarted(static_cast<int>(deadline.remainingTime()))) {
        qCWarning(lcCollect) << "cannot start" << program << process.errorString();
        return std::nullopt;
    }

    QByteArray output;
    bool truncated = false;
    bool timedOut = false;
    for (;;) {
        const qint64 room = maxOutput - output.size();
        if (room > 0)
            output += process.read(room);
        if (output.size() >= maxOutput) {
            truncated = process.bytesAvailable() > 0 || process.state() != QProcess::NotRunning;
            break;
        }
        if (process.state() == QProcess::NotRunning && process.bytesAvailable() == 0)
            break;
        if (deadline.hasExpired()) {
            timedOut = true;
            break;
        }
        // Returns early when data arrives or the tool exits.
        process.waitForReadyRead(static_cast<int>(qMin<qint64>(deadline.remainingTime(), 100)));
    }

    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }
    if (timedOut) {
        qCWarning(lcCollect) << program << "did not finish within" << timeoutMs << "ms; stopped";
        return std::nullopt;
    }
    if (truncated)
        qCWarning(lcCollect) << "output of" << program << "cut off at" << maxOutput << "bytes";
    else if (process.exitStatus() == QProcess::CrashExit) {
        qCWarning(lcCollect) << program << "crashed";
        return std::nullopt;
    }
    if (output.isEmpty())
        return std::nullopt;
    return QString::fromUtf8(output);
}

} // namespace orb
