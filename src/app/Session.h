#pragma once
#include "app/CommandLine.h"

namespace orb {

// Brings up the application object and runs the monitor, `sample` or `snapshot`.
class Session {
public:
    static int run(int argc, char **argv, const CommandLineOptions &options);
};

} // namespace orb
