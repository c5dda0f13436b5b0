#pragma once
#include "platform/Sysroot.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <ctime>
#include <optional>

namespace orb {

// Descriptive processor facts for the CPU menu. Class-level operations only, no state;
// they read files under the sysroot and are meant for when a menu opens, not per tick.
class CpuInformation {
public:
    // "model name" of the first processor in /proc/cpuinfo, cleaned (see cleanBrandName);
    // the base (else maximum) cpufreq clock of cpu0 is appended when the name carries no
    // clock. Empty when /proc/cpuinfo has no model name.
    static QString cpuGetBrandNameNew(const Sysroot &root);
    // Removes line breaks, "(R)", "(TM)", "CPU" and "@" and collapses white space.
    static QString cleanBrandName(const QString &raw);

    // Machine type and maximum clock, such as "x86_64 2.40GHz". The machine type is
    // uname's on the host and <sysroot>/proc/sys/kernel/arch elsewhere. Nothing when
    // either is unavailable.
    static std::optional<QString> cpuGetRareNameNew(const Sysroot &root);
    // "2.40GHz" above 1,000,000,000 Hz, else whole megahertz ("1000MHz", "800MHz").
    static QString formatClock(uint64_t hertz);

    // Distinct (physical package, core) pairs under /sys/devices/system/cpu; 0 when unknown.
    static int LoadNumberOfCpuPsyCores(const Sysroot &root);
    // Online logical processors from /sys/devices/system/cpu/online, else the cpuN lines of
    // /proc/stat; 0 when neither is readable.
    static int logicalProcessorCount(const Sysroot &root);

    // Five strings: uptime since boot, system (awake) uptime, "N threads, M processes",
    // load averages, host name. "---" for any that cannot be read.
    static QStringList cpuGetOptionData(const Sysroot &root);
    // The same with the wall-clock time given (seconds since the epoch).
    static QStringList cpuGetOptionData(const Sysroot &root, std::time_t now);

    // "D day(s) H:MM:SS" from one day on, else "H:MM:SS"; "---" for a negative or
    // non-finite duration (a missing reading).
    static QString buildUpTime(double seconds);
};

} // namespace orb
