#include "TestEnvironment.h"

#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <map>

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

} // namespace orb::test
