#include "platform/Logging.h"

Q_LOGGING_CATEGORY(lcApp, "orbmeter.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSettings, "orbmeter.settings", QtInfoMsg)
Q_LOGGING_CATEGORY(lcCollect, "orbmeter.collect", QtInfoMsg)
Q_LOGGING_CATEGORY(lcToolkit, "orbmeter.toolkit", QtInfoMsg)
Q_LOGGING_CATEGORY(lcModules, "orbmeter.modules", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPrefs, "orbmeter.prefs", QtInfoMsg)
Q_LOGGING_CATEGORY(lcServices, "orbmeter.services", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlatform, "orbmeter.platform", QtInfoMsg)

namespace orb {
void configureLogging(bool verbose)
{
    qSetMessagePattern(QStringLiteral("%{if-category}%{category}: %{endif}%{message}"));
    if (verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("orbmeter.*.debug=true"));
}
}
