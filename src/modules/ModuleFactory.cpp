#include "modules/ModuleFactory.h"

#include "modules/cpu/CPU_MenuModule.h"
#include "modules/memory/Memory_MenuModule.h"

namespace orb {
namespace {
ModuleFactory::Creator &creatorOverride()
{
    static ModuleFactory::Creator creator;
    return creator;
}
} // namespace

void ModuleFactory::setCreator(Creator creator) { creatorOverride() = std::move(creator); }

std::unique_ptr<MenuModule> ModuleFactory::create(ModuleId id, MenuModuleDelegate *delegate)
{
    if (creatorOverride())
        return creatorOverride()(id, delegate);
    switch (id) {
    case ModuleId::Cpu:
        return std::make_unique<CPU_MenuModule>(delegate);
    case ModuleId::Memory:
        return std::make_unique<Memory_MenuModule>(delegate);
    default:
        return nullptr; // modules without a status item of their own yet
    }
}

} // namespace orb
