#include "app/CommandLine.h"

#include "app/DefaultsCommand.h"
#include "app/Session.h"
#include "platform/Logging.h"
#include "platform/linux/AutostartEntry.h"
#include "platform/linux/MemoryPurger.h"
#include "platform/statusbar/TrayHeadline.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace orb {

namespace {

// Output that could not be written (a full disk, a closed file) is a failure, not success.
int checkedOutput(int code)
{
    errno = 0;
    const bool flushFailed = std::fflush(stdout) != 0;
    const int error = errno;
    if (!flushFailed && !std::ferror(stdout))
        return code;
    std::fprintf(stderr, "orbmeter: cannot write the output: %s\n",
                 flushFailed && error != 0 ? std::strerror(error) : "write error");
    return code == 0 ? 1 : code;
}

int run(int argc, char **argv, const CommandLineOptions &options);

} // namespace

QString CommandLine::usage()
{
    return QStringLiteral(
        "usage: orbmeter [--host sni|panel|offscreen] [--tray-style wide|compact|auto] [--verbose]\n"
        "       orbmeter --version | --help\n"
        "       orbmeter sample [--passes N] [--sysroot DIR]... [--all-modules]\n"
        "       orbmeter snapshot --out DIR [--passes N] [--sysroot DIR]... [--all-modules] [--open MODULE]\n"
        "                [--preferences MODULE|all]\n"
        "       orbmeter defaults [--json] [--domain D] read [KEY]\n"
        "       orbmeter defaults [--domain D] write KEY -bool|-int|-float|-string VALUE\n"
        "       orbmeter defaults [--domain D] delete KEY\n"
        "       orbmeter autostart [on|off]\n"
        "\n"
        "--tray-style: how a StatusNotifierItem tray shows each item: wide (the full image, for\n"
        "trays that keep its shape), compact (a square icon with the figure as label), or auto\n"
        "(chosen for the running tray; the default, or the TrayStyle setting).\n"
        "\n"
        "Settings: $XDG_CONFIG_HOME/Orbmeter9/org.orbmeter.Orbmeter9.plist\n"
        "Themes:   $XDG_DATA_HOME/Orbmeter9/\n"
        "ORBMETER_SYSROOT=DIR reads the machine from DIR instead of /.\n")
        + QStringLiteral("Purge helper: %1\n").arg(MemoryPurger::defaultHelperPath());
}

