#pragma once
#include <QString>

namespace orb {

// The application's string table. Keys are the format keys used throughout the program;
// each has an English text with Qt-style %1..%n placeholders, translated through Qt's
// translator under the context "OrbStrings". Fill the placeholders with QString::arg
// (locale-independent for numbers unless %L is used).
class OrbStrings {
public:
    // Translated text for `key`; English when no translation is installed or the
    // translation is empty. An unknown key is logged and returned as it is.
    static QString text(const char *key);
};

} // namespace orb
