#pragma once
#include <QObject>
#include <QString>

class QProcess;
class QTimer;

namespace orb {

// Purges memory (writes dirty pages back, then drops the page cache) by running the
// root helper through pkexec, which asks for an administrator password. Asynchronous;
// the program and its single argument are fixed, nothing goes through a shell.
class MemoryPurger : public QObject {
    Q_OBJECT
public:
    enum class Result {
        Purged,          // the helper finished successfully
        Cancelled,       // the user dismissed the password dialog or was not authorised
        LauncherMissing, // pkexec is not installed
        HelperFailed,    // the helper failed, crashed, timed out or is not where expected
    };
    Q_ENUM(Result)

    // Runs `launcher` (pkexec by default) with the helper's absolute path.
    explicit MemoryPurger(QObject *parent = nullptr);
    MemoryPurger(QString launcher, QString helperPath, QObject *parent = nullptr);
    ~MemoryPurger() override;

    // The installed helper: where the install put it relative to this program
    // (<prefix>/bin/orbmeter and <prefix>/libexec/orbmeter/orbmeter-purge, whatever the
    // prefix); the path configured at build time when there is none.
    static QString defaultHelperPath();
    // The same for a program in `programDir`.
    static QString helperPathFor(const QString &programDir);
    // pkexec from PATH, or its usual place when PATH has none.
    static QString defaultLauncher();

    // How long a purge may take, password dialog included (default ten minutes).
    void setTimeout(int milliseconds) { timeoutMs_ = milliseconds; }
    bool isRunning() const { return process_ != nullptr; }

    // Starts a purge; false (and no signal) while one is already running.
    bool purge();

Q_SIGNALS:
    void finished(orb::MemoryPurger::Result result);

private:
    void finish(Result result);

    QString launcher_;
    QString helperPath_;
    int timeoutMs_ = 10 * 60 * 1000;
    QProcess *process_ = nullptr;
    QTimer *timer_ = nullptr;
};

} // namespace orb
