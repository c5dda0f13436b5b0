#pragma once
#include <QObject>
#include <QtGlobal>

class QSocketNotifier;

namespace orb {

// A one-shot alarm that rings in the thread it lives in and that any thread may set.
// Setting it wakes nobody: the thread that sets it (the UI, as it finishes a pass) and the
// thread it rings in (the collector, which starts the next one) each sleep until there is
// work for them. On a machine whose caches a second of sleep empties, every wake of a
// thread costs more than the instructions it runs, so a pass wakes each thread once.
class PassClock : public QObject {
    Q_OBJECT
public:
    explicit PassClock(QObject *parent = nullptr);
    ~PassClock() override;
    PassClock(const PassClock &) = delete;
    PassClock &operator=(const PassClock &) = delete;

    // The monotonic clock the alarm is set by, in nanoseconds.
    static qint64 nowNs();
    // Rings once at `monotonicNs`, at once when that has passed; replaces any earlier
    // setting. Any thread.
    void setAlarm(qint64 monotonicNs);
    // Takes back a setting not rung yet. Any thread.
    void cancel();
    // Whether the alarm could be made; without one nothing ever rings.
    bool isValid() const { return fd_ >= 0; }

    // Starts listening; called in the thread the clock lives in, once it runs.
    void listen();

Q_SIGNALS:
    void rang();

private:
    void onReadable();

    int fd_ = -1;
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace orb
