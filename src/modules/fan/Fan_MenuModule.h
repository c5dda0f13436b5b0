#pragma once
#include "modules/GraphMenuModule.h"
#include "modules/TypedSettings.h"
#include "modules/fan/FanItemSettings.h"
#include "modules/fan/Fan_MenuController.h"

#include <QPointer>

namespace orb {

// The Fan status item: the average fan speed as text, graph or both piled, and every fan
// in its menu.
class Fan_MenuModule : public GraphMenuModule {
    Q_OBJECT
public:
    explicit Fan_MenuModule(MenuModuleDelegate *delegate);
    ~Fan_MenuModule() override;

    void setSensorData(const SensorData &data) override;
    void refreshBar() override;
    void redrawStatusItem() override;
    void menuWillOpen() override;
    void resetMenuNowCount() { nowCnt_ = -1; }

    const History<FanSample> &resumeArray() const { return resumeArray_; }
    Fan_MenuController *menuController() const { return controller_; }
    static QVariantMap menuGraphDefaults();
    // Fans listed in the compact tool tip; the rest are counted.
    static constexpr int kToolTipFans = 8;

protected:
    bool hasData() const override { return !resumeArray_.empty() && !resumeArray_.back().fans.empty(); }
    ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const override;
    std::unique_ptr<ModuleImageView> makeImageView() const override;
    void prepareView(ModuleImageView &view) const override;
    void addDetailItems(QMenu &menu) override;
    QString headline() const override;
    // The fastest fan against the maximum speed of the settings, every fan in the tool tip.
    TrayHeadline compactHeadline() const override;
    QString labelKey() const override { return QStringLiteral("Fan_ShowMyLabel"); }
    QString paddingKey() const override { return QStringLiteral("Fan_Padding"); }

private:
    const FanItemSettings &settings() const { return settings_.of(myDefaults()); }
    // Sizes the menu rows for the newest sample when the count changed.
    void checkRows();

    History<FanSample> resumeArray_;
    QPointer<Fan_MenuController> controller_;
    int nowCnt_ = -1;
    mutable TypedSettings<FanItemSettings> settings_;
};

} // namespace orb
