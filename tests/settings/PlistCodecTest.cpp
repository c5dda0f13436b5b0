// Property lists that once brought the codec down (found by fuzz/fuzz_plist).
#include "TestEnvironment.h"
#include "settings/PlistCodec.h"
#include "settings/SettingsStore.h"

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
