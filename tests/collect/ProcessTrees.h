#pragma once
// Writes /proc trees of many processes into a temporary directory, for the scans whose
// size matters more than their names.
#include "TestEnvironment.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <cstdint>

namespace orb::test {

struct ProcessLine {
    int pid = 1;
    QByteArray comm = "proc";
    uint64_t utime = 0;
    uint64_t stime = 0;
    uint64_t startTime = 100;
    int64_t rssPages = 0;
    char state = 'S';
    uint64_t flags = 0x00400100;
};

// The 52 fields of a kernel 6.1 stat line.
inline QByteArray statLine(const ProcessLine &p)
{
    return QByteArray::number(p.pid) + " (" + p.comm + ") " + p.state + " 1 " + QByteArray::number(p.pid) + " "
           + QByteArray::number(p.pid) + " 0 -1 " + QByteArray::number(p.flags) + " 120 0 0 0 "
           + QByteArray::number(p.utime) + " " + QByteArray::number(p.stime) + " 0 0 20 0 1 0 "
           + QByteArray::number(p.startTime) + " 123456 " + QByteArray::number(p.rssPages)
           + " 18446744073709551615 1 1 0 0 0 0 0 0 0 0 0 0 17 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
}

// The stat file, and with `commandLine` a cmdline naming /usr/bin/<comm>.
inline void writeProcess(const QString &root, const ProcessLine &p, bool commandLine = false)
{
    writeFile(root + QStringLiteral("/proc/%1/stat").arg(p.pid), statLine(p));
    if (commandLine)
        writeFile(root + QStringLiteral("/proc/%1/cmdline").arg(p.pid), "/usr/bin/" + p.comm + '\0');
}

} // namespace orb::test
