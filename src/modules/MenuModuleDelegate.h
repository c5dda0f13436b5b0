#pragma once
#include "platform/Sysroot.h"

#include <optional>

namespace orb {

// What a status item asks of the application controller.
class MenuModuleDelegate {
public:
    virtual ~MenuModuleDelegate() = default;
    virtual void openPreferenceTab(int tabIndex) = 0;
    virtual void changeAppearanceMode() = 0;
    // The tree the menus read their facts from (the one the refresh passes read); none
    // means the menus show no facts of their own.
    virtual std::optional<Sysroot> menuSysroot() const { return std::nullopt; }
    // Something that decides which ticks sample changed (a menu opened): the next tick comes
    // on time even if the cycle meant to sleep through it.
    virtual void cycleInputChanged() {}
};

} // namespace orb
