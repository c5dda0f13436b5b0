#include "settings/VolumePreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/PlistFunction.h"
#include "settings/SettingsStore.h"

#include <QColor>
#include <cmath>

namespace orb {

void VolumePreferences::initialize(SettingsStore &s)
{
    s.setArray(QStringLiteral("VlmsItemSortArray"), {qint64(1), qint64(2), qint64(3), qint64(4), qint64(5)});
    s.setBool(QStringLiteral("Vlms_Display_BarChart"), true);
    s.setBool(QStringLiteral("Vlms_Display_CycleChart"), false);
    s.setBool(QStringLiteral("Vlms_Display_Graph"), false);
    s.setBool(QStringLiteral("Vlms_Display_Text"), false);
    s.setBool(QStringLiteral("Vlms_Display_Percent"), false);
    s.setBool(QStringLiteral("Vlms_GraphAsLine"), false);
    s.setBool(QStringLiteral("Vlms_LineAsBold"), false);
    s.setBool(QStringLiteral("Vlms_HideSystemVols"), true);
    s.setBool(QStringLiteral("Vlms_ShowEachDisk"), true);
    s.setBool(QStringLiteral("Vlms_HideNetworkVols"), false);
    s.setBool(QStringLiteral("Vlms_WithDiskIconInBackground"), false);
    s.setInteger(QStringLiteral("Vlms_UpdateInterval"), 5);
    s.setInteger(QStringLiteral("Vlms_GraphWidth"), 30);
    s.setInteger(QStringLiteral("Volume_Padding"), 2);
    s.setInteger(QStringLiteral("Vlms_Text_Label"), 1);
    s.setInteger(QStringLiteral("Vlms_Percent_Mode"), 1);
    s.synchronize();
}

QVariantMap VolumePreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyArray("VlmsItemSortArray");
    b.copyBools({"Vlms_Display_BarChart", "Vlms_Display_CycleChart", "Vlms_Display_Graph", "Vlms_Display_Text",
                 "Vlms_Display_Percent", "Vlms_GraphAsLine", "Vlms_LineAsBold", "Vlms_HideSystemVols",
                 "Vlms_ShowEachDisk", "Vlms_HideNetworkVols", "Vlms_WithDiskIconInBackground",
                 "Volume_IndicatorAboveIcon", "Vlms_ColoredValue", "Vlms_GradientColor", "Vlms_ShowMyLabel",
                 "Volume_EnaMenu_Amon", "Volume_EnaMenu_Cnsl", "Volume_EnaMenu_Tmnl"});
    b.copyTruncated({"Vlms_UpdateInterval", "Vlms_GraphWidth"});
    b.padding("Volume_Padding");
    b.set(QStringLiteral("Vlms_Percent_Mode"),
          PlistFunction::clampSetting(store.integerForKey(QStringLiteral("Vlms_Percent_Mode")),
                                      PlistFunction::retVolumePercentKind().size()));
    b.themeColors({"Z01", "Z03"});
    b.themeColorRange('E', 1, 7);
    // The empty, warning and critical colours are needed by every theme.
    const std::pair<const char *, Qt::GlobalColor> fallbacks[] = {{"E05", Qt::green}, {"E06", Qt::yellow},
                                                                  {"E07", Qt::red}};
    for (const auto &[key, color] : fallbacks) {
        if (!b.value(QLatin1String(key)).isValid())
            b.set(QLatin1String(key), QColor(color));
    }
    b.themeImages({"L05", "M01", "M02", "M03", "M04", "M05", "M06", "M11", "M12", "O01", "O02", "O11", "O12", "O13",
                   "O31", "O32"});
    b.fontKeys();

    const double base = b.baseFontSize();
    // A label number outside the list is brought into it.
    const QList<QStringList> labels = PlistFunction::retVolumeUsedFree();
    const qint64 stored = store.integerForKey(QStringLiteral("Vlms_Text_Label"));
    const QStringList pair = PlistFunction::selectLabelPair(labels, stored);
    b.set(QStringLiteral("Vlms_Text_Label"), PlistFunction::clampSetting(stored, labels.size()));
    b.set(QStringLiteral("Vlms_Text_LabelAry"), pair);
    b.set(QStringLiteral("VlmsInnerTextLabelWidth"), PlistFunction::labelWidth(pair, base, b.fontName()));
    b.set(QStringLiteral("VlmsInnerPercentWidth"), std::floor(b.measure({QStringLiteral("188%")}, base)));
    const auto on = [&](const char *key) { return b.value(QLatin1String(key)).toBool(); };
    b.set(QStringLiteral("VlmsInnerIconAbleToBeBol"),
          on("Vlms_Display_BarChart") || on("Vlms_Display_CycleChart") || on("Vlms_Display_Graph")
              || on("Vlms_Display_Text") || on("Vlms_Display_Percent")
              || (on("Vlms_ShowEachDisk") && on("Vlms_WithDiskIconInBackground")));
    b.set(QStringLiteral("PrefName"), QStringLiteral("Volume"));
    return b.take();
}

} // namespace orb
