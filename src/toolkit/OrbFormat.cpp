#include "toolkit/OrbFormat.h"

#include "settings/FontCatalog.h"
#include "toolkit/GlyphComposer.h"

#include <QFontMetricsF>
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <cmath>
#include <limits>
#include <optional>

namespace orb {
namespace {

constexpr double kKiB = 1024.0;
constexpr double kMiB = 1048576.0;
constexpr double kGiB = 1073741824.0;

// Truncates toward zero into the 64-bit range; NaN gives 0.
qint64 truncated(double v)
{
    if (!std::isfinite(v))
        return v > 0 ? std::numeric_limits<qint64>::max() : (v < 0 ? std::numeric_limits<qint64>::min() : 0);
    if (v >= 9.2e18)
        return std::numeric_limits<qint64>::max();
    if (v <= -9.2e18)
        return std::numeric_limits<qint64>::min();
    return static_cast<qint64>(v);
}

QString withUnit(double value, int decimals, const char *unit)
{
    return OrbFormat::fixed(value, decimals, QLatin1StringView(unit));
}

constexpr uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000};
constexpr double kShortScaledLimit = 4294967296.0; // 2^32

// The short figures the items show each second (a share, a size, a rate) the quick way.
// Scaled to a whole number, a figure rounds as its exact binary value does: a point halfway
// between two whole numbers this small is itself a double, so rounding the product never
// carries it across one. Only a product that lands on such a point is in doubt; the general
// conversion settles those. Returns the length written, 0 when it was not written.
int shortFixed(double value, int decimals, char *out)
{
    if (decimals >= static_cast<int>(std::size(kPowersOfTen)))
        return 0;
    const uint64_t scale = kPowersOfTen[decimals];
    const double scaled = std::fabs(value) * static_cast<double>(scale);
    if (!(scaled < kShortScaledLimit))
        return 0;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole; // exact
    if (!(fraction < 0.5) && !(fraction > 0.5))
        return 0;
    const uint64_t digits = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    char *p = out;
    if (std::signbit(value))
        *p++ = '-';
    p = std::to_chars(p, p + 24, digits / scale).ptr;
    if (decimals > 0) {
        *p++ = '.';
        uint64_t part = digits % scale;
        for (int i = decimals - 1; i >= 0; --i) {
            p[i] = static_cast<char>('0' + part % 10);
            part /= 10;
        }
        p += decimals;
    }
    return static_cast<int>(p - out);
}

} // namespace

QString OrbFormat::fixed(double value, int decimals) { return fixed(value, decimals, {}); }

QString OrbFormat::fixed(double value, int decimals, QLatin1StringView suffix)
{
    if (suffix.size() > FixedText::kMaxSuffix)
        return FixedText(value, decimals).toString() + suffix;
    return FixedText(value, decimals, suffix).toString();
}

OrbFormat::FixedText::FixedText(double value, int decimals, QLatin1StringView suffix)
{
    if (!std::isfinite(value))
        value = 0.0;
    decimals = std::clamp(decimals, 0, 17);
    char *const buf = chars_.data();
    int n = shortFixed(value, decimals, buf);
    if (n == 0) {
        const auto res = std::to_chars(buf, buf + kMaxFigure, value, std::chars_format::fixed, decimals);
        if (res.ec != std::errc()) {
            buf[0] = '0';
            n = 1;
        } else {
            n = static_cast<int>(res.ptr - buf);
        }
    }
    const qsizetype tail = std::min(suffix.size(), kMaxSuffix);
    if (tail > 0) // an empty view may have no data at all
        std::memcpy(buf + n, suffix.data(), static_cast<size_t>(tail));
    size_ = n + tail;
}

OrbFormat::FixedText::FixedText(QLatin1StringView text)
    : size_(std::min<qsizetype>(text.size(), static_cast<qsizetype>(sizeof chars_)))
{
    if (size_ > 0)
        std::memcpy(chars_.data(), text.data(), static_cast<size_t>(size_));
}

OrbFormat::FixedText OrbFormat::FixedText::eightNumber() const
{
    FixedText out = *this;
    std::replace_if(out.chars_.begin(), out.chars_.begin() + out.size_, [](char c) { return c >= '0' && c <= '9'; }, '8');
    return out;
}

OrbFormat::FixedText OrbFormat::FixedText::integer(qint64 value)
{
    FixedText out(QLatin1StringView{});
    out.size_ = static_cast<qsizetype>(std::to_chars(out.chars_.data(), out.chars_.data() + out.chars_.size(), value).ptr
                                       - out.chars_.data());
    return out;
}

