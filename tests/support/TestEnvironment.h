#pragma once
#include <QString>
#include <QTemporaryDir>
#include <memory>

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

} // namespace orb::test
