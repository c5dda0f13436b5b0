#pragma once
#include "settings/FontCatalog.h"

#include <QColor>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

namespace orb {

class ColorWell;
class PreferenceCenter;
class SettingsStore;

// The General tab: the menu-bar font (family, style, vertical adjustment, size), the two
// colours every module shares and the start-up window switch. Font and colour choices are
// announced with "GeneralModuleNotif"; the application writes them into the theme.
class TopTabViewController : public QWidget {
    Q_OBJECT
public:
    TopTabViewController(SettingsStore &store, PreferenceCenter &center, QWidget *parent = nullptr);

    // All ten module settings dictionaries, keyed "General", "CPU", ...
    void setMyDefaults(const QVariantMap &all) { myDefaults_ = all; }
    const QVariantMap &myDefaults() const { return myDefaults_; }

    void loadSetting();
    void resetViews(int element);
    // Selects the current family and fills and selects its styles; a family that is not
    // installed leaves both menus as they are.
    void rebuildFontMenus();

    void notifToModule(bool allocNow, bool reload, bool themeChanged, const QString &colorKey = {},
                       const QColor &colorVal = {});
    // "-" and -9999 leave that part of the font as it is.
    void notifToModuleFont(const QString &fontName, const QString &fontStyle, const QString &fontPsName,
                           qint64 fontAdjust, qint64 fontSizeDiff);

    // Menu titles: "+3px", "±0px", "-3px" (with `unit` "px" or "pt").
    static QString signedTitle(int value, const QString &unit);

private:
    QVariantMap general() const;
    void setGeneral(const QString &key, const QVariant &value);
    void selectFamily(int index);
    void selectStyle(int index);
    void selectAdjust(int index);
    void selectSize(int index);
    void updateSample();

    SettingsStore &store_;
    PreferenceCenter &center_;
    QVariantMap myDefaults_;
    QStringList families_;
    QList<FontCatalog::Member> members_;
    QComboBox *family_ = nullptr;
    QComboBox *style_ = nullptr;
    QComboBox *adjust_ = nullptr;
    QComboBox *size_ = nullptr;
    QLabel *sample_ = nullptr;
    ColorWell *shadow_ = nullptr;
    ColorWell *emptyLine_ = nullptr;
    QCheckBox *startUp_ = nullptr;
};

} // namespace orb
