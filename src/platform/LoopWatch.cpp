#include "platform/LoopWatch.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>

namespace orb {

LoopWatch::LoopWatch(int fd, Wait wait) : fd_(fd), wait_(wait) {}

LoopWatch::~LoopWatch()
{
    QSocketNotifier *n = notifier_.load(std::memory_order_acquire);
    if (!n)
        return;
    if (n->thread() == QThread::currentThread()) {
        stopOnLoopThread();
        return;
    }
    // Gone before the loop's thread: the notifier is deleted there, and nothing it does may
    // reach this object any more.
    QObject::disconnect(threadEnd_);
    QObject::disconnect(n, nullptr, nullptr, nullptr);
    n->deleteLater();
}

LoopWatch::State LoopWatch::check()
{
    if (fd_ < 0)
        return State::Unwatched;
    QThread *here = QThread::currentThread();
    QSocketNotifier *n = notifier_.load(std::memory_order_relaxed);
    if (!n) {
        // Seen by a watch that ended before a pass took it in.
        if (ready_.exchange(false, std::memory_order_acq_rel))
            return State::Ready;
        const QCoreApplication *app = QCoreApplication::instance();
        if (app && here != app->thread() && here->loopLevel() > 0)
            start();
        return State::Unwatched;
    }
    if (n->thread() != here)
        return State::Unwatched;
    if (!ready_.exchange(false, std::memory_order_acq_rel))
        return State::Quiet;
    n->setEnabled(true);
    return State::Ready;
}

void LoopWatch::start()
{
    auto *n = new QSocketNotifier(fd_, wait_ == Wait::Readable ? QSocketNotifier::Read : QSocketNotifier::Exception);
    QObject::connect(n, &QSocketNotifier::activated, n, [this, n] {
        // Off until a pass takes it in: a descriptor left readable would wake the loop again
        // and again meanwhile.
        n->setEnabled(false);
        ready_.store(true, std::memory_order_release);
    });
    threadEnd_ = QObject::connect(QThread::currentThread(), &QThread::finished, n, [this] { stopOnLoopThread(); },
                                  Qt::DirectConnection);
    notifier_.store(n, std::memory_order_release);
}

void LoopWatch::stopOnLoopThread()
{
    QObject::disconnect(threadEnd_);
    delete notifier_.exchange(nullptr, std::memory_order_acq_rel);
}

} // namespace orb
