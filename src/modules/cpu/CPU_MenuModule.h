#pragma once
#include "modules/GraphMenuModule.h"
#include "modules/TypedSettings.h"
#include "modules/cpu/CpuItemSettings.h"

#include <QColor>
#include <memory>

namespace orb {

class CPU_MenuController;
struct ProcessHistories;

// The CPU status item: graph, level bar, circle meter and text, for the average or per processor.
class CPU_MenuModule : public GraphMenuModule {
    Q_OBJECT
public:
    explicit CPU_MenuModule(MenuModuleDelegate *delegate);
    ~CPU_MenuModule() override;

    void setSensorData(const SensorData &data) override;
    void menuWillOpen() override;
    void redrawStatusItem() override;
    CPU_MenuController *menuController() const { return controller_.get(); }
    const History<CpuSample> &resumeArray() const { return resumeArray_; }
    // Settings laid over the module's own for the menu graph.
    static QVariantMap menuGraphDefaults();

protected:
    bool hasData() const override { return true; }
    ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const override;
    std::unique_ptr<ModuleImageView> makeImageView() const override;
    void prepareView(ModuleImageView &view) const override;
    QString headline() const override;
    TrayHeadline compactHeadline() const override;
    std::optional<size_t> headlineDigest() const override;
    QString labelKey() const override { return QStringLiteral("Cpu_ShowMyLabel"); }
    QString paddingKey() const override { return QStringLiteral("Cpu_Padding"); }
    void addDetailItems(QMenu &menu) override;

private:
    // The tray gauge's colour at a load of `busy` (0..1): green, amber from 70 %, red from 90 %.
    static QColor headlineColour(double busy);
    // The history, or one all-zero sample before the first reading so the item can be drawn.
    History<CpuSample> drawableHistory() const;

    void loadBaseData();

    History<CpuSample> resumeArray_;
    std::shared_ptr<const ProcessHistories> processes_;
    std::unique_ptr<CPU_MenuController> controller_;
    int cores_ = 1;
    mutable TypedSettings<CpuItemSettings> settings_;
};

} // namespace orb
