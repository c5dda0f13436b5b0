#pragma once
#include <QString>
#include <QStringList>

namespace orb {

// What the command line asked for (the contract every tool and test relies on).
struct CommandLineOptions {
    enum class Command { Run, Version, Help, Sample, Snapshot, Defaults, Autostart };
    Command command = Command::Run;
    QString host;                 // sni | panel | offscreen, empty = choose
    QString trayStyle;            // wide | compact | auto, empty = the stored setting
    QStringList sysroots;         // --sysroot, in order
    int passes = 1;               // sample / snapshot
    bool allModules = false;
    QString outDir;               // snapshot --out
    QString openModule;           // snapshot --open
    QString preferencesTab;       // snapshot --preferences: a module key or "all"
    bool verbose = false;
    QStringList defaultsArgs;     // everything after "defaults"
    QString autostart;            // "on", "off", or empty to report
};

class CommandLine {
public:
    // Parses argv (without the program name). On error returns false with `error` set.
    static bool parse(const QStringList &args, CommandLineOptions &options, QString &error);
    static QString usage();
    // Runs the program; returns the exit code.
    static int main(int argc, char **argv);
};

} // namespace orb
