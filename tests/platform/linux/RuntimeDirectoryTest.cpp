#include "TestEnvironment.h"

#include "platform/linux/RuntimeDirectory.h"
#include "platform/linux/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orb;

namespace {

// Sets (or, given nothing, unsets) an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const QByteArray &value, bool set = true)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        if (set)
            qputenv(name, value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

mode_t modeOf(const QString &path)
{
    struct stat st{};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(RuntimeDirectory, OnlyADirectoryNoOneElseCanWriteIsUsed)
{
    struct Case {
        const char *name;
        std::function<void(const QString &)> make;
        bool accepted;
    };
    auto mkdirMode = [](mode_t mode) {
        return [mode](const QString &dir) {
            QDir().mkpath(dir);
            ::chmod(QFile::encodeName(dir).constData(), mode);
        };
    };
    std::vector<Case> cases{
        {"missing", [](const QString &) {}, true},
        {"private", mkdirMode(0700), true},
        {"readable by others", mkdirMode(0755), true},
        {"writable by everyone", mkdirMode(0777), false},
        {"writable by the group", mkdirMode(0770), false},
        {"a link to a private directory",
         [](const QString &dir) {
             QDir().mkpath(dir + ".real");
             ::chmod(QFile::encodeName(dir + ".real").constData(), 0700);
             QFile::link(dir + ".real", dir);
         },
         false},
        {"a file", [](const QString &dir) { test::writeFile(dir, "x"); }, false},
    };
    if (::geteuid() == 0) { // only root can give a directory to someone else
        cases.push_back({"another user's",
                         [](const QString &dir) {
                             QDir().mkpath(dir);
                             ::chmod(QFile::encodeName(dir).constData(), 0700);
                             (void)::chown(QFile::encodeName(dir).constData(), 65534, 65534);
                         },
                         false});
    }
    QTemporaryDir base;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString dir = base.path() + "/" + QString::fromLatin1(c.name).replace(' ', '-');
        c.make(dir);
        QString why;
        EXPECT_EQ(RuntimeDirectory::ensurePrivate(dir, &why), c.accepted) << why.toStdString();
        EXPECT_EQ(why.isEmpty(), c.accepted);
        if (c.accepted) {
            EXPECT_EQ(modeOf(dir), mode_t(0700));
        }
    }
}

// Without XDG_RUNTIME_DIR, and with Qt's own fallback unusable, the lock used to live in a
// directory shared by every user of the machine.
TEST(RuntimeDirectory, AnotherUsersLockDoesNotKeepTheMonitorFromStarting)
{
    test::ScopedHome home;
    QTemporaryDir tmp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", {}, false);
    ScopedEnv tmpdir("TMPDIR", QFile::encodeName(tmp.path()));
    // Qt refuses a runtime directory that is not a directory.
    const passwd *user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    test::writeFile(tmp.path() + "/runtime-" + QString::fromLocal8Bit(user->pw_name), "x");
    // Someone else holds the lock where everyone used to share it.
    QDir().mkpath(tmp.path() + "/orbmeter");
    ::chmod(QFile::encodeName(tmp.path() + "/orbmeter").constData(), 0777);
    const int other = ::open(QFile::encodeName(tmp.path() + "/orbmeter/orbmeter.lock").constData(),
                             O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_GE(other, 0);
    ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);

    const QString dir = tmp.path() + "/orbmeter-" + QString::number(::geteuid());
    EXPECT_EQ(RuntimeDirectory::path(), dir);
    EXPECT_EQ(SingleInstance::defaultLockPath(), dir + "/orbmeter.lock");
    EXPECT_EQ(modeOf(dir), mode_t(0700));
    EXPECT_TRUE(SingleInstance::tryAcquire());
    SingleInstance::release();

    // With that directory taken over too, the monitor runs unchecked and says so.
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    ::chmod(QFile::encodeName(dir).constData(), 0777);
    test::LogCapture log;
    EXPECT_TRUE(RuntimeDirectory::path().isEmpty());
    EXPECT_TRUE(SingleInstance::tryAcquire());
    EXPECT_TRUE(log.has({"without the single-instance check"}));
    EXPECT_TRUE(log.has({dir, "others can write"}));
    ::close(other);
}

} // namespace
