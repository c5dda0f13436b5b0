#pragma once
#include "toolkit/OrbColors.h"

#include <QColor>
#include <QVariantMap>
#include <algorithm>
#include <vector>

namespace orb {

// A typed copy of a module settings dictionary, rebuilt only when the controller hands over
// another dictionary: redraws read the struct, never the dictionary. `Settings` provides
// `static Settings from(const QVariantMap &)`.
template <typename Settings>
class TypedSettings {
public:
    const Settings &of(const QVariantMap &dictionary) { return of(dictionary, &Settings::from); }
    // The same with the struct built by `build(dictionary)`.
    template <typename Build>
    const Settings &of(const QVariantMap &dictionary, Build build)
    {
        if (!built_ || !source_.isSharedWith(dictionary)) {
            settings_ = build(dictionary);
            source_ = dictionary;
            built_ = true;
        }
        return settings_;
    }

private:
    QVariantMap source_;
    Settings settings_{};
    bool built_ = false;
};

// Readers the settings builders share.
namespace settingsValue {
inline bool flag(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).toBool(); }
inline double number(const QVariantMap &d, const char *key) { return d.value(QLatin1String(key)).toDouble(); }
inline QColor colour(const QVariantMap &d, const char *key) { return OrbColors::colorFromValue(d.value(QLatin1String(key))); }
// The element codes of a sort array in the user's order, each once; codes outside
// 1..maxCode are skipped.
inline std::vector<int> elementOrder(const QVariant &sortArray, int maxCode)
{
    std::vector<int> order;
    for (const QVariant &entry : sortArray.toList()) {
        const int code = entry.toInt();
        if (code >= 1 && code <= maxCode && std::find(order.begin(), order.end(), code) == order.end())
            order.push_back(code);
    }
    return order;
}
} // namespace settingsValue

} // namespace orb
