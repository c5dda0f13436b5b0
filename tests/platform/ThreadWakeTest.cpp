#include "platform/ThreadWake.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <semaphore>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

using namespace orb;

namespace {

// Wakes from other threads reach the owner's loop on the owner's thread; the ones made
// before the loop looks fold into one, and a later wake is delivered again.
TEST(ThreadWakeTest, WakesFromOtherThreadsRunOnTheOwnersLoopFoldedTogether)
{
    ThreadWake wake;
    std::atomic<int> woken{0};
    std::atomic<bool> onOwner{true};
    QThread *owner = QThread::currentThread();
    QObject::connect(&wake, &ThreadWake::woken, &wake, [&] {
        onOwner = onOwner && QThread::currentThread() == owner;
        ++woken;
    });

    std::thread waker([&] {
        for (int i = 0; i < 3; ++i)
            wake.wake();
    });
    waker.join();
    QSignalSpy spy(&wake, &ThreadWake::woken);
    ASSERT_TRUE(spy.wait(5000));
    // The loop had every chance to deliver more; nothing else is pending.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(woken.load(), 1);

    std::thread([&] { wake.wake(); }).join();
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(woken.load(), 2);
    EXPECT_TRUE(onOwner.load());
}

// A thread whose loop owns a wake-up made there, as the collection thread does. Everything
// the two sides share goes through the start of the thread, atomics or the semaphore:
// ThreadSanitizer cannot see Qt's own hand-shakes.
class WakeThread : public QThread {
public:
    explicit WakeThread(ThreadWake &back) : back_(back) {}
    // Set before the loop runs and left as it is when the thread ends (the main thread cannot
    // see that end); wakes from any thread reach it while the loop runs.
    std::binary_semaphore made{0};
    std::atomic<ThreadWake *> wake{nullptr};
    std::atomic<int> wokenHere{0};

protected:
    void run() override
    {
        ThreadWake own;
        QObject::connect(&own, &ThreadWake::woken, &own, [this] {
            if (QThread::currentThread() == this)
                ++wokenHere;
            back_.wake();
        });
        wake = &own;
        made.release();
        exec();
    }

private:
    ThreadWake &back_;
};

// A wake-up made on a worker thread runs there, and one made on the main thread answers it:
// a round trip per pass, many times over.
TEST(ThreadWakeTest, RoundTripsBetweenTheMainThreadAndAWorker)
{
    ThreadWake back;
    WakeThread worker(back);
    worker.start();
    worker.made.acquire();

    constexpr int kTrips = 200;
    int trips = 0;
    QEventLoop loop;
    QObject::connect(&back, &ThreadWake::woken, &loop, [&] {
        if (++trips == kTrips)
            loop.quit();
        else
            worker.wake.load()->wake();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    worker.wake.load()->wake();
    loop.exec();
    EXPECT_EQ(trips, kTrips);
    EXPECT_EQ(worker.wokenHere.load(), kTrips);
    worker.quit();
    worker.wait();
}

// A wake still pending when its receiver goes away is dropped with it.
TEST(ThreadWakeTest, APendingWakeGoesWithItsReceiver)
{
    int woken = 0;
    {
        ThreadWake wake;
        QObject::connect(&wake, &ThreadWake::woken, [&] { ++woken; });
        std::thread([&] { wake.wake(); }).join();
    }
    ThreadWake other;
    QSignalSpy spy(&other, &ThreadWake::woken);
    other.wake();
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(woken, 0);
}

// A process out of descriptors still gets its wakes, through queued calls.
TEST(ThreadWakeTest, WithoutADescriptorToSpareWakesStillArrive)
{
    // Descriptors are handed out lowest first: with the limit at the lowest free one, the
    // next open fails.
    const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    auto wake = std::make_unique<ThreadWake>();
    const int probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_LT(probe, 0) << "the limit did not hold; the test proves nothing";

    QSignalSpy spy(wake.get(), &ThreadWake::woken);
    std::thread([&] { wake->wake(); }).join();
    ASSERT_TRUE(spy.wait(5000));
    EXPECT_EQ(spy.count(), 1);
}

} // namespace
