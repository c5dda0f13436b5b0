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
    const auto create = ModuleCatalog::info(id).createItem;
    return create ? create(delegate) : nullptr; // modules without a status item of their own yet
}

} // namespace orb
