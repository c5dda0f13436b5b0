// Property lists that once brought the codec down (found by fuzz/fuzz_plist).
#include "PlistSamples.h"
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

namespace {

QVariant nestedValue(int depth)
{
    QVariant v = qint64(7);
    for (int i = 0; i < depth; ++i)
        v = QVariantList{v};
    return v;
}

// `count` arrays, each holding the next one twice: a few hundred bytes that a reader
// building every reference separately unfolds into 2^count values.
QByteArray doublingBinary(int count)
{
    QList<QByteArray> objects;
    for (int i = 0; i < count; ++i)
        objects << test::binaryArray({quint16(i + 1), quint16(i + 1)});
    objects << QByteArray("\x10\x07", 2);
    return test::binaryPlist(objects);
}

} // namespace

TEST(PlistCodecTest, ListsNestedTooDeeplyAreRefusedBeforeTheyAreParsed)
{
    const int over = PlistCodec::kMaxDepth + 1;
    const struct {
        const char *name;
        QByteArray bytes;
        const char *why;
    } cases[] = {
        {"200,000 nested XML arrays", test::nestedXml(200000), "nested"},
        {"100,000 nested binary arrays", test::nestedBinary(100000), "nested"},
        {"one level too deep, XML", test::nestedXml(over), "nested"},
        {"one level too deep, binary", test::nestedBinary(over), "nested"},
        // Closing tags the parser skips must not be counted as closing anything.
        {"closing tags inside comments",
         test::xmlPlist(QByteArray("<array><!-- </array> -->").repeated(over) + QByteArray("</array>").repeated(over)),
         "nested"},
        {"closing tags inside CDATA",
         test::xmlPlist(QByteArray("<array><string><![CDATA[</array>]]></string>").repeated(over)
                        + QByteArray("</array>").repeated(over)),
         "nested"},
        {"dictionaries", test::xmlPlist(QByteArray("<dict><key>k</key>").repeated(over) + "<true/>"
                                        + QByteArray("</dict>").repeated(over)),
         "nested"},
        {"nested plist elements", QByteArray("<plist>").repeated(200000) + QByteArray("</plist>").repeated(200000),
         "nested"},
        {"an array holding itself", test::binaryPlist({test::binaryArray({0})}), "nested"},
        {"references that double at every level", doublingBinary(40), "expand"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QString error;
        EXPECT_FALSE(PlistCodec::parse(c.bytes, &error));
        EXPECT_TRUE(error.contains(QLatin1String(c.why))) << error.toStdString();
    }
}

TEST(PlistCodecTest, TheDeepestAcceptedNestingSurvivesARoundTrip)
{
    const QVariant expected = nestedValue(PlistCodec::kMaxDepth);
    for (const QByteArray &bytes : {test::nestedXml(PlistCodec::kMaxDepth), test::nestedBinary(PlistCodec::kMaxDepth)}) {
        QList<PlistCodec::InexactValue> inexact;
        const auto parsed = PlistCodec::parse(bytes, nullptr, &inexact);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(*parsed, expected);
        EXPECT_TRUE(inexact.isEmpty());
        const auto again = PlistCodec::parse(PlistCodec::toXml(*parsed));
        ASSERT_TRUE(again);
        EXPECT_EQ(*again, expected);
    }
    // A shared object counts once per reference, and a moderate number of them is fine.
    const auto shared = PlistCodec::parse(doublingBinary(10));
    ASSERT_TRUE(shared);
}

TEST(PlistCodecTest, ValuesThatCannotBeWrittenBackAreReportedWithTheirKey)
{
    auto xmlDict = [](const QByteArray &value) {
        return test::xmlPlist("<dict><key>Plain</key><integer>1</integer><key>Odd</key>" + value + "</dict>");
    };
    auto binaryDict = [](const QByteArray &string) {
        return test::binaryPlist({test::binaryDict({1, 2}, {3, 4}), test::binaryAsciiString("Plain"),
                                  test::binaryAsciiString("Odd"), test::binaryAsciiString("x"),
                                  test::binaryAsciiString(string)});
    };
    const struct {
        const char *name;
        QByteArray bytes;
        bool inexact;
    } cases[] = {
        {"date in 1900", xmlDict("<date>1900-01-01T00:00:00Z</date>"), true},
        {"date in 2100", xmlDict("<date>2100-01-01T00:00:00Z</date>"), true},
        {"date in year 1", xmlDict("<date>0001-01-01T00:00:00Z</date>"), true},
        {"date in 2024", xmlDict("<date>2024-02-29T12:00:00Z</date>"), false},
        {"earliest storable date", xmlDict("<date>1932-12-13T20:45:52Z</date>"), false},
        {"integer 2^63", xmlDict("<integer>9223372036854775808</integer>"), true},
        {"integer 2^64 - 1", xmlDict("<integer>18446744073709551615</integer>"), true},
        {"integer -1", xmlDict("<integer>-1</integer>"), false},
        {"largest integer", xmlDict("<integer>9223372036854775807</integer>"), false},
        {"smallest integer", xmlDict("<integer>-9223372036854775808</integer>"), false},
        {"string with a NUL", binaryDict(QByteArray("a\0b", 3)), true},
        {"string of invalid UTF-8", binaryDict("a\xff"), true},
        {"plain string", binaryDict("ab"), false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QList<PlistCodec::InexactValue> inexact;
        const auto parsed = PlistCodec::parse(c.bytes, nullptr, &inexact);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->toMap().size(), 2);
        if (!c.inexact) {
            EXPECT_TRUE(inexact.isEmpty());
            continue;
        }
        ASSERT_EQ(inexact.size(), 1);
        EXPECT_EQ(inexact.first().key, QStringLiteral("Odd"));
        EXPECT_FALSE(inexact.first().reason.isEmpty());
    }
    // Too large integers read as the largest one rather than turning negative.
    const auto big = PlistCodec::parse(xmlDict("<integer>18446744073709551615</integer>"));
    ASSERT_TRUE(big);
    EXPECT_EQ(big->toMap().value("Odd").toLongLong(), std::numeric_limits<qint64>::max());
}