void OrbFormat::FixedText::append(QLatin1StringView text)
{
    const qsizetype n = std::min(text.size(), static_cast<qsizetype>(chars_.size()) - size_);
    if (n > 0)
        std::memcpy(chars_.data() + size_, text.data(), static_cast<size_t>(n));
    size_ += std::max<qsizetype>(n, 0);
}

void OrbFormat::FixedText::truncate(qsizetype size) { size_ = std::clamp<qsizetype>(size, 0, size_); }

void OrbFormat::FixedText::assignTo(QString &out) const
{
    const QLatin1StringView text = view();
    if (out == text)
        return;
    // resize() and begin() copy a string shared with another first; its own is reused.
    out.resize(text.size());
    std::transform(text.begin(), text.end(), out.begin(), [](char c) { return QLatin1Char(c); });
}

QString OrbFormat::percent(double fraction, int decimals) { return percentText(fraction, decimals).toString(); }

OrbFormat::FixedText OrbFormat::percentText(double fraction, int decimals)
{
    return {fraction * 100.0, decimals, QLatin1StringView("%")};
}

QString OrbFormat::calcBytesPerSec(double bytesPerSec, bool byteToBit, int digits)
{
    return bytesPerSecText(bytesPerSec, byteToBit, digits).toString();
}

OrbFormat::FixedText OrbFormat::bytesPerSecText(double bytesPerSec, bool byteToBit, int digits)
{
    static constexpr const char *kUnits[2][4] = {{"B/s", "KB/s", "MB/s", "GB/s"}, {"bps", "Kbps", "Mbps", "Gbps"}};
    const char *const *units = kUnits[byteToBit ? 1 : 0];
    // A rate from a zero interval (0/0, x/0) counts as no traffic.
    if (!std::isfinite(bytesPerSec) || bytesPerSec <= 0.0) {
        FixedText zero(QLatin1StringView(digits > 0 ? "0" : "0.0"));
        zero.append(QLatin1StringView(units[0]));
        return zero;
    }

    const double x = byteToBit ? bytesPerSec * 8.0 : bytesPerSec;
    int unit = 0;
    double scaled = x;
    if (x > kGiB) {
        unit = 3;
        scaled = x / kGiB;
    } else if (x > kMiB) {
        unit = 2;
        scaled = x / kMiB;
    } else if (x > kKiB) {
        unit = 1;
        scaled = x / kKiB;
    }
    if (digits > 0) {
        FixedText text = arrangedNumberText(scaled, x, digits);
        text.append(QLatin1StringView(units[unit]));
        return text;
    }
    return {scaled, 1, QLatin1StringView(units[unit])};
}

QString OrbFormat::retArrangedNumber(double scaled, double oriDbl, int digits)
{
    return arrangedNumberText(scaled, oriDbl, digits).toString();
}

OrbFormat::FixedText OrbFormat::arrangedNumberText(double scaled, double oriDbl, int digits)
{
    if (!(oriDbl >= 1024.0))
        return FixedText::integer(truncated(oriDbl));
    const qint64 whole = truncated(scaled);
    if (OrbCalcDigits(whole) >= digits)
        return FixedText::integer(whole);
    // Cut, not rounded: 1.4648 with four places is "1.46".
    FixedText text(scaled, 6);
    if (text.view().size() > digits) {
        text.truncate(std::max(digits, 0));
        if (text.view().endsWith(QLatin1Char('.')))
            text.truncate(text.view().size() - 1);
    }
    return text;
}

QString OrbFormat::calcDiscAccessPerSec(qint64 n)
{
    if (n <= 0)
        return QStringLiteral("0.0B/s");
    const double v = static_cast<double>(n);
    if (n >= 1000000001)
        return withUnit(v / 1000 / 1000 / 1000, 1, "GB/s");
    if (n >= 1000001)
        return withUnit(v / 1000 / 1000, 1, "MB/s");
    return withUnit(v / 1000, 1, "KB/s");
}

QString OrbFormat::calcDiskSize(qint64 n)
{
    if (n <= 0)
        return QStringLiteral("0Byte");
    const qint64 k = n / 1000;
    const double v = static_cast<double>(k);
    if (k >= 1000000001)
        return withUnit(v / 1000 / 1000 / 1000, 2, "TB");
    if (k >= 1000001)
        return withUnit(v / 1000 / 1000, 1, "GB");
    if (k >= 1001)
        return withUnit(v / 1000, 1, "MB");
    return withUnit(v, 1, "KB");
}

QString OrbFormat::calcDiskUnitRwSize(qint64 kilobytes)
{
    if (kilobytes < 0)
        return QStringLiteral("---");
    const double g = static_cast<double>(kilobytes) / kMiB;
    if (g > 1024.0)
        return withUnit(g / 1024.0, 1, "TB");
    return withUnit(g, 0, "GB");
}

QString OrbFormat::calcMemorySize(qint64 bytes, int unitNumber) { return memorySizeText(bytes, unitNumber).toString(); }

