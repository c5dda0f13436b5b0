#include "PlistSamples.h"
#include "TestEnvironment.h"
#include "settings/PlistCodec.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace orb;

namespace {

std::shared_ptr<SettingsStore> reopen()
{
    SettingsStore::resetSharedInstances();
    return SettingsStore::open();
}

} // namespace

TEST(SettingsStore, EveryTypeRoundTripsThroughTheFile)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    const QVariantList nested{QVariantMap{{"Name", "eth0"}, {"Speed", qint64(1000)}},
                              QVariantMap{{"Inner", QVariantList{qint64(1), 2.5, QString("x")}}}};
    s->setBool("B", true);
    s->setInteger("Negative", -42);
    s->setInteger("Large", std::numeric_limits<qint64>::max() - 1);
    s->setInteger("Smallest", std::numeric_limits<qint64>::min() + 1);
    s->setDouble("D", 0.1);
    s->setString("S", QString::fromUtf8("Grüße & <tags>"));
    s->setArray("Arr", nested);
    s->setDictionary("Dict", QVariantMap{{"k", false}});
    s->setData("Data", QByteArray("\x00\x01\xff", 3));
    ASSERT_TRUE(s->synchronize());
    EXPECT_EQ(s->filePath(), home.configDir() + "/org.orbmeter.Orbmeter9.plist");

    auto r = reopen();
    EXPECT_TRUE(r->boolForKey("B"));
    EXPECT_EQ(r->objectForKey("B").typeId(), QMetaType::Bool);
    EXPECT_EQ(r->integerForKey("Negative"), -42);
    EXPECT_EQ(r->integerForKey("Large"), std::numeric_limits<qint64>::max() - 1);
    EXPECT_EQ(r->integerForKey("Smallest"), std::numeric_limits<qint64>::min() + 1);
    EXPECT_DOUBLE_EQ(r->doubleForKey("D"), 0.1);
    EXPECT_EQ(r->objectForKey("D").typeId(), QMetaType::Double);
    EXPECT_EQ(r->stringForKey("S"), QString::fromUtf8("Grüße & <tags>"));
    EXPECT_EQ(r->arrayForKey("Arr"), nested);
    EXPECT_EQ(r->dictionaryForKey("Dict"), (QVariantMap{{"k", false}}));
    EXPECT_EQ(r->dataForKey("Data"), QByteArray("\x00\x01\xff", 3));
}

TEST(SettingsStore, AbsentAndMistypedValuesReadAsEmpty)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    s->setString("Text", "abc");
    EXPECT_FALSE(s->boolForKey("Missing"));
    EXPECT_EQ(s->integerForKey("Missing"), 0);
    EXPECT_EQ(s->doubleForKey("Missing"), 0.0);
    EXPECT_TRUE(s->stringForKey("Missing").isEmpty());
    EXPECT_TRUE(s->arrayForKey("Text").isEmpty());
    EXPECT_TRUE(s->dictionaryForKey("Text").isEmpty());
    EXPECT_EQ(s->integerForKey("Text"), 0);
    s->setDouble("Huge", 1e300);
    EXPECT_EQ(s->integerForKey("Huge"), std::numeric_limits<qint64>::max());
}

TEST(SettingsStore, RemoveAndSameInstancePerDomain)
{
    test::ScopedHome home;
    auto a = SettingsStore::open();
    auto b = SettingsStore::open();
    EXPECT_EQ(a.get(), b.get());
    EXPECT_NE(SettingsStore::open("other").get(), a.get());
    a->setInteger("K", 1);
    a->removeObjectForKey("K");
    a->synchronize();
    EXPECT_FALSE(reopen()->contains("K"));
}

TEST(SettingsStore, CorruptFileIsKeptAsideAndDefaultsApply)
{
    struct Case {
        const char *name;
        QByteArray contents;
    };
    const std::vector<Case> cases{
        {"garbage", "this is not a property list \x01\x02"},
        {"truncated xml", "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>A</key><integer>1"},
        {"array root", "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><integer>1</integer></array></plist>"},
        {"empty file", ""},
        {"200,000 nested arrays", test::nestedXml(200000)},
        {"100,000 nested binary arrays", test::nestedBinary(100000)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedHome home;
        const QString path = home.configDir() + "/org.orbmeter.Orbmeter9.plist";
        test::writeFile(path, c.contents);
        auto s = SettingsStore::open();
        EXPECT_TRUE(s->keys().isEmpty());
        const QStringList aside = QDir(home.configDir()).entryList({"org.orbmeter.Orbmeter9.plist.corrupt-*"});
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(test::readFile(home.configDir() + "/" + aside.first()), c.contents);
        // The store keeps working and writes a good file again.
        s->setInteger("AfterRepair", 7);
        ASSERT_TRUE(s->synchronize());
        EXPECT_EQ(reopen()->integerForKey("AfterRepair"), 7);
    }
}

TEST(SettingsStore, ConcurrentWritersLoseNothing)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    constexpr int kThreads = 4;
    constexpr int kKeys = 50;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([s, t] {
            for (int k = 0; k < kKeys; ++k) {
                s->setInteger(QStringLiteral("T%1_K%2").arg(t).arg(k), t * 1000 + k);
                s->synchronize();
            }
        });
    }
    for (auto &t : threads)
        t.join();
    auto r = reopen();
    EXPECT_EQ(r->keys().size(), kThreads * kKeys);
    for (int t = 0; t < kThreads; ++t)
        EXPECT_EQ(r->integerForKey(QStringLiteral("T%1_K%2").arg(t).arg(kKeys - 1)), t * 1000 + kKeys - 1);
    // No temporary files are left behind: the settings and the lock beside them.
    EXPECT_EQ(QDir(home.configDir()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"org.orbmeter.Orbmeter9.plist", "org.orbmeter.Orbmeter9.plist.lock"}));
}

