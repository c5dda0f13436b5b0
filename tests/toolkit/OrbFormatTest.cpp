#include "toolkit/OrbFormat.h"

#include "settings/FontCatalog.h"

#include <QDir>
#include <QFontDatabase>
#include <QProcess>
#include <QTemporaryDir>
#include <clocale>
#include <cmath>
#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using orb::OrbFormat;

namespace {

struct RateRow {
    double input;
    const char *bytes4, *bits4, *bytes0, *bits0;
};

const RateRow kRates[] = {
    {0, "0B/s", "0bps", "0.0B/s", "0.0bps"},
    {1, "1B/s", "8bps", "1.0B/s", "8.0bps"},
    {500, "500B/s", "3.90Kbps", "500.0B/s", "3.9Kbps"},
    {1023.7, "1023B/s", "7.99Kbps", "1023.7B/s", "8.0Kbps"},
    {1024, "1024B/s", "8.00Kbps", "1024.0B/s", "8.0Kbps"},
    {1025, "1.00KB/s", "8.00Kbps", "1.0KB/s", "8.0Kbps"},
    {1500, "1.46KB/s", "11.7Kbps", "1.5KB/s", "11.7Kbps"},
    {150000, "146KB/s", "1.14Mbps", "146.5KB/s", "1.1Mbps"},
    {1048576, "1024KB/s", "8.00Mbps", "1024.0KB/s", "8.0Mbps"},
    {2000000, "1.90MB/s", "15.2Mbps", "1.9MB/s", "15.3Mbps"},
    {2000000000000.0, "1862GB/s", "14901Gbps", "1862.6GB/s", "14901.2Gbps"},
};

TEST(OrbFormat, RatesMatchEveryRowOfTheTable)
{
    for (const RateRow &row : kRates) {
        SCOPED_TRACE(row.input);
        EXPECT_EQ(OrbFormat::calcBytesPerSec(row.input, false, 4), row.bytes4);
        EXPECT_EQ(OrbFormat::calcBytesPerSec(row.input, true, 4), row.bits4);
        EXPECT_EQ(OrbFormat::calcBytesPerSec(row.input, false, 0), row.bytes0);
        EXPECT_EQ(OrbFormat::calcBytesPerSec(row.input, true, 0), row.bits0);
    }
}

TEST(OrbFormat, RatesFromAZeroIntervalReadAsNoTraffic)
{
    EXPECT_EQ(OrbFormat::calcBytesPerSec(std::nan(""), false, 4), "0B/s");
    EXPECT_EQ(OrbFormat::calcBytesPerSec(INFINITY, true, 0), "0.0bps");
    EXPECT_EQ(OrbFormat::calcBytesPerSec(-5, false, 4), "0B/s");
}

struct TextRow {
    QString actual;
    const char *expected;
};

TEST(OrbFormat, SizesTemperaturesAndLevelsMatchTheTables)
{
    const QString C = QString::fromUtf8("°C"), F = QString::fromUtf8("°F");
    const qint64 GiB = 1073741824LL;
    const TextRow rows[] = {
        {OrbFormat::calcDiscAccessPerSec(0), "0.0B/s"},
        {OrbFormat::calcDiscAccessPerSec(1), "0.0KB/s"},
        {OrbFormat::calcDiscAccessPerSec(1000000), "1000.0KB/s"},
        {OrbFormat::calcDiscAccessPerSec(1000001), "1.0MB/s"},
        {OrbFormat::calcDiscAccessPerSec(1000000001), "1.0GB/s"},
        {OrbFormat::calcDiskSize(0), "0Byte"},
        {OrbFormat::calcDiskSize(999), "0.0KB"},
        {OrbFormat::calcDiskSize(1000999), "1000.0KB"},
        {OrbFormat::calcDiskSize(1001000), "1.0MB"},
        {OrbFormat::calcDiskSize(500107862016LL), "500.1GB"},
        {OrbFormat::calcDiskSize(1000204886016LL), "1.00TB"},
        {OrbFormat::calcDiskUnitRwSize(-1), "---"},
        {OrbFormat::calcDiskUnitRwSize(524288), "0GB"},
        {OrbFormat::calcDiskUnitRwSize(1073741824), "1024GB"},
        {OrbFormat::calcDiskUnitRwSize(1073741825), "1.0TB"},
        {OrbFormat::calcMemorySize(GiB, 1), "1024.0MB"},
        {OrbFormat::calcMemorySize(GiB, 2), "1024.0MB"},
        {OrbFormat::calcMemorySize(GiB, 3), "1.00GB"},
        {OrbFormat::calcMemorySize(GiB * 3 / 2, 1), "1.50GB"},
        {OrbFormat::calcMemorySize(GiB * 3 / 2, 2), "1536.0MB"},
        {OrbFormat::calcMemorySize(GiB * 3 / 2, 3), "1.50GB"},
        {OrbFormat::calcMemorySize(0, 1), "0.0MB"},
        {OrbFormat::calcMemorySize(0, 3), "0.00GB"},
        {OrbFormat::calcMemorySize(-1, 1), "---"},
        {OrbFormat::calcTotalMemorySize(16 * GiB, 1), "16GB"},
        {OrbFormat::calcTotalMemorySize(2048 * GiB, 1), "2.0TB"},
        {OrbFormat::calcTotalMemorySize(2048 * GiB, 2), "2048GB"},
        {OrbFormat::calcTotalMemorySize(-1, 1), "---"},
        {OrbFormat::calcTempWithUnit(45.5f, 1, C, false), "46°C"},
        {OrbFormat::calcTempWithUnit(44.5f, 1, C, false), "44°C"},
        {OrbFormat::calcTempWithUnit(45.4f, 2, F, false), "114°F"},
        {OrbFormat::calcTempWithUnit(45.4f, 3, "K", false), "319K"},
        {OrbFormat::calcTempWithUnit(0.0f, 1, C, true), "---"},
        {OrbFormat::calcTempWithUnit(-3.0f, 1, C, true), "---"},
        {OrbFormat::calcTempWithUnit(0.0f, 1, QString(), true), "--"},
        {OrbFormat::calcTempWithUnit(-3.0f, 1, QString(), true), "--"},
        {OrbFormat::calcTempWithUnit(0.0f, 1, C, false), "･"},
        {OrbFormat::calcTempWithUnit(NAN, 1, C, true), "---"},
        {OrbFormat::retEightNumber("12.5GB"), "88.8GB"},
        {OrbFormat::retEightNumber(QString()), ""},
        {OrbFormat::orbCollectString("cpu core  die"), "Cpu Core  die"},
        {OrbFormat::orbCollectString(""), ""},
        {OrbFormat::OrbRemoveNRTZ(QString::fromLatin1("Sam\tsung\r\n SSD\0x", 16)), "Samsung SSDx"},
    };
    for (const TextRow &row : rows)
        EXPECT_EQ(row.actual, QString::fromUtf8(row.expected));
}

TEST(OrbFormat, DigitCountsAndSignalLevels)
{
    const std::pair<qint64, int> digits[] = {{0, 1}, {9, 1}, {10, 2}, {999, 3}, {1000, 4}, {99999, 5}};
    for (auto [value, expected] : digits)
        EXPECT_EQ(OrbFormat::OrbCalcDigits(value), expected) << value;
    const std::pair<int, int> levels[] = {{-50, 5}, {-51, 4}, {-60, 4}, {-80, 2}, {-90, 1}, {-91, 0}};
    for (auto [rssi, expected] : levels)
        EXPECT_EQ(OrbFormat::retRssiLevel(rssi), expected) << rssi;
}

// A locale with decimal commas must not leak into any text. Uses de_DE when installed,
// else builds it into a private directory from the system's locale sources.
TEST(OrbFormat, DecimalCommaLocaleDoesNotChangeTexts)
{
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    QTemporaryDir localeDir;
    const QByteArray savedLocPath = qgetenv("LOCPATH");
    bool pinned = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    if (!pinned && QFile::exists("/usr/share/i18n/locales/de_DE")) {
        QProcess::execute("localedef", {"-i", "de_DE", "-f", "UTF-8", localeDir.filePath("de_DE.UTF-8")});
        qputenv("LOCPATH", localeDir.path().toUtf8());
        pinned = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    }
    if (!pinned)
        GTEST_SKIP() << "no locale with decimal commas available";
    char probe[32];
    std::snprintf(probe, sizeof probe, "%.1f", 1.5);
    EXPECT_STREQ(probe, "1,5") << "the pinned locale really uses decimal commas";

    EXPECT_EQ(OrbFormat::calcBytesPerSec(1500, false, 4), "1.46KB/s");
    EXPECT_EQ(OrbFormat::calcBytesPerSec(1500, false, 0), "1.5KB/s");
    EXPECT_EQ(OrbFormat::calcDiskSize(500107862016LL), "500.1GB");
    EXPECT_EQ(OrbFormat::calcMemorySize(1610612736LL, 1), "1.50GB");

    std::setlocale(LC_ALL, saved.c_str());
    if (savedLocPath.isNull())
        qunsetenv("LOCPATH");
    else
        qputenv("LOCPATH", savedLocPath);
}

TEST(OrbFormat, FixedRoundsTheBinaryValueLikePrintf)
{
    // 1.25 is exact in binary (tie → even); 0.15 is just below its decimal.
    EXPECT_EQ(OrbFormat::fixed(1.25, 1), "1.2");
    EXPECT_EQ(OrbFormat::fixed(0.15, 1), "0.1");
    EXPECT_EQ(OrbFormat::fixed(2.5, 0), "2");
    EXPECT_EQ(OrbFormat::fixed(NAN, 2), "0.00");
}

TEST(OrbFormat, FixedWithASuffixAndPercentages)
{
    EXPECT_EQ(OrbFormat::fixed(1.25, 1, QLatin1StringView("GB")), "1.2GB");
    EXPECT_EQ(OrbFormat::fixed(INFINITY, 0, QLatin1StringView("%")), "0%");
    // The widest figure there is, and a suffix longer than the room left beside it.
    const QString huge = OrbFormat::fixed(-1.7976931348623157e308, 17);
    const QByteArray longSuffix(200, 'x');
    EXPECT_EQ(OrbFormat::fixed(-1.7976931348623157e308, 17, QLatin1StringView(longSuffix)),
              huge + QLatin1StringView(longSuffix));
    // The stack text the digests hash is the text the items show.
    for (const qint64 bytes : {qint64(-1), qint64(0), qint64(1536) << 20, qint64(5) << 40, qint64(1) << 62})
        for (const int unit : {1, 2, 3})
            EXPECT_EQ(OrbFormat::memorySizeText(bytes, unit).toString(), OrbFormat::calcMemorySize(bytes, unit));
    EXPECT_EQ(OrbFormat::memorySizeText(qint64(1536) << 20, 1).view(), QLatin1StringView("1.50GB"));
    EXPECT_EQ(OrbFormat::FixedText(2.0, 0, QLatin1StringView(longSuffix)).view().size(),
              1 + OrbFormat::FixedText::kMaxSuffix);
    EXPECT_EQ(OrbFormat::percent(0.425), "42%");
    EXPECT_EQ(OrbFormat::percent(1.0), "100%");
    EXPECT_EQ(OrbFormat::percent(0.12345, 1), "12.3%");
    EXPECT_EQ(OrbFormat::calcBytesPerSec(1536.0, false, 0), "1.5KB/s");
    EXPECT_EQ(OrbFormat::calcBytesPerSec(3.0 * 1024 * 1024 * 1024, true, 0), "24.0Gbps");
}

// Items draw their figures from strings they rewrite in place each pass: the storage is
// reused when the string is the item's alone, and a copy handed on (to a text cache, a host)
// keeps its text.
TEST(OrbFormat, StackTextsWrittenIntoAStringReuseItAndLeaveSharedCopiesAlone)
{
    QString out;
    OrbFormat::percentText(0.125, 1).assignTo(out);
    EXPECT_EQ(out, "12.5%");
    const QChar *storage = out.constData();
    OrbFormat::percentText(0.07).assignTo(out);
    EXPECT_EQ(out, "7%");
    EXPECT_EQ(out.constData(), storage);

    const QString handedOn = out;
    OrbFormat::bytesPerSecText(1500, false, 4).assignTo(out);
    EXPECT_EQ(out, "1.46KB/s");
    EXPECT_EQ(handedOn, "7%");

    for (const qint64 v : {std::numeric_limits<qint64>::min(), qint64(-1), qint64(0), std::numeric_limits<qint64>::max()})
        EXPECT_EQ(OrbFormat::FixedText::integer(v).view(), QString::number(v));
    // Appending stops where the room ends; truncating never grows a text.
    OrbFormat::FixedText t(QLatin1StringView("ab"));
    const QByteArray longText(1000, 'y');
    t.append(QLatin1StringView(longText));
    EXPECT_TRUE(t.view().startsWith(QLatin1StringView("abyy")));
    EXPECT_LT(t.view().size(), 1000);
    t.truncate(5000);
    EXPECT_LT(t.view().size(), 1000);
    t.truncate(1);
    EXPECT_EQ(t.view(), QLatin1StringView("a"));
}

TEST(OrbFormat, FixedIsTheGeneralConversionForEveryValueAndPrecision)
{
    // Short figures take a quicker way; it must give what the general conversion gives,
    // digit for digit: ties and the doubles next to them, negative zero, large values.
    const auto general = [](double value, int decimals) {
        char buf[400];
        const auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
        return QString::fromLatin1(buf, res.ptr - buf);
    };
    std::vector<double> values = {0.0, -0.0, 0.5, 1.5, 2.5, 0.125, 0.375, 99.995, 12.345, 1e-9, -1e-9, -0.004,
                                  4294967295.5, 4294967296.5, 429496.72955, 1e15, -2.5, 0.05, 0.15, 0.25};
    for (double v : std::vector<double>(values)) {
        values.push_back(std::nextafter(v, 1e300));
        values.push_back(std::nextafter(v, -1e300));
    }
    uint64_t state = 42;
    for (int i = 0; i < 5000; ++i) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const double unit = static_cast<double>(state >> 11) / 9007199254740992.0;
        const double magnitude = std::pow(10.0, static_cast<int>(state % 13) - 3);
        const double v = (state & 1u ? -1 : 1) * unit * magnitude;
        values.push_back(v);
        // Figures a whole or half a step of the last shown digit away from a tie.
        values.push_back(std::round(v * 100.0) / 100.0 + 0.005);
    }
    for (double v : values)
        for (int decimals = 0; decimals <= 6; ++decimals)
            ASSERT_EQ(OrbFormat::fixed(v, decimals), general(v, decimals)) << v << " to " << decimals << " places";
}

