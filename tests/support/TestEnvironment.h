#pragma once
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace orb::test {

// Gives a test its own HOME and XDG directories, restored when it ends.
class ScopedHome {
public:
    ScopedHome();
    ~ScopedHome();
    QString home() const { return dir_.path(); }
    QString configDir() const; // $XDG_CONFIG_HOME/Orbmeter9
    QString dataDir() const;   // $XDG_DATA_HOME/Orbmeter9

private:
    QTemporaryDir dir_;
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

// Runs the event loop until `done` holds; false when `timeoutMs` passed first.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 10000);
// Runs the event loop for `ms` milliseconds.
void spin(int ms);

// Absolute path of a fixture under tests/fixtures.
QString fixturePath(const QString &relative);

// Writes `contents` to `path`, creating directories.
void writeFile(const QString &path, const QByteArray &contents);
QByteArray readFile(const QString &path);
// Writes an executable file (owner read/write/execute).
void writeExecutable(const QString &path, const QByteArray &contents);
// A stand-in for pkexec in `dir` that records its arguments in <dir>/args and exits with
// `exitCode`; returns its path.
QString writeRecordingLauncher(const QString &dir, int exitCode);

// Collects every log line written while it lives (any category, any thread).
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture &) = delete;
    LogCapture &operator=(const LogCapture &) = delete;
    QStringList lines() const;
    // True when some line contains every one of `parts`.
    bool has(const QStringList &parts) const;
};

// A FIFO at `path` that code under test must not wait on. Should a reader stall on it,
// after `timeoutMs` a writer opens and closes it so the reader gets end-of-file and the
// test goes on; `stalled()` then reports it.
class FifoTrap {
public:
    explicit FifoTrap(const QString &path, int timeoutMs = 5000);
    ~FifoTrap();
    FifoTrap(const FifoTrap &) = delete;
    FifoTrap &operator=(const FifoTrap &) = delete;
    bool created() const { return created_; }
    bool stalled() const { return stalled_; }

private:
    QByteArray path_;
    bool created_ = false;
    std::atomic<bool> done_{false};
    std::atomic<bool> stalled_{false};
    std::thread watchdog_;
};

} // namespace orb::test
