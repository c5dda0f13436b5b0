#pragma once
#include "collect/Samples.h"
#include "modules/MenuRowsView.h"
#include "modules/TypedSettings.h"
#include "modules/temp/TempItemSettings.h"

namespace orb {

// The rows below the Temperature menu graph: every sensor with its reading, sorted by
// name, then a separator and the average; the sensor the item shows is marked.
class Temp_MenuController : public MenuRowsView {
    Q_OBJECT
public:
    explicit Temp_MenuController(int width, QWidget *parent = nullptr) : MenuRowsView(width, parent) {}

    void setMyDefaults(const QVariantMap &defaults) { myDefaults_ = defaults; }
    // The number of rows `newest` needs; resizes the view when it differs from `oldCnt`.
    int checkTempCount(const TempSample &newest, int oldCnt);
    static int rowCount(const TempSample &newest);
    // Rebuilds the rows from the newest sample.
    void replaceDetailData(const TempSample &newest);

private:
    QVariantMap myDefaults_;
    TypedSettings<TempItemSettings> settings_;
};

} // namespace orb
