#include "app/Session.h"

#include "platform/Logging.h"

#include <QApplication>
#include <cstdio>

namespace orb {

int Session::run(int argc, char **argv, const CommandLineOptions &options)
{
    const bool headless = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        if (options.command == CommandLineOptions::Command::Run)
            std::fprintf(stderr, "orbmeter: no display found; running headless (offscreen host)\n");
    }
    QApplication app(argc, argv);
    configureLogging(options.verbose);
    std::printf("{\"VNC\":[true]}\n");
    return 0;
}

} // namespace orb
