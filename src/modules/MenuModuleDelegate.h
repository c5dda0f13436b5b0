#pragma once

namespace orb {

// What a status item asks of the application controller.
class MenuModuleDelegate {
public:
    virtual ~MenuModuleDelegate() = default;
    virtual void openPreferenceTab(int tabIndex) = 0;
    virtual void changeAppearanceMode() = 0;
};

} // namespace orb
