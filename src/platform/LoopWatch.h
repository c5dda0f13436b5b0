#pragma once
#include <QMetaObject>

#include <atomic>

class QSocketNotifier;

namespace orb {

// Lets the collection pass learn from its thread's event loop whether a descriptor became
// ready since the last pass, instead of asking the kernel every second. The loop polls the
// descriptor between passes anyway, so a quiet descriptor then costs the pass nothing.
//
// Only a pass that runs inside the event loop of a thread other than the main one (the
// collection thread) is watched for; anywhere else (the command line's passes, a test calling
// a sampler) the owner asks the kernel itself, as it would without a loop. The watch starts
// on the first watched pass, which checks for itself once for what came before, and it ends
// with the thread or with this object, whichever goes first.
class LoopWatch {
public:
    // What the descriptor is waited for: data to read, or an urgent condition (POLLPRI, as
    // /proc/self/mountinfo signals a changed mount table).
    enum class Wait { Readable, Urgent };
    // What a pass should do about the descriptor.
    enum class State {
        Unwatched, // ask the kernel, as without a loop
        Quiet,     // the loop saw nothing since the last pass
        Ready,     // the loop saw it ready; for Urgent, the condition was already taken in
    };

    // `fd` stays the owner's and must outlive the watch; a negative one is never watched.
    LoopWatch(int fd, Wait wait);
    ~LoopWatch();
    LoopWatch(const LoopWatch &) = delete;
    LoopWatch &operator=(const LoopWatch &) = delete;

    // Called by the pass. After Ready for data to read, the owner reads everything there is
    // before the pass ends: the watch then resumes.
    State check();

private:
    void start();
    void stopOnLoopThread();

    int fd_;
    Wait wait_;
    // Made, used and deleted on the collection thread; the owner's thread only looks at it
    // once that thread has ended.
    std::atomic<QSocketNotifier *> notifier_{nullptr};
    // Set by the loop, taken by the pass; kept when the watch ends before a pass took it.
    std::atomic<bool> ready_{false};
    QMetaObject::Connection threadEnd_;
};

} // namespace orb
