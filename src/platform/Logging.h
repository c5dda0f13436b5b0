#pragma once
#include <QLoggingCategory>

// One logging category per subsystem; debug lines are off unless --verbose.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcSettings)
Q_DECLARE_LOGGING_CATEGORY(lcCollect)
Q_DECLARE_LOGGING_CATEGORY(lcToolkit)
Q_DECLARE_LOGGING_CATEGORY(lcModules)
Q_DECLARE_LOGGING_CATEGORY(lcPrefs)
Q_DECLARE_LOGGING_CATEGORY(lcServices)
Q_DECLARE_LOGGING_CATEGORY(lcPlatform)

namespace orb {
// Installs the filter rules: info and above by default, everything with verbose.
void configureLogging(bool verbose);
}
