#pragma once
#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace orb {

// Unmounts volumes through udisks2 (Filesystem.Unmount; polkit asks the user for a password
// when needed). Asynchronous: the answer arrives as finished(), on the thread that asked.
class VolumeUnmounter : public QObject {
    Q_OBJECT
public:
    // polkit may wait for the user to type a password.
    static constexpr int kTimeoutMs = 3 * 60 * 1000;

    explicit VolumeUnmounter(const QDBusConnection &bus, QObject *parent = nullptr, int timeoutMs = kTimeoutMs);

    // Asks udisks2 to unmount the file system at `objectPath` (shown at `mountPath`).
    void unmount(const QString &objectPath, const QString &mountPath);

Q_SIGNALS:
    // `message` is the daemon's own text on failure (plain text), empty on success.
    void finished(const QString &mountPath, bool ok, const QString &errorName, const QString &message);

private:
    QDBusConnection bus_;
    int timeoutMs_;
};

} // namespace orb
