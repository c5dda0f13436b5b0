#include "TestEnvironment.h"

#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orb::test {

struct ScopedHome::Saved {
    std::map<QByteArray, QByteArray> values;
    std::map<QByteArray, bool> present;
};

namespace {
const char *const kVariables[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"};
}

ScopedHome::ScopedHome() : saved_(std::make_unique<Saved>())
{
    for (const char *name : kVariables) {
        saved_->present[name] = qEnvironmentVariableIsSet(name);
        saved_->values[name] = qgetenv(name);
    }
    const QString root = dir_.path();
    qputenv("HOME", root.toUtf8());
    qputenv("XDG_CONFIG_HOME", (root + "/.config").toUtf8());
    qputenv("XDG_DATA_HOME", (root + "/.local/share").toUtf8());
    qputenv("XDG_CACHE_HOME", (root + "/.cache").toUtf8());
    qputenv("XDG_RUNTIME_DIR", (root + "/run").toUtf8());
    QDir().mkpath(root + "/run");
    QFile::setPermissions(root + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SettingsStore::resetSharedInstances();
}

ScopedHome::~ScopedHome()
{
    SettingsStore::resetSharedInstances();
    for (const char *name : kVariables) {
        if (saved_->present[name])
            qputenv(name, saved_->values[name]);
        else
            qunsetenv(name);
    }
}

QString ScopedHome::configDir() const { return dir_.path() + "/.config/Orbmeter9"; }
QString ScopedHome::dataDir() const { return dir_.path() + "/.local/share/Orbmeter9"; }

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

void spin(int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

QString fixturePath(const QString &relative) { return QStringLiteral(ORB_FIXTURES_DIR "/") + relative; }

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(contents);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeExecutable(const QString &path, const QByteArray &contents)
{
    writeFile(path, contents);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QString writeRecordingLauncher(const QString &dir, int exitCode)
{
    const QString path = dir + "/pkexec";
    writeExecutable(path, QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"%1/args\"\nexit %2\n")
                              .arg(dir)
                              .arg(exitCode)
                              .toUtf8());
    return path;
}

namespace {
std::mutex logMutex;
QStringList *logLines = nullptr;
QtMessageHandler previousHandler = nullptr;

void captureMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    {
        std::lock_guard lock(logMutex);
        if (logLines)
            logLines->append(QString::fromLatin1(context.category ? context.category : "") + QStringLiteral(": ")
                             + message);
    }
    if (previousHandler)
        previousHandler(type, context, message);
}
} // namespace

LogCapture::LogCapture()
{
    std::lock_guard lock(logMutex);
    logLines = new QStringList;
    previousHandler = qInstallMessageHandler(captureMessage);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previousHandler);
    std::lock_guard lock(logMutex);
    delete logLines;
    logLines = nullptr;
}

QStringList LogCapture::lines() const
{
    std::lock_guard lock(logMutex);
    return logLines ? *logLines : QStringList();
}

bool LogCapture::has(const QStringList &parts) const
{
    for (const QString &line : lines()) {
        bool all = true;
        for (const QString &part : parts)
            all = all && line.contains(part);
        if (all)
            return true;
    }
    return false;
}

FifoTrap::FifoTrap(const QString &path, int timeoutMs) : path_(QFile::encodeName(path))
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    created_ = ::mkfifo(path_.constData(), 0600) == 0;
    watchdog_ = std::thread([this, timeoutMs] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done_ && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // From here on, release any reader: opening for writing succeeds only while one waits.
        while (!done_) {
            const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0) {
                struct stat st{};
                if (::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode))
                    stalled_ = true;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    });
}

FifoTrap::~FifoTrap()
{
    done_ = true;
    watchdog_.join();
}

} // namespace orb::test
