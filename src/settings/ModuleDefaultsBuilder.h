#pragma once
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <initializer_list>

namespace orb {

class SettingsStore;

// The parts every module builder shares: theme colours and images, font keys, the spacing
// rule and text measurement at the theme's base size.
class ModuleDefaultsBuilder {
public:
    ModuleDefaultsBuilder(SettingsStore &store, const QVariantMap &theme);

    // Copies stored booleans / integers / arrays / strings under the same keys.
    void copyBools(std::initializer_list<const char *> keys);
    void copyIntegers(std::initializer_list<const char *> keys);
    // Reads a number stored as integer or real and keeps its whole part.
    void copyTruncated(std::initializer_list<const char *> keys);
    void copyArray(const char *key);
    void copyString(const char *key);
    void padding(const char *key);
    // Theme colours become QColor, image data QImage; a missing value leaves its key absent.
    void themeColors(std::initializer_list<const char *> keys);
    void themeColorRange(char prefix, int first, int last);
    void themeImages(std::initializer_list<const char *> keys);
    // "_ForDarkAppearance", "_FontPostScriptName", "_FontAdjust", "_FontSizeDiff".
    void fontKeys();

    // 10 + "_FontSizeDiff".
    double baseFontSize() const;
    QString fontName() const;
    // Widest of `strings` at `size` in the theme font, rounded up (not yet down).
    double measure(const QStringList &strings, double size) const;

    void set(const QString &key, const QVariant &value) { dict_.insert(key, value); }
    QVariant value(const QString &key) const { return dict_.value(key); }
    QVariantMap take() { return std::move(dict_); }
    SettingsStore &store() { return store_; }

private:
    SettingsStore &store_;
    const QVariantMap &theme_;
    QVariantMap dict_;
};

} // namespace orb
