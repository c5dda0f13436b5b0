#include "app/RefreshCycle.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

using namespace orb;

namespace {

struct Schedule {
    const char *what;
    bool cpuLaunched;
    bool memoryLaunched;
    std::set<int> cpuMenuOpen;
    std::set<int> memoryMenuOpen;
    std::vector<int> scanned; // 1-based passes
};

} // namespace

TEST(ProcessScanSchedule, PassesThatScanTheProcessList)
{
    const Schedule cases[] = {
        {"menus closed: first two passes, then every tenth", true, true, {}, {}, {1, 2, 11, 21}},
        {"CPU menu open on passes 3 and 4", true, true, {3, 4}, {}, {1, 2, 3, 4, 11, 21}},
        {"Memory menu open from pass 7", false, true, {}, {7, 8, 9, 10, 11, 12}, {1, 2, 7, 8, 9, 10, 11, 12, 21}},
        {"only the Memory item shown", false, true, {}, {}, {1, 2, 11, 21}},
        {"neither item shown", false, false, {}, {}, {}},
    };
    for (const Schedule &c : cases) {
        SCOPED_TRACE(c.what);
        RefreshCycle cycle;
        std::vector<int> scanned;
        for (int pass = 1; pass <= 24; ++pass) {
            PassInput in;
            in.launched[ModuleCatalog::index(ModuleId::Cpu)] = c.cpuLaunched;
            in.launched[ModuleCatalog::index(ModuleId::Memory)] = c.memoryLaunched;
            in.interval[ModuleCatalog::index(ModuleId::Cpu)] = 1;
            in.interval[ModuleCatalog::index(ModuleId::Memory)] = 1;
            in.menuOpened[ModuleCatalog::index(ModuleId::Cpu)] = c.cpuMenuOpen.count(pass) > 0;
            in.menuOpened[ModuleCatalog::index(ModuleId::Memory)] = c.memoryMenuOpen.count(pass) > 0;
            cycle.advance(in, false);
            if (cycle.processesDue())
                scanned.push_back(pass);
        }
        EXPECT_EQ(scanned, c.scanned);
    }
}
