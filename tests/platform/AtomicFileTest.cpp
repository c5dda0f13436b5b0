#include "TestEnvironment.h"
#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

using namespace orb;

namespace {

TEST(AtomicFile, AFailedWriteLogsItsOwnErrorAndLeavesNothingBehind)
{
    QTemporaryDir dir;
    // Renaming a file over a directory fails with EISDIR; the message must say so, not
    // whatever a later call left in errno.
    const QString target = dir.path() + "/settings.plist";
    QDir().mkpath(target + "/inside");
    test::LogCapture log;
    EXPECT_FALSE(AtomicFile::write(target, "<plist/>"));
    EXPECT_TRUE(log.has({target, QString::fromLocal8Bit(std::strerror(EISDIR))})) << log.lines().join('\n').toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"settings.plist"});
    EXPECT_TRUE(QFileInfo(target).isDir());
}

TEST(AtomicFile, ReadsOnlyRegularFilesAndNeverWaits)
{
    QTemporaryDir dir;
    const QString regular = dir.path() + "/regular";
    const QString big = dir.path() + "/big";
    test::writeFile(regular, "contents");
    test::writeFile(big, QByteArray(2000, 'x'));
    QDir().mkpath(dir.path() + "/directory");
    test::FifoTrap fifo(dir.path() + "/fifo");
    ASSERT_TRUE(fifo.created());
    using Status = AtomicFile::ReadResult::Status;
    const struct {
        QString path;
        Status status;
        QByteArray bytes;
    } cases[] = {
        {regular, Status::Ok, "contents"},
        {dir.path() + "/missing", Status::Missing, {}},
        {dir.path() + "/directory", Status::NotRegularFile, {}},
        {dir.path() + "/fifo", Status::NotRegularFile, {}},
        {"/dev/zero", Status::NotRegularFile, {}},
        {big, Status::TooLarge, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const auto r = AtomicFile::read(c.path, 1000);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.bytes, c.bytes);
        EXPECT_EQ(r.ok(), c.status == Status::Ok);
    }
    EXPECT_FALSE(fifo.stalled());
    EXPECT_EQ(AtomicFile::read(big, 2000).bytes.size(), 2000);
}

TEST(AtomicFile, OnlyOldTemporariesOfTheSameFileAreRemoved)
{
    QTemporaryDir dir;
    const QString target = dir.path() + "/a.plist";
    const struct {
        const char *name;
        int ageSeconds;
        bool removed;
    } cases[] = {
        {".a.plist.Xy12Z9", 600, true},
        {".a.plist.Xy12Z8", 5, false},     // may be a write under way
        {".a.plist.lock", 600, false},     // not six characters of mkstemp
        {".b.plist.Xy12Z9", 600, false},   // another file's
        {"a.plist", 600, false},
    };
    for (const auto &c : cases) {
        const QString path = dir.path() + "/" + c.name;
        test::writeFile(path, "x");
        const time_t when = QDateTime::currentSecsSinceEpoch() - c.ageSeconds;
        const utimbuf times{when, when};
        ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0);
    }
    EXPECT_EQ(AtomicFile::removeStaleTemporaries(target, 60), 1);
    for (const auto &c : cases)
        EXPECT_EQ(QFileInfo::exists(dir.path() + "/" + c.name), !c.removed) << c.name;
}

} // namespace
