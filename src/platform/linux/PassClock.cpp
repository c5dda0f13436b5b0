#include "platform/linux/PassClock.h"

#include "platform/Logging.h"

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <sys/timerfd.h>
#include <unistd.h>

namespace orb {

PassClock::PassClock(QObject *parent) : QObject(parent)
{
    fd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd_ < 0)
        qCWarning(lcPlatform, "cannot make the refresh alarm (%s); no timed refresh", std::strerror(errno));
}

PassClock::~PassClock()
{
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

qint64 PassClock::nowNs()
{
    timespec t{};
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void PassClock::setAlarm(qint64 monotonicNs)
{
    if (fd_ < 0)
        return;
    // An absolute time of 0 would disarm the alarm; the earliest time there is rings at once.
    const qint64 at = std::max<qint64>(monotonicNs, 1);
    itimerspec spec{};
    spec.it_value.tv_sec = time_t(at / 1'000'000'000);
    spec.it_value.tv_nsec = long(at % 1'000'000'000);
    if (::timerfd_settime(fd_, TFD_TIMER_ABSTIME, &spec, nullptr) != 0)
        qCWarning(lcPlatform, "cannot set the refresh alarm (%s)", std::strerror(errno));
}

void PassClock::cancel()
{
    if (fd_ < 0)
        return;
    const itimerspec off{};
    ::timerfd_settime(fd_, 0, &off, nullptr);
    // A ring already due but not yet read is dropped with the setting.
    std::uint64_t expirations = 0;
    [[maybe_unused]] const ssize_t n = ::read(fd_, &expirations, sizeof expirations);
}

void PassClock::listen()
{
    if (fd_ < 0 || notifier_)
        return;
    notifier_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &PassClock::onReadable);
}

void PassClock::onReadable()
{
    std::uint64_t expirations = 0;
    // Nothing to read: the alarm was taken back or set anew after it rang.
    if (::read(fd_, &expirations, sizeof expirations) != ssize_t(sizeof expirations) || expirations == 0)
        return;
    Q_EMIT rang();
}

} // namespace orb
