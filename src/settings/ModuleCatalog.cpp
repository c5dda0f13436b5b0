#include "settings/ModuleCatalog.h"

#include "modules/ModuleRows.h"

#include <algorithm>
#include <array>

namespace orb {
namespace {

// The module table, in ModuleId order.
const std::array<const ModuleInfo *, kModuleCount> &rows()
{
    static const std::array<const ModuleInfo *, kModuleCount> table{
        &kGeneralModule, &kCpuModule, &kMemoryModule, &kNetworkModule, &kDiskModule,
        &kVolumeModule,  &kTempModule, &kFanModule,   &kVncModule,     &kGpuModule,
    };
    return table;
}

using Order = std::array<const ModuleInfo *, kModuleCount>;

Order sortedBy(int ModuleInfo::*field)
{
    Order sorted = rows();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [field](const ModuleInfo *a, const ModuleInfo *b) { return a->*field < b->*field; });
    return sorted;
}

} // namespace

std::span<const ModuleInfo *const> ModuleCatalog::all() { return rows(); }

const ModuleInfo &ModuleCatalog::info(ModuleId id) { return *rows()[static_cast<size_t>(id)]; }

std::span<const ModuleInfo *const> ModuleCatalog::leftToRight()
{
    static const Order order = sortedBy(&ModuleInfo::leftToRight);
    return order;
}

std::span<const ModuleInfo *const> ModuleCatalog::cycleOrder()
{
    static const Order order = sortedBy(&ModuleInfo::cycleOrder);
    return order;
}

std::span<const ModuleInfo *const> ModuleCatalog::sampleOrder()
{
    static const Order order = sortedBy(&ModuleInfo::sampleOrder);
    return order;
}

const ModuleInfo *ModuleCatalog::byNumber(int number)
{
    if (number < 1)
        return nullptr;
    for (const ModuleInfo *m : rows())
        if (m->number == number)
            return m;
    return nullptr;
}

const ModuleInfo *ModuleCatalog::byKey(const QString &key)
{
    for (const ModuleInfo *m : rows())
        if (key == QLatin1String(m->key))
            return m;
    return nullptr;
}

} // namespace orb
