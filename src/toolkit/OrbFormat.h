#pragma once
#include <QFont>
#include <QString>
#include <QStringList>
#include <array>

namespace orb {

// Stateless number and unit formatting shared by every module. All results are
// locale-free: a German desktop still gets "1.46KB/s", never "1,46KB/s".
class OrbFormat {
public:
    OrbFormat() = delete;

    // Fixed-point text with printf rounding of the binary value ("%.*f" in the C locale).
    // Non-finite values print as 0.
    static QString fixed(double value, int decimals);
    // The same with `suffix` after it ("12%", "1.5GB"), built as one string: the items format
    // several of these a second.
    static QString fixed(double value, int decimals, QLatin1StringView suffix);

    // The same text kept on the stack: the items hash, compare or put together their texts on
    // every pass, and make a string only of what they hand on. A suffix longer than kMaxSuffix
    // is cut there (fixed() keeps it whole).
    class FixedText {
    public:
        static constexpr qsizetype kMaxSuffix = 64;
        FixedText(double value, int decimals, QLatin1StringView suffix = {});
        // A text that is no figure ("---").
        explicit FixedText(QLatin1StringView text);
        QLatin1StringView view() const { return {chars_.data(), size_}; }
        QString toString() const { return QString(view()); }
        // A copy with every decimal digit as '8', as retEightNumber() gives it.
        FixedText eightNumber() const;
        // A whole number as QString::number() prints it.
        static FixedText integer(qint64 value);
        // Adds `text` at the end, cut where the room ends.
        void append(QLatin1StringView text);
        // Keeps the first `size` characters.
        void truncate(qsizetype size);
        // Makes `out` this text. A string that holds its characters alone is written in place
        // and keeps its storage, so a text an item draws every pass needs none of its own.
        void assignTo(QString &out) const;

    private:
        // The widest double in fixed notation with 17 decimals is under 330 characters.
        static constexpr qsizetype kMaxFigure = 340;
        std::array<char, kMaxFigure + kMaxSuffix> chars_;
        qsizetype size_ = 0;
    };
    // calcMemorySize's text as a FixedText.
    static FixedText memorySizeText(qint64 bytes, int unitNumber);
    // A share of 0..1 as a percentage: percent(0.42) is "42%".
    static QString percent(double fraction, int decimals = 0);
    static FixedText percentText(double fraction, int decimals = 0);

    // Network rate: binary multiples, "B/s" or "bps"; digits > 0 fits the number into
    // that many characters (truncating), digits <= 0 gives one decimal.
    static QString calcBytesPerSec(double bytesPerSec, bool byteToBit, int digits);
    static FixedText bytesPerSecText(double bytesPerSec, bool byteToBit, int digits);
    // A scaled value cut (not rounded) to `digits` characters; `oriDbl` below 1024 prints whole.
    static QString retArrangedNumber(double scaled, double oriDbl, int digits);
    static FixedText arrangedNumberText(double scaled, double oriDbl, int digits);
    // Disk access rate, decimal multiples, one decimal.
    static QString calcDiscAccessPerSec(qint64 bytesPerSec);
    // Disk size, decimal multiples.
    static QString calcDiskSize(qint64 bytes);
    // Drive lifetime reads/writes given in kilobytes, binary multiples.
    static QString calcDiskUnitRwSize(qint64 kilobytes);
    // Memory size; unitNumber 1 automatic, 2 MB, 3 GB.
    static QString calcMemorySize(qint64 bytes, int unitNumber);
    // Installed memory in whole gigabytes (or terabytes).
    static QString calcTotalMemorySize(qint64 bytes, int unitNumber);
    // Temperature in degrees Celsius shown in unit 1 C, 2 F, 3 K; 0 or below is no reading.
    static QString calcTempWithUnit(float celsius, int unitNum, const QString &unitStr, bool noAsHyphen);
    // Number of decimal digits of a non-negative number (negative counts as 1).
    static int OrbCalcDigits(qint64 value);
    // Copy with every decimal digit replaced by '8' (a stable width sample).
    static QString retEightNumber(const QString &text);
    // Wi-Fi signal level 0..5 from dBm.
    static int retRssiLevel(int rssi);

    // Widest of `strings` in the font named `fontName` (a PostScript name, or a family) at
    // `fontSize` logical pixels, rounded up. Unknown names measure with the fallback font.
    static double calcMenuLabelSize(const QStringList &strings, double fontSize, const QString &fontName);
    // Height of `lines` lines of text in `font`.
    static double calcTextViewHeightWithLines(int lines, const QFont &font);

    // First letter of every space-separated word in upper case.
    static QString orbCollectString(const QString &text);
    // Copy without "\n", "\r", "\t" and NUL.
    static QString OrbRemoveNRTZ(const QString &text);
};

} // namespace orb
