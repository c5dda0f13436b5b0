#pragma once
#include <QString>

namespace orb {

// Settings of other domains (the system and other programs' settings), kept in our own
// store in-process: no child process, no shell.
class GeneralFunctions {
public:
    // The value as text, trimmed; empty when the key is absent.
    static QString checkDefaultsRead(const QString &domain, const QString &key);
    static void changeDefaultsWrite(const QString &domain, const QString &key, const QString &strValue);
    // Stores the boolean !off. Restarting a file manager has no counterpart here.
    static void changeDefaultsWrite(bool off, const QString &domain, const QString &key, bool killFinder);
    static void changeDefaultsDelete(const QString &domain, const QString &key);
    // Writes `value` only when the key has no value at all.
    static void checkDefaultsBoolFind(const QString &domain, const QString &key, bool value);
};

} // namespace orb