bool CommandLine::parse(const QStringList &args, CommandLineOptions &o, QString &error)
{
    int i = 0;
    auto value = [&](const QString &flag, QString &into) {
        if (i + 1 >= args.size()) {
            error = flag + QStringLiteral(" needs a value");
            return false;
        }
        into = args[++i];
        return true;
    };
    if (!args.isEmpty()) {
        const QString &first = args.first();
        if (first == QLatin1String("sample")) {
            o.command = CommandLineOptions::Command::Sample;
            i = 1;
        } else if (first == QLatin1String("snapshot")) {
            o.command = CommandLineOptions::Command::Snapshot;
            i = 1;
        } else if (first == QLatin1String("autostart")) {
            o.command = CommandLineOptions::Command::Autostart;
            if (args.size() > 2 || (args.size() == 2 && args[1] != QLatin1String("on") && args[1] != QLatin1String("off"))) {
                error = QStringLiteral("autostart takes on or off");
                return false;
            }
            o.autostart = args.value(1);
            return true;
        } else if (first == QLatin1String("defaults")) {
            o.command = CommandLineOptions::Command::Defaults;
            o.defaultsArgs = args.mid(1);
            return true;
        }
    }
    const bool sampling = o.command == CommandLineOptions::Command::Sample
        || o.command == CommandLineOptions::Command::Snapshot;
    for (; i < args.size(); ++i) {
        const QString &a = args[i];
        QString v;
        if (a == QLatin1String("--version")) {
            o.command = CommandLineOptions::Command::Version;
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            o.command = CommandLineOptions::Command::Help;
        } else if (a == QLatin1String("--verbose") || a == QLatin1String("-v")) {
            o.verbose = true;
        } else if (a == QLatin1String("--host") && !sampling) {
            if (!value(a, o.host))
                return false;
            if (o.host != QLatin1String("sni") && o.host != QLatin1String("panel")
                && o.host != QLatin1String("offscreen")) {
                error = QStringLiteral("unknown host: ") + o.host;
                return false;
            }
        } else if (a == QLatin1String("--tray-style") && !sampling) {
            if (!value(a, o.trayStyle))
                return false;
            TrayStyle style;
            if (!parseTrayStyle(o.trayStyle, style)) {
                error = QStringLiteral("unknown tray style: ") + o.trayStyle;
                return false;
            }
            o.trayStyle = trayStyleName(style);
        } else if (a == QLatin1String("--sysroot") && sampling) {
            if (!value(a, v))
                return false;
            o.sysroots << v;
        } else if (a == QLatin1String("--passes") && sampling) {
            if (!value(a, v))
                return false;
            bool ok = false;
            o.passes = v.toInt(&ok);
            if (!ok || o.passes < 0 || o.passes > 10000000) {
                error = QStringLiteral("--passes needs a whole number");
                return false;
            }
        } else if (a == QLatin1String("--all-modules") && sampling) {
            o.allModules = true;
        } else if (a == QLatin1String("--out") && o.command == CommandLineOptions::Command::Snapshot) {
            if (!value(a, o.outDir))
                return false;
        } else if (a == QLatin1String("--open") && o.command == CommandLineOptions::Command::Snapshot) {
            if (!value(a, o.openModule))
                return false;
            o.openModule = o.openModule.toLower();
        } else if (a == QLatin1String("--preferences") && o.command == CommandLineOptions::Command::Snapshot) {
            if (!value(a, o.preferencesTab))
                return false;
            o.preferencesTab = o.preferencesTab.toLower();
        } else {
            error = QStringLiteral("unknown option: ") + a;
            return false;
        }
    }
    if (o.command == CommandLineOptions::Command::Snapshot && o.outDir.isEmpty()) {
        error = QStringLiteral("snapshot needs --out DIR");
        return false;
    }
    return true;
}

int CommandLine::main(int argc, char **argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    CommandLineOptions options;
    QString error;
    if (!parse(args, options, error)) {
        std::fprintf(stderr, "orbmeter: %s\n%s", qPrintable(error), qPrintable(usage()));
        return 2;
    }
    return checkedOutput(run(argc, argv, options));
}

namespace {

int run(int argc, char **argv, const CommandLineOptions &options)
{
    switch (options.command) {
    case CommandLineOptions::Command::Version:
        std::printf("Orbmeter %s\n", ORB_VERSION);
        return 0;
    case CommandLineOptions::Command::Help:
        std::printf("%s", qPrintable(CommandLine::usage()));
        return 0;
    case CommandLineOptions::Command::Defaults: {
        QCoreApplication app(argc, argv);
        configureLogging(false);
        QTextStream out(stdout);
        QTextStream err(stderr);
        const int code = DefaultsCommand::run(options.defaultsArgs, out, err);
        out.flush();
        if (out.status() != QTextStream::Ok) {
            std::fprintf(stderr, "orbmeter: cannot write the output\n");
            return code == 0 ? 1 : code;
        }
        return code;
    }
    case CommandLineOptions::Command::Autostart: {
        QCoreApplication app(argc, argv);
        configureLogging(false);
        AutostartEntry entry;
        if (!options.autostart.isEmpty() && !entry.setEnabled(options.autostart == QLatin1String("on"))) {
            std::fprintf(stderr, "orbmeter: could not change %s\n", qPrintable(entry.path()));
            return 1;
        }
        std::printf("autostart %s (%s)\n", entry.isEnabled() ? "on" : "off", qPrintable(entry.path()));
        return 0;
    }
    default:
        break;
    }
    return Session::run(argc, argv, options);
}

} // namespace

} // namespace orb
