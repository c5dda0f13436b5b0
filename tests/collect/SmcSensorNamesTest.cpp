#include "collect/sensors/SmcSensorNames.h"

#include <gtest/gtest.h>
#include <set>

using namespace orb;

namespace {

const SmcSensorNames::Candidate *candidate(const QString &label)
{
    for (const auto &c : SmcSensorNames::candidates())
        if (c.label == label)
            return &c;
    return nullptr;
}

} // namespace

TEST(SmcSensorNames, everyKeyOnceWithOneLabel)
{
    std::set<std::string_view> keys;
    for (const auto &k : SmcSensorNames::keyTable()) {
        EXPECT_EQ(k.key.size(), 4u) << k.key;
        EXPECT_TRUE(keys.insert(k.key).second) << "key listed twice: " << k.key;
        EXPECT_FALSE(k.label.empty()) << k.key;
    }
    EXPECT_EQ(keys.size(), 133u);
}

TEST(SmcSensorNames, candidatesHoldEachLabelOnceWithItsKeysInTableOrder)
{
    struct Case {
        const char *label;
        std::vector<std::string_view> keys;
    };
    const Case cases[] = {
        {"CPU Core 1", {"TC0c", "TC0C"}},
        {"CPU Core10", {"TC9c", "TC9C"}},
        {"PPECI SA", {"TCSC", "TCSc", "TCSA"}},
        {"PPCH Die", {"TP0D", "TPCD"}},
        {"Airport Proximity", {"TW0P"}},
        // capitalised: the table spells it "Optical Drive proximity"
        {"Optical Drive Proximity", {"TO0P"}},
        {"Misc Proximity", {"Tm0P"}},
        {"Memory Bank A1", {"TM0P"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        const auto *found = candidate(QString::fromLatin1(c.label));
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->keys, c.keys);
    }
    EXPECT_EQ(candidate(QStringLiteral("Optical Drive proximity")), nullptr);
    EXPECT_EQ(candidate(QStringLiteral("Airport Card")), nullptr);

    std::set<QString> labels;
    size_t keyCount = 0;
    for (const auto &c : SmcSensorNames::candidates()) {
        EXPECT_TRUE(labels.insert(c.label).second) << c.label.toStdString();
        keyCount += c.keys.size();
    }
    EXPECT_EQ(keyCount, SmcSensorNames::keyTable().size());
}

TEST(SmcSensorNames, candidatesAreSortedIgnoringCase)
{
    const auto &list = SmcSensorNames::candidates();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front().label, QStringLiteral("Airflow 1"));
    for (size_t i = 1; i < list.size(); ++i)
        EXPECT_LE(QString::compare(list[i - 1].label, list[i].label, Qt::CaseInsensitive), 0)
            << list[i - 1].label.toStdString() << " before " << list[i].label.toStdString();
    // "Palm Rest" sorts between "PBLC Proximity" and "PCIE Ambient" only when case is ignored.
    const auto at = [&](const char *label) {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].label == QLatin1String(label))
                return i;
        return list.size();
    };
    EXPECT_LT(at("Palm Rest"), at("PBLC Proximity"));
    EXPECT_LT(at("PBLC Proximity"), at("PCIE Ambient"));
}

TEST(SmcSensorNames, capitalisesTheFirstCharacterAndEveryOneAfterASpace)
{
    const std::pair<const char *, const char *> cases[] = {
        {"optical drive proximity", "Optical Drive Proximity"},
        {"CPU package id 0", "CPU Package Id 0"},
        {"a  b", "A  B"},
        {" x", " X"},
        {"tZ0C 1", "TZ0C 1"},
        {"Wi-fi 1", "Wi-fi 1"},
        {"", ""},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(SmcSensorNames::capitalized(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;
}

TEST(SmcSensorNames, fanNamesKeepOnlyPrintableBytes)
{
    using namespace std::string_view_literals;
    struct Case {
        std::string_view identification;
        int number;
        const char *name;
    };
    const Case cases[] = {
        {"\x00\x00\x01\x00Left side"sv, 1, "Leftside"},
        {"Right side \n"sv, 2, "Rightside"},
        {"\x01\x02 \t\n"sv, 1, "(Untitled Fan #1)"},
        {""sv, 3, "(Untitled Fan #3)"},
        // bytes of 128 and above are negative as signed bytes
        {"Ex\xc3\xa4haust"sv, 1, "Exhaust"},
        {"!~"sv, 1, "!~"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SmcSensorNames::fanName(c.identification, c.number), QString::fromLatin1(c.name)) << c.name;
}