TEST(SettingsStore, PicksUpChangesSavedByAnotherProcess)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    s->setInteger("A", 1);
    s->synchronize();
    // Another writer replaces the file (as `orbmeter defaults write` does).
    SettingsStore other("org.orbmeter.Orbmeter9", home.configDir());
    other.setInteger("A", 2);
    QThread::msleep(20);
    other.synchronize();
    s->synchronize();
    EXPECT_EQ(s->integerForKey("A"), 2);
}

namespace {

QString settingsPath(const test::ScopedHome &home) { return home.configDir() + "/org.orbmeter.Orbmeter9.plist"; }

QStringList filesLike(const test::ScopedHome &home, const QString &pattern)
{
    return QDir(home.configDir()).entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

TEST(SettingsStore, TwoWritersKeepEachOthersSetsAndDeletions)
{
    test::ScopedHome home;
    {
        SettingsStore first("org.orbmeter.Orbmeter9", home.configDir());
        first.setInteger("Shared", 1);
        first.setInteger("Doomed", 1);
        ASSERT_TRUE(first.synchronize());
    }
    // Both read the same file, then change different keys.
    SettingsStore a("org.orbmeter.Orbmeter9", home.configDir());
    SettingsStore b("org.orbmeter.Orbmeter9", home.configDir());
    a.removeObjectForKey("Doomed");
    a.setInteger("FromA", 2);
    ASSERT_TRUE(a.synchronize());
    b.setInteger("FromB", 3);
    b.setInteger("Shared", 1); // unchanged: must not count as a change
    ASSERT_TRUE(b.synchronize());
    // b's save brought a's changes into b's view and kept them in the file.
    EXPECT_EQ(b.integerForKey("FromA"), 2);
    EXPECT_FALSE(b.contains("Doomed"));
    const QVariantMap file = PlistCodec::parse(test::readFile(settingsPath(home)))->toMap();
    EXPECT_EQ(file, (QVariantMap{{"Shared", qint64(1)}, {"FromA", qint64(2)}, {"FromB", qint64(3)}}));
}

TEST(SettingsStore, WriterProcessesAndTheMonitorLoseNothing)
{
    test::ScopedHome home;
    constexpr int kWriters = 8;
    constexpr int kKeys = 25;
    auto monitor = SettingsStore::open();
    monitor->setString("Monitor_Delete", "x");
    ASSERT_TRUE(monitor->synchronize());

    std::atomic<int> failures{0};
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([w, &failures] {
            for (int k = 0; k < kKeys; ++k) {
                QProcess p;
                p.start(QStringLiteral(ORB_BINARY),
                        {"defaults", "write", QStringLiteral("w%1_k%2").arg(w).arg(k), "-int", QString::number(k)});
                if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
                    ++failures;
            }
        });
    }
    // Meanwhile the monitor saves its own changes, and the file is a valid list every time.
    int invalid = 0;
    for (int k = 0; k < kKeys; ++k) {
        monitor->setInteger(QStringLiteral("Monitor_k%1").arg(k), k);
        if (k == kKeys / 2)
            monitor->removeObjectForKey("Monitor_Delete");
        EXPECT_TRUE(monitor->synchronize());
        const auto root = PlistCodec::parse(test::readFile(settingsPath(home)));
        invalid += root && root->typeId() == QMetaType::QVariantMap ? 0 : 1;
        QThread::msleep(20);
    }
    for (auto &t : writers)
        t.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(invalid, 0);

    const QVariantMap file = PlistCodec::parse(test::readFile(settingsPath(home)))->toMap();
    EXPECT_EQ(file.size(), kWriters * kKeys + kKeys);
    for (int w = 0; w < kWriters; ++w)
        for (int k = 0; k < kKeys; ++k)
            EXPECT_EQ(file.value(QStringLiteral("w%1_k%2").arg(w).arg(k)), QVariant(qint64(k))) << w << " " << k;
    for (int k = 0; k < kKeys; ++k)
        EXPECT_EQ(file.value(QStringLiteral("Monitor_k%1").arg(k)), QVariant(qint64(k)));
    EXPECT_FALSE(file.contains("Monitor_Delete"));
    EXPECT_TRUE(filesLike(home, "*.corrupt-*").isEmpty());
}

TEST(SettingsStore, ValuesThatCannotBeSavedExactlyKeepTheOriginalFileOnce)
{
    const QByteArray odd = test::xmlPlist("<dict><key>Old</key><date>1900-01-01T00:00:00Z</date>"
                                          "<key>Huge</key><integer>18446744073709551615</integer>"
                                          "<key>Fine</key><integer>5</integer></dict>");
    const QByteArray exact = test::xmlPlist("<dict><key>When</key><date>2024-01-01T00:00:00Z</date>"
                                            "<key>Fine</key><integer>-5</integer></dict>");
    for (const auto &[contents, keepsCopy] : {std::pair{odd, true}, std::pair{exact, false}}) {
        test::ScopedHome home;
        test::writeFile(settingsPath(home), contents);
        test::LogCapture log;
        auto s = SettingsStore::open();
        s->setInteger("New", 1);
        ASSERT_TRUE(s->synchronize());
        s->setInteger("New", 2);
        ASSERT_TRUE(s->synchronize());
        const QStringList copies = filesLike(home, "*.inexact-*");
        if (!keepsCopy) {
            EXPECT_TRUE(copies.isEmpty());
            continue;
        }
        ASSERT_EQ(copies.size(), 1);
        EXPECT_EQ(test::readFile(home.configDir() + "/" + copies.first()), contents);
        EXPECT_TRUE(log.has({"Old", "1900"}));
        EXPECT_TRUE(log.has({"Huge", "18446744073709551615"}));
        EXPECT_FALSE(log.has({"Fine"}));
        // Reopened later, the rewritten file reads exactly: no further copy.
        SettingsStore::resetSharedInstances();
        auto again = SettingsStore::open();
        again->setInteger("New", 3);
        ASSERT_TRUE(again->synchronize());
        EXPECT_EQ(filesLike(home, "*.inexact-*").size(), 1);
    }
}

TEST(SettingsStore, AFileThatCannotBeReadIsReportedAndNotReplaced)
{
    struct Case {
        const char *name;
        std::function<void(const QString &)> make;
        const char *reason;
    };
    std::vector<Case> cases{
        {"symbolic link loop", [](const QString &path) { QFile::link(path, path); }, "symbolic links"},
    };
    if (::geteuid() != 0) { // root reads whatever the mode says
        cases.push_back({"no read permission",
                         [](const QString &path) {
                             test::writeFile(path, test::xmlPlist("<dict><key>Kept</key><true/></dict>"));
                             QFile::setPermissions(path, QFile::WriteOwner);
                         },
                         "Permission denied"});
    }
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        test::ScopedHome home;
        QDir().mkpath(home.configDir());
        c.make(settingsPath(home));
        const QFileInfo before(settingsPath(home));
        test::LogCapture log;
        auto s = SettingsStore::open();
        EXPECT_TRUE(s->keys().isEmpty());
        EXPECT_TRUE(log.has({settingsPath(home), c.reason}));
        EXPECT_FALSE(log.has({"empty or oversized"}));
        s->setInteger("New", 1);
        EXPECT_FALSE(s->synchronize());
        EXPECT_EQ(QFileInfo(settingsPath(home)).isSymLink(), before.isSymLink());
        EXPECT_TRUE(filesLike(home, "*.corrupt-*").isEmpty());
        EXPECT_EQ(s->integerForKey("New"), 1); // still there, for a later save
    }
}

