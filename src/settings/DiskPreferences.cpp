#include "settings/DiskPreferences.h"

#include "settings/ModuleDefaultsBuilder.h"
#include "settings/PlistFunction.h"
#include "settings/SettingsStore.h"

#include <cmath>

namespace orb {

void DiskPreferences::initialize(SettingsStore &s)
{
    s.setArray(QStringLiteral("DiskItemSortArray"), {qint64(1), qint64(2), qint64(3)});
    s.setBool(QStringLiteral("Disk_Display_Indicator"), true);
    s.setBool(QStringLiteral("Disk_Display_Graph"), false);
    s.setBool(QStringLiteral("Disk_Display_Text"), false);
    s.setBool(QStringLiteral("Disk_ShowEachDisk"), true);
    s.setBool(QStringLiteral("Disk_WithDiskIconInBackground"), false);
    s.setInteger(QStringLiteral("Disk_UpdateInterval"), 2);
    s.setInteger(QStringLiteral("Disk_GraphWidth"), 30);
    s.setInteger(QStringLiteral("Disk_Padding"), 2);
    s.setInteger(QStringLiteral("Disk_Indicator_Label"), 1);
    s.setInteger(QStringLiteral("Disk_Graph_Label"), 1);
    s.setInteger(QStringLiteral("Disk_Graph_Mode"), 1);
    s.setInteger(QStringLiteral("Disk_Text_Label"), 1);
    s.setInteger(QStringLiteral("Disk_Percent_Mode"), 1);
    s.synchronize();
}

QVariantMap DiskPreferences::load(SettingsStore &store, const QVariantMap &theme)
{
    ModuleDefaultsBuilder b(store, theme);
    b.copyArray("DiskItemSortArray");
    b.copyBools({"Disk_Display_Indicator", "Disk_Display_Graph", "Disk_Display_Text", "Disk_ShowEachDisk",
                 "Disk_WithDiskIconInBackground", "Disk_IndicatorAboveIcon", "Disk_ShowMyLabel", "Disk_EnaMenu_Amon",
                 "Disk_EnaMenu_Cnsl", "Disk_EnaMenu_Tmnl"});
    b.copyTruncated({"Disk_UpdateInterval", "Disk_GraphWidth"});
    b.copyIntegers({"Disk_Percent_Mode"});
    b.padding("Disk_Padding");
    b.set(QStringLiteral("Disk_Graph_Mode"),
          PlistFunction::clampSetting(store.integerForKey(QStringLiteral("Disk_Graph_Mode")),
                                      PlistFunction::retGeneralGraphKind().size()));
    b.themeColors({"Z01", "Z03"});
    b.themeColorRange('D', 1, 4);
    b.themeImages({"L04", "O01", "O02", "O11", "O12", "O13", "O31", "O32"});
    b.fontKeys();

    const double base = b.baseFontSize();
    const QList<QStringList> labels = PlistFunction::retDiskReadWrite();
    struct Element {
        const char *setting;
        const char *pairKey;
        const char *widthKey;
    };
    for (const Element &e : {Element{"Disk_Indicator_Label", "Disk_Indicator_LabelAry", "DiskInnerIndicatorLabelWidth"},
                             Element{"Disk_Graph_Label", "Disk_Graph_LabelAry", "DiskInnerGraphLabelWidth"},
                             Element{"Disk_Text_Label", "Disk_Text_LabelAry", "DiskInnerTextLabelWidth"}}) {
        // A label number outside the list is brought into it.
        const qint64 stored = store.integerForKey(QLatin1String(e.setting));
        const QStringList pair = PlistFunction::selectLabelPair(labels, stored);
        b.set(QLatin1String(e.setting), PlistFunction::clampSetting(stored, labels.size()));
        b.set(QLatin1String(e.pairKey), pair);
        b.set(QLatin1String(e.widthKey), PlistFunction::labelWidth(pair, base, b.fontName()));
    }
    b.set(QStringLiteral("DiskInnerTextValueWidth"), std::floor(b.measure({QStringLiteral("888.8XX/X")}, base)));
    const auto on = [&](const char *key) { return b.value(QLatin1String(key)).toBool(); };
    b.set(QStringLiteral("DiskInnerIconAbleToBeBol"),
          on("Disk_Display_Indicator") || on("Disk_Display_Graph") || on("Disk_Display_Text")
              || (on("Disk_ShowEachDisk") && on("Disk_WithDiskIconInBackground")));
    b.set(QStringLiteral("PrefName"), QStringLiteral("Disk"));
    return b.take();
}

} // namespace orb
