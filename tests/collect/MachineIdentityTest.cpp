#include "TestEnvironment.h"
#include "collect/MachineIdentity.h"
#include "platform/Sysroot.h"
#include "settings/SettingsStore.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace orb;

namespace {

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(QString::fromLatin1(name)).toStdString()); }

} // namespace

TEST(MachineIdentity, startUpResolutionPerMachine)
{
    const struct {
        const char *tree;
        const char *raw;
        const char *real;
        const char *icon;
    } cases[] = {
        {"general-macbookpro", "MacBookPro16,1", "MacBook Pro (16-inch,2019)", "computer-laptop"},
        {"general-thinkpad", "20XW0055GE", "ThinkPad X1 Carbon Gen 9", "computer-laptop"},
        {"general-qemu", "Standard PC (Q35 + ICH9, 2009)", "QEMU Virtual Machine", "computer"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.tree);
        test::ScopedHome home;
        SettingsStore::resetSharedInstances();
        auto store = SettingsStore::open();
        MachineIdentity::collectMyMacDetail(*store, fixture(c.tree));
        EXPECT_EQ(store->stringForKey("MacRawName"), QLatin1String(c.raw));
        EXPECT_EQ(store->stringForKey("MacRealName"), QLatin1String(c.real));
        EXPECT_EQ(store->stringForKey("MacIconName"), QLatin1String(c.icon));
        EXPECT_FALSE(store->contains("MacImage"));
    }
    SettingsStore::resetSharedInstances();
}

TEST(MachineIdentity, storedNamesAreKeptExceptOnAVirtualMachine)
{
    test::ScopedHome home;
    SettingsStore::resetSharedInstances();
    auto store = SettingsStore::open();
    store->setString("MacRawName", "MacBookPro15,1");
    store->setString("MacRealName", "My own name");
    MachineIdentity::collectMyMacDetail(*store, fixture("general-thinkpad"));
    EXPECT_EQ(store->stringForKey("MacRawName"), "MacBookPro15,1");
    EXPECT_EQ(store->stringForKey("MacRealName"), "My own name");

    // A guest is named as such at every start, and has no picture.
    store->setData("MacImage", "png");
    MachineIdentity::collectMyMacDetail(*store, fixture("general-qemu"));
    EXPECT_EQ(store->stringForKey("MacRealName"), "QEMU Virtual Machine");
    EXPECT_FALSE(store->contains("MacImage"));

    // Firmware without DMI data leaves the names unset.
    store->removeObjectForKey("MacRawName");
    store->removeObjectForKey("MacRealName");
    MachineIdentity::collectMyMacDetail(*store, fixture("general-missing"));
    EXPECT_FALSE(store->contains("MacRawName"));
    EXPECT_FALSE(store->contains("MacRealName"));
    SettingsStore::resetSharedInstances();
}

TEST(MachineIdentity, namesFromDmiFields)
{
    const struct {
        DmiInfo dmi;
        const char *name;
    } cases[] = {
        {{"MacBookPro16,4", "", "", "Apple Inc.", 9}, "MacBook Pro (16-inch,2019)"},
        {{"iMacPro1,1", "", "", "Apple Inc.", 13}, "iMac Pro"},
        {{"MacBookPro99,1", "", "", "Apple Inc.", 9}, "MacBookPro99,1"},
        {{"VMware7,1", "None", "", "VMware, Inc.", 1}, "VMware Virtual Machine"},
        {{"VirtualBox", "1.2", "Virtual Machine", "innotek GmbH", 1}, "VirtualBox Virtual Machine"},
        {{"Virtual Machine", "7.0", "Virtual Machine", "Microsoft Corporation", 3}, "Hyper-V Virtual Machine"},
        {{"XPS 13 9310", "", "XPS", "Dell Inc.", 10}, "XPS 13 9310"},
        {{"System Product Name", "System Version", "To be filled by O.E.M.", "ASUS", 3}, "ASUS"},
        {{"To Be Filled By O.E.M.", "", "Default string", "Default string", 3}, ""},
        {{"20BS006KGE", "", "ThinkPad X1 Carbon 3rd", "LENOVO", 10}, "ThinkPad X1 Carbon 3rd"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MachineIdentity::displayName(c.dmi), QLatin1String(c.name)) << qPrintable(c.dmi.productName);
}

TEST(MachineIdentity, macModelTable)
{
    const auto table = MachineIdentity::retMacDictionary();
    ASSERT_EQ(table.size(), 60u);
    EXPECT_STREQ(table.front().identifier, "MacPro7,1");
    EXPECT_STREQ(table.back().identifier, "MacBook8,1");
    QSet<QString> ids;
    for (const MacModel &m : table) {
        EXPECT_EQ(m.productId[0], '=') << m.identifier;
        ids.insert(QLatin1String(m.identifier));
    }
    EXPECT_EQ(ids.size(), 60) << "identifiers are unique";
    const MacModel *a = MachineIdentity::macModel("MacBookPro16,4");
    const MacModel *b = MachineIdentity::macModel("MacBookPro16,1");
    ASSERT_TRUE(a && b);
    EXPECT_STREQ(a->productId, b->productId);
    EXPECT_STREQ(a->displayName, b->displayName);
    EXPECT_EQ(MachineIdentity::macModel("MacBookPro16"), nullptr);
}

TEST(MachineIdentity, chassisIcons)
{
    const struct {
        int chassis;
        const char *icon;
    } cases[] = {{10, "computer-laptop"}, {9, "computer-laptop"}, {31, "computer-laptop"}, {30, "computer-tablet"},
                 {3, "computer"},         {35, "computer"},       {23, "network-server"},  {0, "computer"}};
    for (const auto &c : cases)
        EXPECT_EQ(MachineIdentity::chassisIconName(c.chassis), QLatin1String(c.icon)) << c.chassis;
}
