#pragma once
#include "collect/NvmeHealthLog.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <functional>

class QProcess;
class QTimer;

namespace orb {

// Reads the NVMe health logs by running the read-only root helper through pkexec.
// Asynchronous; the program and its single argument are fixed, nothing goes through a
// shell, the output is capped.
class NvmeHealthReader : public QObject {
    Q_OBJECT
public:
    enum class Result {
        Read,            // the helper answered (the table may still be empty)
        Refused,         // authentication dismissed or not authorised
        LauncherMissing, // pkexec is not installed
        HelperFailed,    // the helper failed, crashed, timed out, wrote too much or is missing
    };
    using Done = std::function<void(Result, const QHash<QString, NvmeHealthLog> &)>;

    explicit NvmeHealthReader(QObject *parent = nullptr);
    NvmeHealthReader(QString launcher, QString helperPath, QObject *parent = nullptr);
    ~NvmeHealthReader() override;

    // The installed helper (configured at build time).
    static QString defaultHelperPath();
    bool helperInstalled() const;

    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }
    bool isRunning() const { return process_ != nullptr; }

    // Starts a reading; `done` is called once, later, on this object's thread. False (and
    // no call) while a reading is running.
    bool read(Done done);

    static constexpr qint64 kOutputCap = 64 * 1024;

private:
    void finish(Result result, const QHash<QString, NvmeHealthLog> &logs = {});

    QString launcher_;
    QString helperPath_;
    int timeoutMs_ = 30 * 1000;
    QProcess *process_ = nullptr;
    QTimer *timer_ = nullptr;
    Done done_;
};

} // namespace orb
