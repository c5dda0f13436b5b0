#include "prefs/FullWidthText.h"

#include <QFont>
#include <QFontMetrics>
#include <QList>

namespace orb {

namespace {
constexpr char32_t kIdeographicSpace = 0x3000;
constexpr char32_t kFirstFullWidth = 0xFF01; // "！"
constexpr char32_t kLastFullWidth = 0xFF5E;  // "～"
constexpr char32_t kToAscii = 0xFEE0;

bool isFullWidth(char32_t c) { return c == kIdeographicSpace || (c >= kFirstFullWidth && c <= kLastFullWidth); }
} // namespace

QString FullWidthText::shown(const QString &text, const std::function<bool(char32_t)> &renderable)
{
    QString out;
    out.reserve(text.size() + 2);
    for (const char32_t c : text.toUcs4()) {
        if (!isFullWidth(c) || renderable(c)) {
            out.append(QString::fromUcs4(&c, 1));
            continue;
        }
        const QChar plain = c == kIdeographicSpace ? QLatin1Char(' ') : QChar(static_cast<char16_t>(c - kToAscii));
        const bool opening = plain == QLatin1Char('(') || plain == QLatin1Char('[') || plain == QLatin1Char('{');
        if (opening && !out.isEmpty() && out.back().isLetterOrNumber())
            out.append(QLatin1Char(' '));
        out.append(plain);
    }
    return out;
}

QString FullWidthText::shown(const QString &text, const QFont &font)
{
    const QFontMetrics metrics(font);
    return shown(text, [&metrics](char32_t c) { return metrics.inFontUcs4(c); });
}

} // namespace orb
