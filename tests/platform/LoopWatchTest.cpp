#include "platform/LoopWatch.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <arpa/inet.h>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace orb;

namespace {

using State = LoopWatch::State;

// Runs `script` inside the event loop of a thread of its own, the way the collection pass
// runs, and ends the thread after it. What the script notes is handed over under a
// std::mutex: QThread's own hand-shakes are invisible to ThreadSanitizer.
class LoopThread : public QThread {
public:
    explicit LoopThread(std::function<void(LoopThread &)> script) : script_(std::move(script)) {}
    void note(const std::string &what)
    {
        const std::lock_guard lock(mutex_);
        notes_.push_back(what);
    }
    std::vector<std::string> notes()
    {
        const std::lock_guard lock(mutex_);
        return notes_;
    }

protected:
    void run() override
    {
        QTimer::singleShot(0, [this] {
            script_(*this);
            quit();
        });
        exec();
    }

private:
    std::function<void(LoopThread &)> script_;
    std::mutex mutex_;
    std::vector<std::string> notes_;
};

const char *name(State s)
{
    switch (s) {
    case State::Unwatched: return "unwatched";
    case State::Quiet: return "quiet";
    case State::Ready: return "ready";
    }
    return "?";
}

// Lets the thread's loop run until `watch` reports Ready (or two seconds pass) and notes
// what the passes in between saw: "quiet" as often as they saw it, then the last state.
std::string passesUntilReady(LoopWatch &watch)
{
    std::string seen;
    const QDeadlineTimer deadline(2000);
    State s = State::Quiet;
    while ((s = watch.check()) == State::Quiet && !deadline.hasExpired()) {
        if (seen.empty())
            seen = "quiet ";
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return seen + name(s);
}

// The loop has had its chance to poll everything it watches.
void letTheLoopRun()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

TEST(LoopWatch, DataToReadIsSeenByTheLoopAndTheWatchResumesOnceTakenIn)
{
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC), 0);
    const int reader = pipeFds[0], writer = pipeFds[1];
    LoopWatch watch(reader, LoopWatch::Wait::Readable);
    // Outside a thread's loop: never watched.
    EXPECT_EQ(watch.check(), State::Unwatched);

    LoopThread thread([&](LoopThread &t) {
        char buf[16];
        // The first pass checks for itself what came before the watch.
        t.note(name(watch.check()));
        letTheLoopRun();
        t.note(name(watch.check()));
        // Data: seen by the loop, told to the next pass.
        ASSERT_EQ(::write(writer, "a", 1), 1);
        t.note(passesUntilReady(watch));
        ASSERT_EQ(::read(reader, buf, sizeof buf), 1);
        letTheLoopRun();
        t.note(name(watch.check()));
        // Data the pass leaves unread is told again: nothing is lost.
        ASSERT_EQ(::write(writer, "bc", 2), 2);
        t.note(passesUntilReady(watch));
        t.note(passesUntilReady(watch));
        ASSERT_EQ(::read(reader, buf, sizeof buf), 2);
        letTheLoopRun();
        t.note(name(watch.check()));
        // The watch ends with the thread, with data waiting.
        ASSERT_EQ(::write(writer, "d", 1), 1);
        letTheLoopRun();
    });
    thread.start();
    ASSERT_TRUE(thread.wait(10000));
    const std::vector<std::string> expected = {"unwatched", "quiet", "quiet ready", "quiet",
                                               "quiet ready", "quiet ready", "quiet"};
    EXPECT_EQ(thread.notes(), expected);

    // What the ended watch saw is told to the next check, wherever it runs.
    EXPECT_EQ(watch.check(), State::Ready);
    EXPECT_EQ(watch.check(), State::Unwatched);
    ::close(reader);
    ::close(writer);
}

TEST(LoopWatch, AnUrgentConditionIsToldOnceWhenTheLoopSawIt)
{
    // Out-of-band data on a TCP connection raises POLLPRI, as a changed mount table does on
    // /proc/self/mountinfo.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(::listen(listener, 1), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len), 0);
    const int sender = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(::connect(sender, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    const int receiver = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    ASSERT_GE(receiver, 0);

    LoopWatch watch(receiver, LoopWatch::Wait::Urgent);
    LoopThread thread([&](LoopThread &t) {
        t.note(name(watch.check()));
        // Ordinary data is no urgent condition.
        ASSERT_EQ(::send(sender, "plain", 5, 0), 5);
        letTheLoopRun();
        t.note(name(watch.check()));
        ASSERT_EQ(::send(sender, "!", 1, MSG_OOB), 1);
        t.note(passesUntilReady(watch));
        char mark;
        ASSERT_EQ(::recv(receiver, &mark, 1, MSG_OOB), 1);
        letTheLoopRun();
        t.note(name(watch.check()));
    });
    thread.start();
    ASSERT_TRUE(thread.wait(10000));
    const std::vector<std::string> expected = {"unwatched", "quiet", "quiet ready", "quiet"};
    EXPECT_EQ(thread.notes(), expected);
    for (int fd : {receiver, sender, listener})
        ::close(fd);
}

TEST(LoopWatch, ADescriptorThatCannotBeWatchedIsLeftToItsOwner)
{
    LoopWatch watch(-1, LoopWatch::Wait::Readable);
    LoopThread thread([&](LoopThread &t) {
        t.note(name(watch.check()));
        t.note(name(watch.check()));
    });
    thread.start();
    ASSERT_TRUE(thread.wait(10000));
    EXPECT_EQ(thread.notes(), (std::vector<std::string>{"unwatched", "unwatched"}));
}
