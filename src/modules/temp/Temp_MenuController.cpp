#include "modules/temp/Temp_MenuController.h"

#include "modules/temp/ImageTempBar.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <algorithm>

namespace orb {

int Temp_MenuController::rowCount(const TempSample &newest)
{
    const int labels = static_cast<int>(newest.readings.size()) + (newest.battery ? 1 : 0);
    const int entries = labels + (newest.average ? 1 : 0);
    return labels + (entries >= 3 && newest.average ? 2 : 0);
}

int Temp_MenuController::checkTempCount(const TempSample &newest, int oldCnt)
{
    const int count = rowCount(newest);
    if (count != oldCnt)
        sizeForRows(count);
    return count;
}

void Temp_MenuController::replaceDetailData(const TempSample &newest)
{
    if (newest.empty())
        return;
    const TempItemSettings &s = settings_.of(myDefaults_);
    const QString marked = ImageTempBar::retNowSelectedTempKey(s.shown, newest);
    const float maxTemp = static_cast<float>(s.maxTemp);

    struct Item {
        QString key;
        QString label;
        double reading;
        bool separator = false;
    };
    std::vector<Item> items;
    items.reserve(newest.readings.size() + 3);
    for (const auto &[label, value] : newest.readings)
        items.push_back({label, label, double(value)});
    if (newest.battery)
        items.push_back({ImageTempBar::kBatteryKey, ImageTempBar::kBatteryKey, newest.battery->toDouble()});
    std::stable_sort(items.begin(), items.end(), [](const Item &a, const Item &b) {
        return QString::compare(a.label, b.label, Qt::CaseInsensitive) < 0;
    });
    if (rowCount(newest) > static_cast<int>(items.size())) {
        items.push_back({QStringLiteral("---"), QStringLiteral("---"), 0.0, true});
        items.push_back({ImageTempBar::kAverageKey, QCoreApplication::translate("OrbStrings", "(Average)"),
                         double(*newest.average)});
    }

    std::vector<Row> rows;
    rows.reserve(items.size());
    for (const Item &item : items) {
        Row row;
        row.left = (item.key == marked ? QString::fromUtf8(kMarker) : QString()) + item.label;
        // A reading of 0 or less shows "･".
        row.right = item.separator ? QStringLiteral("---")
                                   : OrbFormat::calcTempWithUnit(static_cast<float>(item.reading), s.unitMode, s.unitStr,
                                                                 false);
        const float fraction = std::min(static_cast<float>(item.reading), maxTemp) / maxTemp;
        if (!item.separator && s.coloredMenu && fraction > 0.0f) {
            row.color = OrbColors::retGraphColor(fraction, s.low, s.warning, s.critical, s.gradient);
            row.color.setAlphaF(1.0f);
        }
        rows.push_back(std::move(row));
    }
    setRows(std::move(rows));
}

} // namespace orb
