#pragma once
#include <QString>
#include <QStringList>
#include <optional>

namespace orb {

// Runs a command-line tool and hands back its standard output. Blocks the calling thread
// for at most the timeout, so call it from the collection worker or for a menu that is
// about to open, never per tick.
class ToolRunner {
public:
    static constexpr int kDefaultTimeoutMs = 3000;
    static constexpr qint64 kDefaultMaxOutput = 1 << 20;

    // `program` is started directly with `arguments` (never through a shell); stderr is
    // discarded. Output beyond `maxOutput` bytes is cut off and the tool is stopped.
    // Nothing when the tool cannot start, crashes, runs past the timeout (it is killed)
    // or prints nothing. Output is decoded as UTF-8.
    static std::optional<QString> retSysCtlStringValue(const QString &program,
                                                       const QStringList &arguments = {},
                                                       int timeoutMs = kDefaultTimeoutMs,
                                                       qint64 maxOutput = kDefaultMaxOutput);
};

} // namespace orb
