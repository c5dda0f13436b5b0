#pragma once
#include <QStringList>
#include <QTextStream>

namespace orb {

// `orbmeter defaults read|write|delete ...`: the settings store from the shell.
class DefaultsCommand {
public:
    // `args` start after the word "defaults". Returns the process exit code.
    static int run(const QStringList &args, QTextStream &out, QTextStream &err);

    // Old-style property-list text of a value, as the read command prints it.
    static QString describe(const QVariant &value, int indent = 0);
};

} // namespace orb
