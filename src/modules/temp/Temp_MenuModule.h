#pragma once
#include "modules/GraphMenuModule.h"
#include "modules/TypedSettings.h"
#include "modules/temp/TempItemSettings.h"
#include "modules/temp/Temp_MenuController.h"

#include <QPointer>

namespace orb {

// The Temperature status item: the chosen sensor, the average or the hottest as text, graph
// or both piled, and the list of every sensor in its menu.
class Temp_MenuModule : public GraphMenuModule {
    Q_OBJECT
public:
    explicit Temp_MenuModule(MenuModuleDelegate *delegate);
    ~Temp_MenuModule() override;

    void setSensorData(const SensorData &data) override;
    void refreshBar() override;
    void redrawStatusItem() override;
    void menuWillOpen() override;
    void resetMenuNowCount() { nowCnt_ = -1; }

    const History<TempSample> &resumeArray() const { return resumeArray_; }
    Temp_MenuController *menuController() const { return controller_; }
    // Settings laid over the module's own for the menu graph.
    static QVariantMap menuGraphDefaults();

protected:
    bool hasData() const override { return !resumeArray_.empty() && !resumeArray_.back().empty(); }
    ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const override;
    std::unique_ptr<ModuleImageView> makeImageView() const override;
    void prepareView(ModuleImageView &view) const override;
    void addDetailItems(QMenu &menu) override;
    QString headline() const override;
    // The shown reading (the chosen sensor, the average or the hottest) filling the gauge up
    // to 100 °C like the graph, coloured against the maximum; no gauge without a reading.
    TrayHeadline compactHeadline() const override;
    QString labelKey() const override { return QStringLiteral("Temp_ShowMyLabel"); }
    QString paddingKey() const override { return QStringLiteral("Temp_Padding"); }

private:
    const TempItemSettings &settings() const { return settings_.of(myDefaults()); }

    History<TempSample> resumeArray_;
    QPointer<Temp_MenuController> controller_;
    int nowCnt_ = -1;
    mutable TypedSettings<TempItemSettings> settings_;
};

} // namespace orb