class FontMeasure : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const QString &f : QDir("/usr/share/fonts/truetype/dejavu").entryList({"*.ttf"}))
            QFontDatabase::addApplicationFont("/usr/share/fonts/truetype/dejavu/" + f);
        orb::FontCatalog::clearCache();
    }
};

TEST_F(FontMeasure, WidestTextRoundedUpAtPixelSize)
{
    // DejaVu Sans Mono advances 0.602 em per glyph: "188%" at 10 px is 24.08 → 25.
    EXPECT_EQ(OrbFormat::calcMenuLabelSize({"188%", "8%"}, 10, "DejaVuSansMono-Bold"), 25.0);
    EXPECT_EQ(OrbFormat::calcMenuLabelSize({"888.8XXX"}, 10, "DejaVuSansMono-Bold"), 49.0);
    EXPECT_EQ(OrbFormat::calcMenuLabelSize({}, 10, "DejaVuSansMono-Bold"), 0.0);
    // A proportional font measures a narrow text narrower than the monospaced one.
    EXPECT_LT(OrbFormat::calcMenuLabelSize({"iiii"}, 10, "DejaVuSans"),
              OrbFormat::calcMenuLabelSize({"iiii"}, 10, "DejaVuSansMono-Bold"));
}

TEST_F(FontMeasure, UnknownFontMeasuresWithTheFallback)
{
    EXPECT_EQ(OrbFormat::calcMenuLabelSize({"188%"}, 12, "NoSuchFont-Regular"),
              OrbFormat::calcMenuLabelSize({"188%"}, 12, "DejaVuSansMono-Bold"));
    const QFont f = orb::FontCatalog::fontForName("NoSuchFont-Regular", 12);
    EXPECT_EQ(f.family(), "DejaVu Sans Mono");
    EXPECT_EQ(f.pixelSize(), 12);
}

TEST_F(FontMeasure, TextHeightGrowsByLines)
{
    const QFont f = orb::FontCatalog::fallbackFont(10);
    const double one = OrbFormat::calcTextViewHeightWithLines(1, f);
    EXPECT_GT(one, 10.0);
    EXPECT_DOUBLE_EQ(OrbFormat::calcTextViewHeightWithLines(3, f), 3 * one);
    EXPECT_EQ(OrbFormat::calcTextViewHeightWithLines(0, f), 0.0);
}

} // namespace
