#pragma once
#include "settings/ModuleCatalog.h"

#include <QWidget>
#include <array>

class QTabWidget;

namespace orb {

class ModuleTabViewController;
class PreferenceCenter;
class SettingsStore;
class TopTabViewController;

// The Preferences window: one tab per module, in the order of the modules' tab indexes
// (0 General, 1 CPU, 2 GPU, 3 Memory, 4 Network, 5 Disk, 6 Volume, 7 Temp, 8 Fan, 9 VNC).
class PreferenceWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kTabCount = kModuleCount;

    PreferenceWindow(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);
    ~PreferenceWindow() override;

    TopTabViewController *generalTab() const { return general_; }
    // The tab of a module other than General.
    ModuleTabViewController *moduleTab(ModuleId id) const;
    // The scrolled page of a tab index (what the tab shows), or nullptr.
    QWidget *page(int tabIndex) const;
    int currentTab() const;
    void selectTab(int tabIndex);
    QTabWidget *tabs() const { return tabs_; }

Q_SIGNALS:
    void tabSelected(int tabIndex);
    void closed();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QTabWidget *tabs_;
    TopTabViewController *general_ = nullptr;
    std::array<ModuleTabViewController *, kModuleCount> modules_{};
    std::array<QWidget *, kTabCount> pages_{};
};

} // namespace orb
