#pragma once
#include "modules/GraphMenuModule.h"
#include "modules/gpu/GpuItemSettings.h"

#include <memory>
#include <vector>

namespace orb {

class GPU_MenuController;

// The GPU status item: graph, level bar, circle meter and percentage text of the video
// memory in use, one group per device. Its menu has no graph of its own; it holds one row
// per device instead (GPU_MenuController, tags 400, 401, ...).
class GPU_MenuModule : public GraphMenuModule {
    Q_OBJECT
public:
    static constexpr int kFirstDeviceTag = 400;

    explicit GPU_MenuModule(MenuModuleDelegate *delegate);
    ~GPU_MenuModule() override;

    void setSensorData(const SensorData &data) override;
    const History<GpuSample> &resumeArray() const { return resumeArray_; }

    void drawBaseStatusBar() override;
    void redrawStatusItem() override;
    void menuWillOpen() override;

    // One row per entry of the newest sample, after the base items.
    void addtionalDevMenus();
    // Removes every menu item tagged 400 or more.
    void removeDeviceMenus();
    const std::vector<GPU_MenuController *> &deviceMenusArray() const { return deviceMenusArray_; }

    // Settings laid over the module's own for the menu rows' graphs.
    static QVariantMap menuGraphDefaults();

protected:
    bool hasData() const override { return !resumeArray_.empty() && !resumeArray_.back().empty(); }
    ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const override;
    std::unique_ptr<ModuleImageView> makeImageView() const override;
    void prepareView(ModuleImageView &view) const override;
    QString headline() const override;
    // The busiest reporting device's share as a pie, "GPU 75%", every device in the tool tip.
    TrayHeadline compactHeadline() const override;
    QString labelKey() const override { return QStringLiteral("Gpu_ShowMyLabel"); }
    QString paddingKey() const override { return QStringLiteral("Gpu_Padding"); }

private:
    // The typed settings of the status image and of the menu rows, made again when the
    // settings dictionary changes.
    std::shared_ptr<const GpuItemSettings> statusSettings() const;
    std::shared_ptr<const GpuItemSettings> menuSettings() const;
    void openTab();

    History<GpuSample> resumeArray_;
    std::vector<GPU_MenuController *> deviceMenusArray_;
    // The dictionaries the typed settings were made from; a new dictionary (not shared with
    // these) makes them again.
    mutable QVariantMap statusFrom_;
    mutable std::shared_ptr<const GpuItemSettings> status_;
    mutable QVariantMap menuFrom_;
    mutable QVariantMap menuDefaults_;
    mutable std::shared_ptr<const GpuItemSettings> menu_;
};

} // namespace orb