OrbFormat::FixedText OrbFormat::memorySizeText(qint64 bytes, int unitNumber)
{
    if (bytes < 0)
        return FixedText(QLatin1StringView("---"));
    const double m = static_cast<double>(bytes) / kMiB;
    if (unitNumber == 2)
        return {m, 1, QLatin1StringView("MB")};
    if (unitNumber == 3)
        return {m / 1024.0, 2, QLatin1StringView("GB")};
    if (m > 1048576.0)
        return {m / 1024.0 / 1024.0, 2, QLatin1StringView("TB")};
    if (m > 1024.0)
        return {m / 1024.0, 2, QLatin1StringView("GB")};
    return {m, 1, QLatin1StringView("MB")};
}

QString OrbFormat::calcTotalMemorySize(qint64 bytes, int unitNumber)
{
    if (bytes < 0)
        return QStringLiteral("---");
    const double g = static_cast<double>(bytes) / kGiB;
    if (unitNumber == 2 || unitNumber == 3)
        return withUnit(g, 0, "GB");
    if (g > 1024.0)
        return withUnit(g / 1024.0, 1, "TB");
    return withUnit(g, 0, "GB");
}

QString OrbFormat::calcTempWithUnit(float celsius, int unitNum, const QString &unitStr, bool noAsHyphen)
{
    // NaN fails the comparison below and is treated as no reading too.
    if (!(celsius > 0.0f) || !std::isfinite(celsius)) {
        if (noAsHyphen)
            return QStringLiteral("--") + (unitStr.isEmpty() ? QString() : QStringLiteral("-"));
        return QString(QChar(0xFF65));
    }
    double t = celsius;
    if (unitNum == 3)
        t = t + 273.15;
    else if (unitNum == 2)
        t = t * 9.0 / 5.0 + 32.0;
    const float stored = static_cast<float>(t);
    return fixed(stored, 0) + unitStr;
}

int OrbFormat::OrbCalcDigits(qint64 value)
{
    int digits = 1;
    while (value >= 10) {
        value /= 10;
        ++digits;
    }
    return digits;
}

QString OrbFormat::retEightNumber(const QString &text)
{
    if (text.isEmpty())
        return QString();
    QString out = text;
    for (QChar &c : out) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = QLatin1Char('8');
    }
    return out;
}

int OrbFormat::retRssiLevel(int r)
{
    if (r > -51)
        return 5;
    if (r > -61)
        return 4;
    if (r > -71)
        return 3;
    if (r > -81)
        return 2;
    if (r >= -90)
        return 1;
    return 0;
}

double OrbFormat::calcMenuLabelSize(const QStringList &strings, double fontSize, const QString &fontName)
{
    if (strings.isEmpty())
        return 0.0;
    if (!std::isfinite(fontSize) || fontSize <= 0.0)
        return 0.0;
    // QFont takes whole pixel sizes: measure a fractional size 16 times larger and scale back.
    const bool whole = std::abs(fontSize - std::round(fontSize)) < 1e-9;
    const double scale = whole ? 1.0 : 16.0;
    const QFont font = FontCatalog::fontForName(fontName, fontSize * scale);
    std::optional<QFontMetricsF> metrics;
    double widest = 0.0;
    for (const QString &s : strings) {
        // A figure is measured from its glyphs' advances when it can be: the same width,
        // without laying the text out.
        double width = 0.0;
        if (const std::optional<GlyphComposer::Line> line = GlyphComposer::measure(s, font)) {
            width = line->size.width();
        } else {
            if (!metrics)
                metrics.emplace(font);
            width = metrics->horizontalAdvance(s);
        }
        widest = std::max(widest, width / scale);
    }
    // Guard against float noise turning an exact 24.0 into 25.
    return std::ceil(widest - 1e-9);
}

double OrbFormat::calcTextViewHeightWithLines(int lines, const QFont &font)
{
    if (lines <= 0)
        return 0.0;
    // Every line of blanks takes the font's full line spacing.
    const QFontMetricsF metrics(font);
    return metrics.lineSpacing() * lines;
}

QString OrbFormat::orbCollectString(const QString &text)
{
    QString out;
    out.reserve(text.size());
    bool previousWasSpace = false;
    bool previousWasCapital = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A capital slot used up by a space does not open another word.
        const bool capital = i == 0 || (previousWasSpace && !previousWasCapital);
        out += capital ? c.toUpper() : c;
        previousWasSpace = c == QLatin1Char(' ');
        previousWasCapital = capital;
    }
    return out;
}

QString OrbFormat::OrbRemoveNRTZ(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r') && c != QLatin1Char('\t') && c != QChar(0))
            out += c;
    }
    return out;
}

} // namespace orb
