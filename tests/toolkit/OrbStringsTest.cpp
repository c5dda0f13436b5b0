#include "collect/CpuInformation.h"
#include "toolkit/OrbStrings.h"

#include <QCoreApplication>
#include <QTranslator>
#include <gtest/gtest.h>

using namespace orb;

namespace {

// Stands in for a loaded .qm: German for the day format and the load line; an empty
// translation for the plural suffix and the thread line, as a half-done file would have.
class PartialGerman : public QTranslator {
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        if (qstrcmp(context, "OrbStrings") != 0)
            return {};
        if (qstrcmp(source, "%1 day%2 %3:%4:%5") == 0)
            return QStringLiteral("%1 Tag%2 %3:%4:%5");
        if (qstrcmp(source, "1min: %1, 5min: %2, 15min: %3") == 0)
            return QStringLiteral("1 Min.: %1, 5 Min.: %2, 15 Min.: %3");
        return {};
    }
};

} // namespace

TEST(OrbStrings, EnglishWithoutTranslation)
{
    const std::pair<const char *, const char *> cases[] = {
        {"%dday%@ %d:%02d:%02d", "%1 day%2 %3:%4:%5"},
        {"_dayS", "s"},
        {"%d threads, %d processes", "%1 threads, %2 processes"},
        {"1min: %.2f, 5min: %.2f, 15min: %.2f", "1min: %1, 5min: %2, 15min: %3"},
        {"no such key", "no such key"},
    };
    for (const auto &[key, text] : cases)
        EXPECT_EQ(OrbStrings::text(key), QString::fromLatin1(text)) << key;
}

TEST(OrbStrings, TranslationUsedAndEmptyOnesFallBackToEnglish)
{
    PartialGerman german;
    ASSERT_TRUE(QCoreApplication::installTranslator(&german));
    const QString twoDays = CpuInformation::buildUpTime(2 * 86400 + 61);
    const QString threads = OrbStrings::text("%d threads, %d processes");
    QCoreApplication::removeTranslator(&german);

    EXPECT_EQ(twoDays, QStringLiteral("2 Tags 0:01:01")); // suffix fell back to English "s"
    EXPECT_EQ(threads, QStringLiteral("%1 threads, %2 processes"));
}
