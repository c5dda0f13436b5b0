#include "platform/statusbar/TrayHeadline.h"

#include <cmath>

namespace orb {

QString TrayHeadline::shortAmount(double amount, double step)
{
    if (!std::isfinite(amount) || amount <= 0.0)
        return QStringLiteral("0");
    if (!(step > 1.0))
        step = 1024.0;
    static constexpr char kPrefixes[] = {'K', 'M', 'G', 'T', 'P', 'E'};
    if (std::round(amount) < 1000.0)
        return QString::number(static_cast<int>(std::round(amount)));
    double scaled = amount;
    for (char prefix : kPrefixes) {
        scaled /= step;
        // Rounded as shown: 9.96 is "10", 999.6 moves on to the next prefix.
        if (std::round(scaled * 10.0) < 100.0)
            return QString::number(std::round(scaled * 10.0) / 10.0, 'f', 1) + QLatin1Char(prefix);
        if (std::round(scaled) < 1000.0)
            return QString::number(static_cast<int>(std::round(scaled))) + QLatin1Char(prefix);
    }
    return QStringLiteral("999E");
}

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
