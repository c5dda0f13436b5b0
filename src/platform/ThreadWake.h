#pragma once
#include <QObject>

class QSocketNotifier;

namespace orb {

// Wakes a thread's event loop to run woken() there, from any thread, without building and
// freeing a call event for each wake: the waking side adds to an eventfd, which a socket
// notifier on the woken side's loop watches. Wakes that arrive before the loop gets to them
// fold into one woken(). The wake carries no data; what it announces goes through a
// ThreadHandoff.
class ThreadWake final : public QObject {
    Q_OBJECT
public:
    // Made on the thread to be woken, whose loop then delivers woken().
    explicit ThreadWake(QObject *parent = nullptr);
    ~ThreadWake() override;

    // Any thread.
    void wake();

Q_SIGNALS:
    void woken();

private Q_SLOTS:
    // Without an eventfd (none left to the process) a wake is a queued call of this.
    void wokenWithoutDescriptor();

private:
    void takeWakes();

    int fd_ = -1;
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace orb
