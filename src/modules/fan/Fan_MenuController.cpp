#include "modules/fan/Fan_MenuController.h"

#include "toolkit/OrbColors.h"

#include <QCoreApplication>
#include <algorithm>

namespace orb {

int Fan_MenuController::retMenuFanCnt(const FanSample &newest)
{
    const int fans = static_cast<int>(newest.fans.size());
    return fans < 2 ? fans : fans + 2;
}

void Fan_MenuController::replaceDetailData(const FanSample &newest)
{
    if (newest.fans.empty())
        return;
    const FanItemSettings &s = settings_.of(myDefaults_);
    const float maxRpm = static_cast<float>(s.maxRpm);
    const auto speedRow = [&](const QString &name, int64_t rpm) {
        Row row{name, QStringLiteral("%1rpm").arg(qint64(rpm)), {}};
        if (s.coloredMenu) {
            const float v = std::clamp(static_cast<float>(rpm), 0.0f, maxRpm);
            row.color = OrbColors::retGraphColor(v / maxRpm, s.low, s.warning, s.critical, s.gradient);
            row.color.setAlphaF(1.0f);
        }
        return row;
    };
    std::vector<std::pair<QString, int64_t>> fans = newest.fans;
    std::stable_sort(fans.begin(), fans.end(), [](const auto &a, const auto &b) {
        return QString::compare(a.first, b.first, Qt::CaseInsensitive) < 0;
    });
    std::vector<Row> rows;
    rows.reserve(fans.size() + 2);
    for (const auto &[name, rpm] : fans)
        rows.push_back(speedRow(name, rpm));
    if (fans.size() >= 2) {
        rows.push_back({QStringLiteral("---"), QStringLiteral("---"), {}});
        rows.push_back(speedRow(QCoreApplication::translate("OrbStrings", "(Average)"), newest.average.value_or(0)));
    }
    setRows(std::move(rows));
}

} // namespace orb
