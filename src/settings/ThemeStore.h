#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace orb {

// Colour themes: property lists in the application-support directory. "_now_theme.plist"
// is the current theme; "_light_theme.plist" and "_dark_theme.plist" are the reference
// themes, reinstalled from the program's resources at every start and used to complete
// and repair the current one. All writes are atomic.
class ThemeStore {
public:
    ThemeStore() = delete;

    static constexpr const char *kNowThemeFile = "_now_theme.plist";
    static constexpr const char *kLightThemeName = "_light_theme";
    static constexpr const char *kDarkThemeName = "_dark_theme";
    static constexpr const char *kUntitled = "_Untitled_";
    // Largest theme file read, and largest image taken from a theme or an override file.
    static constexpr qint64 kMaxThemeFileBytes = 16 * 1024 * 1024;
    static constexpr qint64 kMaxImageBytes = 1024 * 1024;
    // Widest and tallest image taken from a theme or an override file, in pixels: more than
    // any status item or menu shows.
    static constexpr int kMaxImagePixels = 512;

    // The 52 colour keys and 30 image keys every complete theme holds.
    static const QStringList &colorKeys();
    static const QStringList &imageKeys();

    // $XDG_DATA_HOME/Orbmeter9, created when missing; empty when it cannot be created.
    static QString checkAndRetMyApplicationSupportDir();

    // Start-up and theme-change entry point: reinstalls the references, reads, completes and
    // repairs the current theme and merges the desktop's application icons into it.
    // `iconDict` receives the icons (`retDefaultAppIcons`) when given.
    static QVariantMap loadTheme(QVariantMap *iconDict = nullptr);

    // Reinstalls both reference themes, creates "_now_theme.plist" from the light one when
    // absent and returns it. A file that is not a property-list dictionary is kept aside as
    // "_now_theme.plist.broken" and replaced by the light reference.
    static QVariantMap checkNowThemeFile();
    // The completed theme: every reference key, each of the reference's type and in range,
    // font checked; "_now_theme.plist" rewritten as needed (without the icons); icons merged.
    static QVariantMap checkThemeValues(const QVariantMap &theme, const QVariantMap &iconDict);

    // PNG data of the desktop's icons for the menu and item image keys ("N01", "O11", ...).
    static QVariantMap retDefaultAppIcons();
    // The first of `iconNames` the desktop icon theme has, as 120 x 120 PNG; else `defData`.
    static QByteArray retDataFromAppPath(const QStringList &iconNames, const QByteArray &defData);
    // PNG bytes of the application's own icon at 120 x 120.
    static QByteArray ownIconData();
    // Puts the bytes of "<dir>/<key>.png" into `mDict` under `key` when that file is a
    // non-empty image no larger than kMaxImageBytes and kMaxImagePixels; returns the dictionary.
    static QVariantMap retDataFromImageFile(const QString &key, QVariantMap mDict);
    // Saves a copy of `themeDict` at `destPath`, named after the file, with image overrides.
    static bool saveThemeFile(const QString &destPath, const QVariantMap &themeDict);
    // The current theme as "_now_theme.plist" holds it; empty when it cannot be read.
    static QVariantMap readNowTheme();
    // Writes the current theme after a colour or font edit (icons left out).
    static bool saveNowTheme(const QVariantMap &themeDict);

    // "_FileName", "_Name", "_Author", "_Credit" (strings) and "_ForDarkAppearance" of a file
    // of the directory.
    static QVariantMap retThemeDetail(const QString &fileName);
    // The themes offered in the theme menu: the current one first, then the directory's
    // other ".plist" files by name.
    static QList<QVariantMap> themeList();
    // "○ Selected Theme", "● Night" ...
    static QString themeMenuTitle(const QVariantMap &detail);
    // "<name> by <author>\n<credit>\n○ for Light Appearance".
    static QString themeDetailLabel(const QVariantMap &detail);
    // Makes the directory's file `fileName` the current theme. Picking the current theme
    // itself changes nothing. False when the file is not a theme of the directory.
    static bool pickTheme(const QString &fileName);
    // The file to switch to when the appearance (`darkMode`) does not match the theme and
    // its alternative is listed; empty otherwise.
    static QString retAlternativeThemeFile(const QVariantMap &theme, bool darkMode);

    // A reference theme as shipped in the program's resources.
    static QVariantMap builtInReference(bool dark);
};

} // namespace orb
