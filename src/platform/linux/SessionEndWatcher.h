#pragma once
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace orb {

// Tells the application when the session or the machine is ending: SIGTERM, SIGINT and
// SIGHUP (turned into an event on the main loop), and logind's PrepareForShutdown, ahead of
// which a delay inhibitor is held so the settings can be saved before power-off.
class SessionEndWatcher : public QObject {
    Q_OBJECT
public:
    explicit SessionEndWatcher(const QDBusConnection &systemBus = QDBusConnection::systemBus(),
                               QObject *parent = nullptr);
    ~SessionEndWatcher() override;

    // Lets the shutdown go on (call once everything is saved).
    void releaseInhibitor();
    bool holdsInhibitor() const { return inhibitor_.isValid(); }

Q_SIGNALS:
    void endRequested(const QString &reason);

private Q_SLOTS:
    void onPrepareForShutdown(bool starting);

private:
    void takeInhibitor();
    void onSignalByte();

    QDBusConnection bus_;
    QDBusUnixFileDescriptor inhibitor_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace orb
