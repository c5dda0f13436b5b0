// Property lists that once brought the codec down (found by fuzz/fuzz_plist).
#include "TestEnvironment.h"
#include "settings/PlistCodec.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QVariantMap>
#include <gtest/gtest.h>

using namespace orb;

namespace {

// A mutated dark reference theme (binary list) whose UTF-16 string "H04" ends in a NUL
// byte; libplist's copying string getter asserted on it and aborted the program.
QByteArray nulStringTheme()
{
    return test::readFile(test::fixturePath("plist-findings/theme-string-with-nul.bplist"));
}

} // namespace

TEST(PlistCodecTest, StringsHoldingNulBytesAreReadWhole)
{
    const auto theme = PlistCodec::parse(nulStringTheme());
    ASSERT_TRUE(theme.has_value());
    const QVariantMap map = theme->toMap();
    EXPECT_EQ(map.size(), 92);
    const QString h04 = map.value("H04").toString();
    EXPECT_EQ(h04.size(), 11); // ten characters and the NUL
    EXPECT_TRUE(h04.endsWith(QChar(0)));
}

TEST(PlistCodecTest, SettingsFileWithNulInAStringLoads)
{
    test::ScopedHome home;
    test::writeFile(home.home() + "/settings/org.orbmeter.Test.plist", nulStringTheme());
    SettingsStore store("org.orbmeter.Test", home.home() + "/settings");
    EXPECT_EQ(store.keys().size(), 92);
    EXPECT_TRUE(store.stringForKey("H04").endsWith(QChar(0)));
}

TEST(PlistCodecTest, DictionaryKeysHoldingNulAreRefusedNotFatal)
{
    // A binary list whose UTF-16 key holds a NUL byte (libplist asserts on such keys), and
    // the same in XML through a character reference.
    QString error;
    EXPECT_FALSE(PlistCodec::parse(test::readFile(test::fixturePath("plist-findings/dict-key-with-nul.bplist")),
                                   &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(PlistCodec::parse("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>A&#0;B</key>"
                                   "<integer>1</integer></dict></plist>"));
    static const char withNul[] = "<plist><dict><key>A\0B</key><true/></dict></plist>";
    EXPECT_FALSE(PlistCodec::parse(QByteArray(withNul, sizeof withNul - 1)));
    // Ordinary lists, binary and XML, still load.
    const auto theme = PlistCodec::parse(nulStringTheme());
    ASSERT_TRUE(theme);
    const QByteArray xml = PlistCodec::toXml(QVariantMap{{"Key", QVariantList{qint64(1), "x"}}});
    EXPECT_EQ(PlistCodec::parse(xml)->toMap().value("Key").toList().size(), 2);
}

TEST(PlistCodecTest, SettingsFileWithANulKeyIsKeptAside)
{
    test::ScopedHome home;
    test::writeFile(home.configDir() + "/org.orbmeter.Orbmeter9.plist",
                    test::readFile(test::fixturePath("plist-findings/dict-key-with-nul.bplist")));
    auto store = SettingsStore::open();
    EXPECT_TRUE(store->keys().isEmpty());
    EXPECT_EQ(QDir(home.configDir()).entryList({"*.corrupt-*"}).size(), 1);
}
