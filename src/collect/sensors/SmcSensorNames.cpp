#include "collect/sensors/SmcSensorNames.h"

#include <algorithm>
#include <array>

namespace orb {
namespace {

// "TW0P" is known both as "Airport Card" and "Airport Proximity"; a key carries one label,
// and it is the sensor near the card, so it keeps the second.
constexpr std::array<SmcSensorNames::KeyLabel, 133> kKeys{{
    {"TA0P", "Airflow 1"},          {"TA1P", "Airflow 2"},
    {"TA0S", "PPCI Slot1 Pos1"},    {"TA1S", "PPCI Slot1 Pos2"},
    {"TA2S", "PPCI Slot2 Pos1"},    {"TA3S", "PPCI Slot2 Pos2"},
    {"Tb0P", "PBLC Proximity"},     {"TB0T", "Enclosure Base1"},
    {"TB1T", "Enclosure Base2"},    {"TB2T", "Enclosure Base3"},
    {"TB3T", "Enclosure Base4"},    {"TC0c", "CPU Core 1"},
    {"TC1c", "CPU Core 2"},         {"TC2c", "CPU Core 3"},
    {"TC3c", "CPU Core 4"},         {"TC4c", "CPU Core 5"},
    {"TC5c", "CPU Core 6"},         {"TC6c", "CPU Core 7"},
    {"TC7c", "CPU Core 8"},         {"TC8c", "CPU Core 9"},
    {"TC9c", "CPU Core10"},         {"TC0C", "CPU Core 1"},
    {"TC1C", "CPU Core 2"},         {"TC2C", "CPU Core 3"},
    {"TC3C", "CPU Core 4"},         {"TC4C", "CPU Core 5"},
    {"TC5C", "CPU Core 6"},         {"TC6C", "CPU Core 7"},
    {"TC7C", "CPU Core 8"},         {"TC8C", "CPU Core 9"},
    {"TC9C", "CPU Core10"},         {"TC0D", "CPU 1 Package"},
    {"TC0E", "CPU 1"},              {"TC0F", "CPU 1 Die"},
    {"TC0H", "CPU 1 Heatsink"},     {"TC0P", "CPU 1 Proximity"},
    {"TCAH", "CPU 1 Heatsink Alt."}, {"TCAD", "CPU 1 Package Alt."},
    {"TC1P", "CPU 2 Proximity"},    {"TC1H", "CPU 2 Heatsink"},
    {"TC1D", "CPU 2 Package"},      {"TC1E", "CPU 2"},
    {"TC1F", "CPU 2 Die"},          {"TCBH", "CPU 2 Heatsink Alt."},
    {"TCBD", "CPU 2 Package Alt."}, {"TCSC", "PPECI SA"},
    {"TCSc", "PPECI SA"},           {"TCSA", "PPECI SA"},
    {"TCGC", "PPECI GPU"},          {"TCGc", "PPECI GPU"},
    {"TCXC", "PECI CPU"},           {"TCXc", "PPECI CPU"},
    {"Te1P", "PCIE Ambient"},       {"Te1S", "PCIE Slot 1"},
    {"Te2S", "PCIE Slot 2"},        {"Te3S", "PCIE Slot 3"},
    {"Te4S", "PCIE Slot 4"},        {"TG0D", "GPU Diode"},
    {"TG0H", "GPU Heatsink"},       {"TG0P", "GPU Proximity"},
    {"TG1D", "GPU 2 Diode"},        {"TG1H", "GPU 2 Heatsink"},
    {"TG1P", "GPU 2 Proximity"},    {"TH0P", "HardDisk 1 Proximity"},
    {"TH1P", "HardDisk 2 Proximity"}, {"TH2P", "HardDisk 3 Proximity"},
    {"TH3P", "HardDisk 4 Proximity"}, {"Th0H", "Heatsink 1"},
    {"Th1H", "Heatsink 2"},         {"Th2H", "Heatsink 3"},
    {"TI0P", "Thunderbold 1"},      {"TI1P", "Thunderbold 2"},
    {"TI2P", "Thunderbold 3"},      {"TI3P", "Thunderbold 4"},
    {"TL0P", "LCD Proximity"},      {"Tm0P", "Misc Proximity"},
    {"TM0P", "Memory Bank A1"},     {"TM1P", "Memory Bank A2"},
    {"TM2P", "Memory Bank A3"},     {"TM3P", "Memory Bank A4"},
    {"TM4P", "Memory Bank A5"},     {"TM5P", "Memory Bank A6"},
    {"TM6P", "Memory Bank A7"},     {"TM7P", "Memory Bank A8"},
    {"TM8P", "Memory Bank B1"},     {"TM9P", "Memory Bank B2"},
    {"TMAP", "Memory Bank B3"},     {"TMBP", "Memory Bank B4"},
    {"TMCP", "Memory Bank B5"},     {"TMDP", "Memory Bank B6"},
    {"TMEP", "Memory Bank B7"},     {"TMFP", "Memory Bank B8"},
    {"TM0S", "Memory Slot A1"},     {"TM1S", "Memory Slot A2"},
    {"TM2S", "Memory Slot A3"},     {"TM3S", "Memory Slot A4"},
    {"TM4S", "Memory Slot A5"},     {"TM5S", "Memory Slot A6"},
    {"TM6S", "Memory Slot A7"},     {"TM7S", "Memory Slot A8"},
    {"TM8S", "Memory Slot B1"},     {"TM9S", "Memory Slot B2"},
    {"TMAS", "Memory Slot B3"},     {"TMBS", "Memory Slot B4"},
    {"TMCS", "Memory Slot B5"},     {"TMDS", "Memory Slot B6"},
    {"TMES", "Memory Slot B7"},     {"TMFS", "Memory Slot B8"},
    {"TN0C", "PMCH Die"},           {"TN0D", "Northbridge Die"},
    {"TN0H", "Northbridge Heatsink"}, {"TN0P", "Northbridge Proximity"},
    {"TN1D", "Northbridge 2 Die"},  {"TN1H", "Northbridge 2 Heatsink"},
    {"TN1P", "Northbridge 2 Proximity"}, {"TO0P", "Optical Drive proximity"},
    {"Tp0P", "Power Supply 1"},     {"Tp0C", "Power Supply 1 Alt."},
    {"Tp1P", "Power Supply 2"},     {"Tp1C", "Power Supply 2 Alt."},
    {"Tp2P", "Power Supply 3"},     {"Tp3P", "Power Supply 4"},
    {"Tp4P", "Power Supply 5"},     {"Tp5P", "PPower Supply 6"},
    {"TP0D", "PPCH Die"},           {"TPCD", "PPCH Die"},
    {"TP0P", "PPCH Proximity"},     {"TS0C", "Expansion Slots"},
    {"Ts0S", "Memory Proximity"},   {"Ts0P", "Palm Rest"},
    {"TW0P", "Airport Proximity"},  {"TZ0C", "TZ0C 1"},
    {"TZ1C", "TZ1C 2"},
}};

std::vector<SmcSensorNames::Candidate> buildCandidates()
{
    std::vector<std::string_view> labels;
    for (const auto &k : kKeys)
        if (std::find(labels.begin(), labels.end(), k.label) == labels.end())
            labels.push_back(k.label);
    std::vector<SmcSensorNames::Candidate> out;
    out.reserve(labels.size());
    for (std::string_view label : labels) {
        SmcSensorNames::Candidate c;
        c.label = SmcSensorNames::capitalized(QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())));
        for (const auto &k : kKeys)
            if (k.label == label)
                c.keys.push_back(k.key);
        out.push_back(std::move(c));
    }
    std::stable_sort(out.begin(), out.end(), [](const auto &a, const auto &b) {
        return QString::compare(a.label, b.label, Qt::CaseInsensitive) < 0;
    });
    return out;
}

} // namespace

std::span<const SmcSensorNames::KeyLabel> SmcSensorNames::keyTable() { return kKeys; }

const std::vector<SmcSensorNames::Candidate> &SmcSensorNames::candidates()
{
    static const std::vector<Candidate> list = buildCandidates();
    return list;
}

QString SmcSensorNames::capitalized(const QString &text)
{
    QString out = text;
    for (qsizetype i = 0; i < out.size(); ++i)
        if (i == 0 || out.at(i - 1) == QLatin1Char(' '))
            out[i] = out.at(i).toUpper();
    return out;
}

QString SmcSensorNames::fanName(std::string_view identification, int number)
{
    QString name;
    for (char c : identification)
        if (static_cast<signed char>(c) >= 33)
            name += QLatin1Char(c);
    if (name.isEmpty())
        name = QStringLiteral("(Untitled Fan #%1)").arg(number);
    return name;
}

} // namespace orb
