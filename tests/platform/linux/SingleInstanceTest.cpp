#include "TestEnvironment.h"

#include "platform/linux/SingleInstance.h"

#include <QCoreApplication>
#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

using namespace orb;

namespace {

// Another monitor, as far as the lock can tell: a separate open of the file holding the flock.
class OtherInstance {
public:
    explicit OtherInstance(const QString &path)
    {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        holds_ = fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
        if (holds_)
            (void)::pwrite(fd_, "4242\n", 5, 0);
    }
    ~OtherInstance()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool holds() const { return holds_; }

private:
    int fd_ = -1;
    bool holds_ = false;
};

TEST(SingleInstanceTest, TheFirstMonitorHoldsTheLockUntilItLetsGo)
{
    test::ScopedHome home;
    const QString path = SingleInstance::defaultLockPath();
    EXPECT_EQ(path, home.home() + QStringLiteral("/run/orbmeter/orbmeter.lock"));
    ASSERT_TRUE(SingleInstance::tryAcquire());
    EXPECT_TRUE(SingleInstance::tryAcquire()); // asking again in the same process is fine
    EXPECT_EQ(SingleInstance::ownerPid(path), QCoreApplication::applicationPid());
    {
        OtherInstance second(path);
        EXPECT_FALSE(second.holds());
    }
    SingleInstance::release();
    OtherInstance after(path);
    EXPECT_TRUE(after.holds());
}

TEST(SingleInstanceTest, ASecondMonitorIsTurnedAwayAndLearnsWhoRuns)
{
    test::ScopedHome home;
    const QString path = SingleInstance::defaultLockPath();
    {
        test::writeFile(path, "");
        OtherInstance first(path);
        ASSERT_TRUE(first.holds());
        EXPECT_FALSE(SingleInstance::tryAcquire());
        EXPECT_EQ(SingleInstance::ownerPid(path), 4242);
    }
    // The other one ended (its lock went with it): we may run, and the stale pid is replaced.
    EXPECT_TRUE(SingleInstance::tryAcquire());
    EXPECT_EQ(SingleInstance::ownerPid(path), QCoreApplication::applicationPid());
    SingleInstance::release();
}

} // namespace
