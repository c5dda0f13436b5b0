#include "platform/statusbar/TrayHeadline.h"

namespace orb {

bool parseTrayStyle(const QString &text, TrayStyle &style)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("auto"))
        style = TrayStyle::Auto;
    else if (t == QLatin1String("wide"))
        style = TrayStyle::Wide;
    else if (t == QLatin1String("compact"))
        style = TrayStyle::Compact;
    else
        return false;
    return true;
}

QString trayStyleName(TrayStyle style)
{
    switch (style) {
    case TrayStyle::Wide:
        return QStringLiteral("wide");
    case TrayStyle::Compact:
        return QStringLiteral("compact");
    case TrayStyle::Auto:
        break;
    }
    return QStringLiteral("auto");
}

} // namespace orb
