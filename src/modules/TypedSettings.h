#pragma once
#include <QVariantMap>

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

} // namespace orb
