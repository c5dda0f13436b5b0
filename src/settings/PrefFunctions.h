#pragma once
#include <QList>
#include <QString>
#include <QVariantMap>
#include <initializer_list>

class QLabel;
class QSlider;

#include "settings/ModuleCatalog.h"

namespace orb {

class SettingsStore;

// Builders of the module settings dictionaries and the first-run writers of the stored
// settings. Each builder reads the store afresh and returns a new dictionary.
class PrefFunctions {
public:
    static void initializeGeneralPreference(SettingsStore &store);
    static QVariantMap loadGeneralDefaults(SettingsStore &store, const QVariantMap &colorDict);

    // The first-run writer and the builder of any module; a module whose settings are not
    // built yet writes nothing and yields an empty dictionary (it is then not launched).
    static void initializeModulePreference(ModuleId id, SettingsStore &store);
    static QVariantMap loadModuleDefaults(ModuleId id, SettingsStore &store, const QVariantMap &colorDict);

    // Size for a text drawn on top of a graph: twice the largest whole size from the base
    // size down to 6 at which the text is narrower than twice the graph width; 12 otherwise.
    static double calcPiledFontSize(const QString &text, double baseFontSize, const QString &fontName,
                                    double graphWidth);

    // Preference sliders: show the value in the label and store it under `key` (the
    // histogram width moves in steps of five points).
    static void processSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label, const QString &key);
    static void updateSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label, const QString &key);
    static void partsspaceSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label, const QString &key);
    static void graphSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label, const QString &key);
    static void limenBaseSliderChange(const QSlider &slider, SettingsStore &store, QLabel &label, const QString &key);

    // Module numbers in creation order: 1 CPU, 9 GPU, 2 Memory, 3 Network, 4 Disk,
    // 5 Temp, 6 Fan, 7 Volume, 8 VNC.
    static QList<int> defaultModuleSortArray();

    // A spacing setting's working value: the stored integer, or 1 when it is 0 or absent.
    static qint64 retPadding(const SettingsStore &store, const QString &key);

    // Whether any of the stored booleans `keys` is true.
    static bool anyTrue(const SettingsStore &store, std::initializer_list<const char *> keys);
    // The launch keys derived from the stored display switches.
    static QVariantMap deriveLaunchKeys(const SettingsStore &store);

    // Application name and version as the General dictionary's "PrefName" shows them.
    static QString applicationName();
    static QString applicationVersion();
};

} // namespace orb
