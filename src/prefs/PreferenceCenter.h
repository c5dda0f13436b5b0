#pragma once
#include "settings/ModuleCatalog.h"

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <optional>

namespace orb {

// Keys of a preference notification's user information; an absent boolean counts as false.
namespace PrefNotice {
inline constexpr const char *kModuleAllocNow = "ModuleAllocNow";
inline constexpr const char *kModuleDefaultReload = "ModuleDefaultReload";
inline constexpr const char *kModuleThemeChanged = "ModuleThemeChanged";
inline constexpr const char *kModuleItemRefreshNow = "ModuleItemRefreshNow";
inline constexpr const char *kChangeColorKey = "ChangeColorKey";
inline constexpr const char *kChangeColorVal = "ChangeColorVal";
inline constexpr const char *kChangeMenuCount = "ChangeMenuCount";
inline constexpr const char *kFontChanged = "FontChanged";
inline constexpr const char *kFontName = "_FontName";
inline constexpr const char *kFontStyle = "_FontStyle";
inline constexpr const char *kFontPostScriptName = "_FontPostScriptName";
inline constexpr const char *kFontAdjust = "_FontAdjust";
inline constexpr const char *kFontSizeDiff = "_FontSizeDiff";
// A font text field that leaves its part of the font as it is.
inline constexpr const char *kUnchangedText = "-";
// A font number that leaves its part of the font as it is.
inline constexpr qint64 kUnchangedNumber = -9999;
} // namespace PrefNotice

// Where the preference tabs announce their changes. A tab never touches a status item: it
// writes the settings store (or asks for a theme colour), then posts the notification of
// its module here; the application's preference propagation is the one listener.
class PreferenceCenter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // "GeneralModuleNotif", "CpuModuleNotif", ... "VlmsModuleNotif", "VNCModuleNotif".
    static QString notificationName(ModuleId id);
    // The module a notification name belongs to; nothing for an unknown name.
    static std::optional<ModuleId> moduleForName(const QString &name);

    void post(const QString &name, const QVariantMap &userInfo) { Q_EMIT posted(name, userInfo); }
    void post(ModuleId id, const QVariantMap &userInfo) { post(notificationName(id), userInfo); }

Q_SIGNALS:
    void posted(const QString &name, const QVariantMap &userInfo);
};

} // namespace orb
