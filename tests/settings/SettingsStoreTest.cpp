#include "TestEnvironment.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>
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
    // No temporary files are left behind.
    EXPECT_EQ(QDir(home.configDir()).entryList(QDir::Files | QDir::Hidden).size(), 1);
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
