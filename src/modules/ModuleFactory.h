#pragma once
#include "modules/MenuModule.h"

#include <functional>
#include <memory>

namespace orb {

// Makes the status item of a module, or nothing for a module that has none yet.
class ModuleFactory {
public:
    using Creator = std::function<std::unique_ptr<MenuModule>(ModuleId, MenuModuleDelegate *)>;

    static std::unique_ptr<MenuModule> create(ModuleId id, MenuModuleDelegate *delegate);
    // Replaces the factory (tests use stand-in items); an empty creator restores it.
    static void setCreator(Creator creator);
};

} // namespace orb
