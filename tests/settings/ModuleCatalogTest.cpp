#include "settings/ModuleCatalog.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <set>

using namespace orb;

namespace {

QStringList names(std::span<const ModuleInfo *const> rows)
{
    QStringList out;
    for (const ModuleInfo *m : rows)
        out << QLatin1String(m->prefName);
    return out;
}

} // namespace

// The orders the bar, the cycle and the collector follow.
TEST(ModuleCatalog, OrdersAreTheDocumentedOnes)
{
    EXPECT_EQ(names(ModuleCatalog::leftToRight()),
              QStringList({"CPU", "GPU", "Memory", "Network", "Disk", "Temp", "Fan", "Volume", "VNC", "General"}));
    EXPECT_EQ(names(ModuleCatalog::cycleOrder()),
              QStringList({"CPU", "Memory", "Network", "Disk", "Volume", "Temp", "Fan", "VNC", "GPU", "General"}));
    QStringList sampled;
    for (const ModuleInfo *m : ModuleCatalog::sampleOrder())
        if (m->hasInterval())
            sampled << QLatin1String(m->prefName);
    EXPECT_EQ(sampled, QStringList({"CPU", "GPU", "Memory", "Network", "Volume", "Disk", "Temp", "Fan"}));
}

// Each row is found under its own id, number, tab and key, and no two rows share one.
TEST(ModuleCatalog, RowsAreConsistent)
{
    struct Expected {
        ModuleId id;
        int number;
        int tab;
        const char *key;
        const char *launchKey;
    };
    const Expected table[] = {
        {ModuleId::General, 0, 0, "general", ""},  {ModuleId::Cpu, 1, 1, "cpu", "LaunchCpus"},
        {ModuleId::Memory, 2, 3, "memory", "LaunchMemo"}, {ModuleId::Network, 3, 4, "network", "LaunchNetw"},
        {ModuleId::Disk, 4, 5, "disk", "LaunchDisk"},      {ModuleId::Volume, 7, 6, "volume", "LaunchVolume"},
        {ModuleId::Temp, 5, 7, "temp", "LaunchTemp"},      {ModuleId::Fan, 6, 8, "fan", "LaunchFans"},
        {ModuleId::Vnc, 8, 9, "vnc", "LaunchVNC"},         {ModuleId::Gpu, 9, 2, "gpu", "LaunchGpus"},
    };
    std::set<QString> keys, counters, loads, prefixes;
    for (const Expected &e : table) {
        SCOPED_TRACE(e.key);
        const ModuleInfo &m = ModuleCatalog::info(e.id);
        EXPECT_EQ(m.id, e.id);
        EXPECT_EQ(m.number, e.number);
        EXPECT_EQ(m.tabIndex, e.tab);
        EXPECT_STREQ(m.launchKey, e.launchKey);
        EXPECT_EQ(ModuleCatalog::byKey(QLatin1String(e.key)), &m);
        EXPECT_EQ(ModuleCatalog::byNumber(e.number), e.number ? &m : nullptr);
        EXPECT_TRUE(keys.insert(QLatin1String(m.key)).second);
        if (m.hasInterval()) {
            // The cycle's working keys exist and are never shared between modules.
            EXPECT_TRUE(counters.insert(QLatin1String(m.counterKey)).second);
            EXPECT_TRUE(loads.insert(QLatin1String(m.loadKey)).second);
            EXPECT_TRUE(QString::fromLatin1(m.counterKey).contains("Inner"));
            // A sampled module can be shown, written to JSON and switched on.
            EXPECT_TRUE(m.wantsItem);
            EXPECT_TRUE(*m.jsonName);
        }
    }
    EXPECT_EQ(ModuleCatalog::byKey("nothing"), nullptr);
    EXPECT_EQ(ModuleCatalog::byNumber(10), nullptr);
}
