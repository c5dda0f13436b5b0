#pragma once
#include "collect/Samples.h"
#include "modules/MenuRowsView.h"
#include "modules/TypedSettings.h"
#include "modules/fan/FanItemSettings.h"

namespace orb {

// The rows below the Fan menu graph: every fan with its speed, sorted by name, then a
// separator and the average when there are at least two fans.
class Fan_MenuController : public MenuRowsView {
    Q_OBJECT
public:
    explicit Fan_MenuController(int width, QWidget *parent = nullptr) : MenuRowsView(width, parent) {}

    void setMyDefaults(const QVariantMap &defaults) { myDefaults_ = defaults; }
    // Fans, plus 2 for the separator and the average from two fans on.
    static int retMenuFanCnt(const FanSample &newest);
    void resizeMe(int count) { sizeForRows(count); }
    void replaceDetailData(const FanSample &newest);

private:
    QVariantMap myDefaults_;
    TypedSettings<FanItemSettings> settings_;
};

} // namespace orb
