#pragma once
#include <QFont>
#include <QList>
#include <QString>

namespace orb {

// Installed fonts as the theme names them: a family, a style within it, and the
// PostScript name of that member (read through fontconfig).
class FontCatalog {
public:
    FontCatalog() = delete;

    struct Member {
        QString postScriptName;
        QString styleName;
        bool operator==(const Member &) const = default;
    };

    // Used when a theme's font is not installed.
    static constexpr const char *kFallbackFamily = "DejaVu Sans Mono";
    static constexpr const char *kFallbackStyle = "Bold";
    static constexpr const char *kFallbackPostScriptName = "DejaVuSansMono-Bold";

    // The members of an installed family (empty when the family is unknown).
    static QList<Member> members(const QString &family);
    // True when `family` is installed and has a member with that PostScript and style name.
    static bool isValidFont(const QString &family, const QString &style, const QString &postScriptName);
    // The font for a PostScript name (or, failing that, a family name) at `pixelSize`
    // logical pixels (rounded to whole pixels); an unknown name gives the fallback font.
    static QFont fontForName(const QString &name, double pixelSize);
    // The fallback font at `pixelSize`.
    static QFont fallbackFont(double pixelSize);
    // Forgets cached look-ups (after fonts were added to the application).
    static void clearCache();
};

} // namespace orb
