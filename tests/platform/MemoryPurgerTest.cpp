#include "TestEnvironment.h"
#include "platform/linux/MemoryPurger.h"

#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

using namespace orb;

namespace {

std::optional<MemoryPurger::Result> runPurge(MemoryPurger &purger)
{
    std::optional<MemoryPurger::Result> result;
    QEventLoop loop;
    QObject::connect(&purger, &MemoryPurger::finished, &loop, [&](MemoryPurger::Result r) {
        result = r;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (!purger.purge())
        return std::nullopt;
    loop.exec();
    return result;
}

} // namespace

TEST(MemoryPurger, outcomeFollowsTheLauncherExitCode)
{
    const struct {
        int exitCode;
        MemoryPurger::Result result;
    } cases[] = {
        {0, MemoryPurger::Result::Purged},
        {126, MemoryPurger::Result::Cancelled}, // dialog dismissed
        {127, MemoryPurger::Result::Cancelled}, // not authorised
        {1, MemoryPurger::Result::HelperFailed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.exitCode);
        QTemporaryDir dir;
        MemoryPurger purger(test::writeRecordingLauncher(dir.path(), c.exitCode), "/usr/libexec/orbmeter/orbmeter-purge");
        EXPECT_EQ(runPurge(purger), c.result);
        EXPECT_FALSE(purger.isRunning());
        // The helper's path is the one and only argument.
        EXPECT_EQ(test::readFile(dir.path() + "/args"), "/usr/libexec/orbmeter/orbmeter-purge\n");
    }
}

TEST(MemoryPurger, missingLauncher)
{
    QTemporaryDir dir;
    MemoryPurger purger(dir.path() + "/no-such-pkexec", "/usr/libexec/orbmeter/orbmeter-purge");
    EXPECT_EQ(runPurge(purger), MemoryPurger::Result::LauncherMissing);
    EXPECT_FALSE(purger.isRunning());
}

TEST(MemoryPurger, relativeHelperIsRefused)
{
    QTemporaryDir dir;
    MemoryPurger purger(test::writeRecordingLauncher(dir.path(), 0), "orbmeter-purge");
    EXPECT_EQ(runPurge(purger), MemoryPurger::Result::HelperFailed);
    EXPECT_FALSE(QFile::exists(dir.path() + "/args")) << "the launcher must not have run";
}

TEST(MemoryPurger, oneRunAtATimeAndATimeout)
{
    QTemporaryDir dir;
    const QString slow = dir.path() + "/pkexec";
    test::writeFile(slow, "#!/bin/sh\nexec sleep 30\n");
    QFile::setPermissions(slow, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    MemoryPurger purger(slow, "/usr/libexec/orbmeter/orbmeter-purge");
    purger.setTimeout(300);

    std::optional<MemoryPurger::Result> result;
    int signals = 0;
    QEventLoop loop;
    QObject::connect(&purger, &MemoryPurger::finished, &loop, [&](MemoryPurger::Result r) {
        result = r;
        ++signals;
        QTimer::singleShot(200, &loop, &QEventLoop::quit); // catch a second signal, if any
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    ASSERT_TRUE(purger.purge());
    EXPECT_TRUE(purger.isRunning());
    EXPECT_FALSE(purger.purge());
    loop.exec();
    EXPECT_EQ(result, MemoryPurger::Result::HelperFailed);
    EXPECT_EQ(signals, 1);
    EXPECT_FALSE(purger.isRunning());
}

TEST(MemoryPurger, theHelperIsFoundBesideTheProgramWhereverItWasInstalled)
{
    // An install to a prefix the build was not configured for.
    QTemporaryDir prefix;
    const QString bin = prefix.path() + "/bin";
    const QString helper = prefix.path() + "/libexec/orbmeter/orbmeter-purge";
    QDir().mkpath(bin);
    const QString configured = MemoryPurger::helperPathFor(QString());
    EXPECT_TRUE(QDir::isAbsolutePath(configured));
    EXPECT_TRUE(configured.endsWith("/orbmeter/orbmeter-purge"));

    EXPECT_EQ(MemoryPurger::helperPathFor(bin), configured); // nothing installed there yet
    test::writeFile(helper, "#!/bin/sh\n");
    EXPECT_EQ(MemoryPurger::helperPathFor(bin), configured); // not executable
    test::writeExecutable(helper, "#!/bin/sh\n");
    EXPECT_EQ(MemoryPurger::helperPathFor(bin), helper);
    EXPECT_EQ(MemoryPurger::helperPathFor(bin + "/"), helper);
}

TEST(MemoryPurger, helperTakesNoArguments)
{
    // Only the refusal is tried here: a run without arguments would purge this machine.
    QProcess helper;
    helper.start(QStringLiteral(ORB_PURGE_HELPER_BINARY), {QStringLiteral("--anything")});
    ASSERT_TRUE(helper.waitForFinished(10000));
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(helper.exitCode(), 2);
    EXPECT_TRUE(helper.readAllStandardError().contains("takes no arguments"));
}