TEST(SettingsStore, AFifoInPlaceOfTheFileIsSetAsideWithoutWaiting)
{
    for (const char *domain : {SettingsStore::kOwnDomain, "NSGlobalDomain"}) {
        SCOPED_TRACE(domain);
        test::ScopedHome home;
        const QString path = home.configDir() + "/" + domain + ".plist";
        test::FifoTrap fifo(path);
        ASSERT_TRUE(fifo.created());
        auto s = SettingsStore::open(QString::fromLatin1(domain));
        EXPECT_TRUE(s->keys().isEmpty());
        s->setBool("AppleInterfaceStyleSwitchesAutomatically", true);
        EXPECT_TRUE(s->synchronize());
        EXPECT_FALSE(fifo.stalled());
        EXPECT_EQ(filesLike(home, "*.corrupt-*").size(), 1);
        EXPECT_TRUE(QFileInfo(path).isFile());
    }
}

TEST(SettingsStore, TemporaryFilesOfKilledWritesAreRemovedUnlessAWriteIsUnderWay)
{
    for (bool otherWriterActive : {false, true}) {
        SCOPED_TRACE(otherWriterActive ? "another writer holds the lock" : "no other writer");
        test::ScopedHome home;
        const QString leftover = home.configDir() + "/.org.orbmeter.Orbmeter9.plist.a1B2c3";
        const QString unrelated = home.configDir() + "/.org.orbmeter.Orbmeter9.plist.notes.txt";
        test::writeFile(leftover, "<?xml");
        test::writeFile(unrelated, "mine");
        const int fd = ::open(QFile::encodeName(settingsPath(home) + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        if (otherWriterActive) {
            ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        }
        SettingsStore::open();
        ::close(fd);
        EXPECT_EQ(QFileInfo::exists(leftover), otherWriterActive);
        EXPECT_TRUE(QFileInfo::exists(unrelated));
    }
}
