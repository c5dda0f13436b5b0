#include "TestEnvironment.h"
#include "platform/linux/NvmeHealthReader.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

using namespace orb;

namespace {

const char *kHelper = "/usr/libexec/orbmeter/orbmeter-nvme-health";

struct Outcome {
    NvmeHealthReader::Result result;
    QHash<QString, NvmeHealthLog> logs;
};

std::optional<Outcome> runRead(NvmeHealthReader &reader)
{
    std::optional<Outcome> outcome;
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    const bool started = reader.read([&](NvmeHealthReader::Result r, const QHash<QString, NvmeHealthLog> &logs) {
        outcome = Outcome{r, logs};
        loop.quit();
    });
    if (!started)
        return std::nullopt;
    loop.exec();
    return outcome;
}

// A stand-in for pkexec that records its arguments, runs `body` and exits with `code`.
QString launcher(const QString &dir, const QByteArray &body, int code)
{
    const QString path = dir + "/pkexec";
    test::writeExecutable(path, "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir.toUtf8() + "/args'\n" + body + "\nexit "
                                    + QByteArray::number(code) + "\n");
    return path;
}

} // namespace

TEST(NvmeHealthReader, outcomeOfTheLauncher)
{
    QByteArray page(512, '\0');
    page[1] = char(0x36); // 310 K
    page[2] = char(0x01);
    const QByteArray line = "nvme0 " + page.toHex();
    const struct {
        const char *name;
        QByteArray body;
        int code;
        NvmeHealthReader::Result result;
        int logs;
    } cases[] = {
        {"read", "echo '" + line + "'", 0, NvmeHealthReader::Result::Read, 1},
        {"no NVMe controller", "", 0, NvmeHealthReader::Result::Read, 0},
        {"dialog dismissed", "", 126, NvmeHealthReader::Result::Refused, 0},
        {"not authorised", "", 127, NvmeHealthReader::Result::Refused, 0},
        {"helper failed", "echo '" + line + "'", 1, NvmeHealthReader::Result::HelperFailed, 0},
        {"endless output", "yes nvme0", 0, NvmeHealthReader::Result::HelperFailed, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        NvmeHealthReader reader(launcher(dir.path(), c.body, c.code), kHelper);
        const auto outcome = runRead(reader);
        ASSERT_TRUE(outcome);
        EXPECT_EQ(outcome->result, c.result);
        EXPECT_EQ(outcome->logs.size(), c.logs);
        if (c.logs) {
            EXPECT_EQ(outcome->logs.value("nvme0").temperatureK, 310);
        }
        EXPECT_FALSE(reader.isRunning());
        EXPECT_EQ(test::readFile(dir.path() + "/args"), QByteArray(kHelper) + "\n") << "the helper is the only argument";
    }
}

TEST(NvmeHealthReader, missingLauncherRelativeHelperAndTimeout)
{
    QTemporaryDir dir;
    NvmeHealthReader missing(dir.path() + "/no-such-pkexec", kHelper);
    EXPECT_EQ(runRead(missing)->result, NvmeHealthReader::Result::LauncherMissing);

    NvmeHealthReader relative(launcher(dir.path(), "", 0), "orbmeter-nvme-health");
    EXPECT_EQ(runRead(relative)->result, NvmeHealthReader::Result::HelperFailed);
    EXPECT_FALSE(QFile::exists(dir.path() + "/args")) << "the launcher must not have run";
    EXPECT_FALSE(relative.helperInstalled());

    NvmeHealthReader slow(launcher(dir.path(), "exec sleep 30", 0), kHelper);
    slow.setTimeout(300);
    bool second = true;
    std::optional<Outcome> outcome;
    QEventLoop loop;
    slow.read([&](NvmeHealthReader::Result r, const QHash<QString, NvmeHealthLog> &l) {
        outcome = Outcome{r, l};
        loop.quit();
    });
    second = slow.read([](NvmeHealthReader::Result, const QHash<QString, NvmeHealthLog> &) {});
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_FALSE(second) << "one reading at a time";
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->result, NvmeHealthReader::Result::HelperFailed);
}
