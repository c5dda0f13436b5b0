#pragma once
#include "collect/Samples.h"
#include "prefs/ElementPreview.h"
#include "prefs/TabControl.h"

#include <QHash>
#include <QVariantMap>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QSlider;
class QSpinBox;

namespace orb {

class ColorWell;
class ElementOrderRow;
class PreferenceCenter;
class SettingsStore;

// A module's preference tab, built from its table of controls. Every change is written to
// the settings store and saved at once, then announced with the module's notification; the
// tab never talks to a status item. The rebuilt module settings come back through
// `setMyDefaults` (the colour wells show them).
class ModuleTabViewController : public QWidget {
    Q_OBJECT
public:
    ModuleTabViewController(ModuleTabSpec spec, SettingsStore &store, PreferenceCenter &center,
                            QWidget *parent = nullptr);
    ~ModuleTabViewController() override;

    ModuleId moduleId() const { return spec_.id; }
    const ModuleTabSpec &spec() const { return spec_; }

    void setMyDefaults(const QVariantMap &defaults) { myDefaults_ = defaults; }
    const QVariantMap &myDefaults() const { return myDefaults_; }

    // Fills every control from the settings store.
    void loadSetting();
    // Whether the stored switches ask for the module's status item.
    bool launchCheck() const;
    // Lays out the element row (all of it for -1) and, for -1, sets the colour wells from
    // the module settings.
    void resetViews(int element);
    // Draws every element preview again from `data` (the refresh cycle calls it while the
    // tab is shown); resetViews(-1) draws them from the data given last.
    void refreshContentView(const SensorData &data);
    // How many times the previews were drawn (each time, all of them).
    int previewRenders() const { return previewRenders_; }
    // The display-element switches of the tab by element code.
    QList<ElementPreview::Switch> elementSwitches() const;

    // Posts the module's notification; "ModuleAllocNow" is true only when the module has
    // just become launched.
    void notifToModule(bool reload, const QString &colorKey, const QColor &colorVal, bool menuItemRefresh,
                       bool menuCountChanged = false);

    // The text entries of a text pop-up ("Temp_ShowTempOnMenu"), after its fixed entries.
    void setPopUpTexts(const QString &key, const QStringList &texts);

    ElementOrderRow *elementRow() const { return elementRow_; }
    // Label of a slider ("Update interval: 2 sec").
    QLabel *sliderLabel(const QString &key) const { return sliderLabels_.value(key); }

private:
    struct Slider {
        const TabControl *control;
        QSlider *slider;
        QSpinBox *field;
        QLabel *label;
    };
    void build();
    void renderPreviews();
    QWidget *buildSwitch(const TabControl &c);
    void buildSlider(const TabControl &c, QGridLayout *grid, int row);
    QWidget *buildPopUp(const TabControl &c);
    void buildColor(const TabControl &c, class QGridLayout *grid, int index);

    void checkboxModulesClicked(const TabControl &c, bool on);
    void updateSliderSlide(const Slider &s);
    void selectedPopUp(const TabControl &c, int index);
    void changeColor(const TabControl &c, const QColor &color);
    void sortChanged(const QList<int> &order);
    void updateEnabled();
    // Stores the slider's value (and writes its label) as the slider's kind says.
    void storeSlider(const Slider &s);
    static int scaleOf(SliderKind kind);

    ModuleTabSpec spec_;
    SettingsStore &store_;
    PreferenceCenter &center_;
    QVariantMap myDefaults_;
    bool nowLaunch_ = false;
    bool loading_ = false;
    ElementOrderRow *elementRow_ = nullptr;
    QHash<QString, QCheckBox *> checkBoxes_;
    QHash<QString, Slider> sliders_;
    QHash<QString, QLabel *> sliderLabels_;
    QHash<QString, QComboBox *> popUps_;
    QHash<QString, QStringList> popUpTexts_;
    QHash<QString, ColorWell *> colorWells_;
    ElementPreview preview_;
    SensorData data_;
    int previewRenders_ = 0;
};

} // namespace orb
