#include "platform/ThreadWake.h"

#include "platform/Logging.h"
#include "platform/ThreadHandoff.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

namespace orb {

ThreadWake::ThreadWake(QObject *parent) : QObject(parent)
{
    fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd_ < 0) {
        qCWarning(lcApp, "no eventfd for a thread wake-up (%s); waking through queued calls instead",
                  std::strerror(errno));
        return;
    }
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ThreadWake::takeWakes);
}

ThreadWake::~ThreadWake()
{
    // The notifier goes first, so the loop never polls a closed descriptor.
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

void ThreadWake::wake()
{
    if (fd_ < 0) {
        static const int slot = staticMetaObject.indexOfSlot("wokenWithoutDescriptor()");
        queueSlotCall(this, staticMetaObject, slot);
        return;
    }
    const std::uint64_t one = 1;
    // Only a counter at its maximum refuses the write, and that wake is already pending.
    while (::write(fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void ThreadWake::takeWakes()
{
    std::uint64_t count = 0;
    ssize_t n;
    while ((n = ::read(fd_, &count, sizeof count)) < 0 && errno == EINTR) {
    }
    // Nothing to read: the wakes were taken in by an earlier activation.
    if (n == sizeof count && count > 0)
        Q_EMIT woken();
}

void ThreadWake::wokenWithoutDescriptor() { Q_EMIT woken(); }

} // namespace orb
