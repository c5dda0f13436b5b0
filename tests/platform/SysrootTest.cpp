#include "TestEnvironment.h"
#include "platform/Sysroot.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace orb;

namespace {

// A copy of a fixture tree with some of its files replaced by FIFOs.
class TreeWithFifos {
public:
    TreeWithFifos(const QString &fixture, const QStringList &fifos)
    {
        QProcess::execute(QStringLiteral("cp"), {"-r", test::fixturePath(fixture) + "/.", dir_.path()});
        for (const QString &file : fifos) {
            QFile::remove(dir_.path() + file);
            traps_.push_back(std::make_unique<test::FifoTrap>(dir_.path() + file, 20000));
        }
    }
    QString root() const { return dir_.path(); }
    bool created() const
    {
        for (const auto &t : traps_)
            if (!t->created())
                return false;
        return !traps_.empty();
    }
    bool stalled() const
    {
        for (const auto &t : traps_)
            if (t->stalled())
                return true;
        return false;
    }

private:
    QTemporaryDir dir_;
    std::vector<std::unique_ptr<test::FifoTrap>> traps_;
};

TEST(Sysroot, AFifoInPlaceOfAProcFileIsUnreadableNotAHang)
{
    TreeWithFifos tree("cpu-2core-a", {"/proc/stat", "/proc/meminfo"});
    ASSERT_TRUE(tree.created());
    const Sysroot root(tree.root().toStdString());
    std::string out = "stale";
    for (const char *file : {"/proc/stat", "/proc/meminfo"}) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(root.readFile(file, out));
        EXPECT_TRUE(out.empty());
        EXPECT_FALSE(root.readLine(file));
    }
    // The files beside them still read.
    EXPECT_TRUE(root.readFile("/proc/loadavg", out));
    EXPECT_FALSE(out.empty());
    EXPECT_FALSE(tree.stalled());
}

TEST(Sysroot, SamplingATreeWithFifosFinishes)
{
    test::ScopedHome home;
    TreeWithFifos tree("cpu-2core-a", {"/proc/stat", "/proc/meminfo"});
    ASSERT_TRUE(tree.created());
    QProcess p;
    p.start(QStringLiteral(ORB_BINARY), {"sample", "--sysroot", tree.root()});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_FALSE(tree.stalled());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(QJsonDocument::fromJson(p.readAllStandardOutput()).isObject());
}

} // namespace
