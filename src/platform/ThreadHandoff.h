#pragma once
#include <QMetaMethod>
#include <QMetaObject>
#include <QObject>

#include <mutex>
#include <optional>
#include <utility>

namespace orb {

// One value on its way from one thread to another, under a std::mutex. Qt's own queues
// synchronise through locks ThreadSanitizer cannot see (Qt is not built with it), so data
// goes through here and the queued call that announces it carries none.
template <typename T>
class ThreadHandoff {
public:
    // Replaces a value not taken yet.
    void put(T value)
    {
        std::lock_guard lock(mutex_);
        value_ = std::move(value);
    }
    std::optional<T> take()
    {
        std::optional<T> out;
        std::lock_guard lock(mutex_);
        out.swap(value_);
        return out;
    }

private:
    std::mutex mutex_;
    std::optional<T> value_;
};

// Queues a call of the slot at `slotIndex` of `meta`, `receiver`'s class (`indexOfSlot`,
// looked up once by the caller). By meta-method, Qt builds and frees the call itself; a call
// through a member pointer or a lambda is built in this program and freed on the other
// thread, a hand-over ThreadSanitizer would report. The class is named rather than asked of
// `receiver`, whose destructor may be running on its own thread once the value is taken.
// Should `receiver` be deleted first, the call goes with it.
inline void queueSlotCall(QObject *receiver, const QMetaObject &meta, int slotIndex)
{
    meta.method(slotIndex).invoke(receiver, Qt::QueuedConnection);
}

} // namespace orb
