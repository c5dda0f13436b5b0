#include "modules/ModuleFactory.h"

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
    return nullptr;
}

} // namespace orb
