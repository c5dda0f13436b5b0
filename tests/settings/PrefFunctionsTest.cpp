#include "TestEnvironment.h"
#include "settings/PrefFunctions.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>
#include <vector>

using namespace orb;

TEST(GeneralDefaults, EmptyStoreGivesNothingLaunched)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    const QVariantMap d = PrefFunctions::loadGeneralDefaults(*s, {});
    EXPECT_EQ(d.value("DisplayOrbIcon").toLongLong(), 0);
    EXPECT_EQ(d.value("RebootRegularlyDays").toLongLong(), 0);
    for (const char *key : {"LaunchCpus", "LaunchMemo", "LaunchNetw", "LaunchDisk", "LaunchVolume", "LaunchTemp",
                            "LaunchFans", "LaunchVNC", "LaunchGpus"}) {
        ASSERT_TRUE(d.contains(key)) << key;
        EXPECT_FALSE(d.value(key).toBool()) << key;
    }
    EXPECT_EQ(d.value("PrefName").toString(), "Orbmeter v" ORB_VERSION);
}

TEST(GeneralDefaults, LaunchKeysFollowTheDisplaySwitches)
{
    struct Case {
        std::vector<const char *> switches;
        const char *launchKey;
        bool expected;
    };
    const std::vector<Case> cases{
        {{"Cpu_Display_Text"}, "LaunchCpus", true},
        {{"Cpu_ShowMyLabel"}, "LaunchCpus", false},
        {{"Memory_Display_DetailText"}, "LaunchMemo", true},
        {{"Network_Display_UdLabel"}, "LaunchNetw", false},
        {{"Network_Display_UdCircle"}, "LaunchNetw", true},
        {{"Disk_ShowEachDisk", "Disk_WithDiskIconInBackground"}, "LaunchDisk", true},
        {{"Disk_ShowEachDisk"}, "LaunchDisk", false},
        {{"Disk_Display_Indicator"}, "LaunchDisk", true},
        {{"Vlms_ShowEachDisk", "Vlms_WithDiskIconInBackground"}, "LaunchVolume", true},
        {{"Vlms_WithDiskIconInBackground"}, "LaunchVolume", false},
        {{"Vlms_Display_Percent"}, "LaunchVolume", true},
        {{"Temp_Display_Graph"}, "LaunchTemp", true},
        {{"Fan_Display_Text"}, "LaunchFans", true},
        {{"Vnc_ShowMenu"}, "LaunchVNC", true},
        {{"Gpu_Display_CircleMeter"}, "LaunchGpus", true},
        {{"Cpu_Display_Graph"}, "LaunchGpus", false},
    };
    for (const Case &c : cases) {
        test::ScopedHome home;
        auto s = SettingsStore::open();
        for (const char *sw : c.switches)
            s->setBool(sw, true);
        EXPECT_EQ(PrefFunctions::loadGeneralDefaults(*s, {}).value(c.launchKey).toBool(), c.expected)
            << c.launchKey << " with " << c.switches.front();
    }
}

TEST(GeneralDefaults, OldMenuIconSwitchIsMigrated)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    s->setBool("DisplayMyMenuIcon", true);
    s->setInteger("DisplayOrbIcon", 0);
    const QVariantMap d = PrefFunctions::loadGeneralDefaults(*s, {});
    EXPECT_EQ(d.value("DisplayOrbIcon").toLongLong(), 1);
    SettingsStore::resetSharedInstances();
    auto r = SettingsStore::open();
    EXPECT_FALSE(r->contains("DisplayMyMenuIcon"));
    EXPECT_EQ(r->integerForKey("DisplayOrbIcon"), 1);
}

TEST(GeneralDefaults, FirstRunWriterAndThemeCopies)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    PrefFunctions::initializeGeneralPreference(*s);
    const QVariantMap theme{{"_FontSizeDiff", qint64(2)}, {"_ForDarkAppearance", true}, {"A01", QVariantList{}}};
    const QVariantMap d = PrefFunctions::loadGeneralDefaults(*s, theme);
    EXPECT_EQ(d.value("DisplayOrbIcon").toLongLong(), 1);
    EXPECT_TRUE(d.value("DisplayTopWindowAtStartup").toBool());
    EXPECT_FALSE(d.value("TopHistgramPreview").toBool());
    EXPECT_EQ(d.value("_FontSizeDiff").toLongLong(), 2);
    EXPECT_TRUE(d.value("_ForDarkAppearance").toBool());
    EXPECT_FALSE(d.contains("A01"));  // only the General theme keys are copied
    EXPECT_FALSE(d.contains("Z01"));  // a missing theme value leaves its key absent
    SettingsStore::resetSharedInstances();
    auto r = SettingsStore::open();
    for (const char *key : {"Cpu_ShowMyLabel", "Memory_ShowMyLabel", "Network_ShowMyLabel", "Disk_ShowMyLabel",
                            "Vlms_ShowMyLabel", "Temp_ShowMyLabel", "Fan_ShowMyLabel", "Gpu_ShowMyLabel"})
        EXPECT_TRUE(r->boolForKey(key)) << key;
}

TEST(GeneralDefaults, PaddingAndModuleOrder)
{
    test::ScopedHome home;
    auto s = SettingsStore::open();
    s->setInteger("Cpu_Padding", 0);
    s->setInteger("Memory_Padding", 4);
    EXPECT_EQ(PrefFunctions::retPadding(*s, "Cpu_Padding"), 1);
    EXPECT_EQ(PrefFunctions::retPadding(*s, "Disk_Padding"), 1);
    EXPECT_EQ(PrefFunctions::retPadding(*s, "Memory_Padding"), 4);
    EXPECT_EQ(PrefFunctions::defaultModuleSortArray(), (QList<int>{1, 9, 2, 3, 4, 5, 6, 7, 8}));
}
