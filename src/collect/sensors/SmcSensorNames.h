#pragma once
#include <QString>
#include <span>
#include <string_view>
#include <vector>

namespace orb {

// Names of the System Management Controller's sensors on Intel Macs: the table of known
// temperature keys and the names of fans.
class SmcSensorNames {
public:
    SmcSensorNames() = delete;

    struct KeyLabel {
        std::string_view key;   // four characters, case matters ("TC0c" and "TC0C" differ)
        std::string_view label;
    };
    // The known temperature keys with their labels, in the table's own order.
    static std::span<const KeyLabel> keyTable();

    // One candidate per distinct label, labels sorted case-insensitively and capitalised;
    // `keys` are every key carrying that label, in table order (the probe keeps the first
    // that answers).
    struct Candidate {
        QString label;
        std::vector<std::string_view> keys;
    };
    static const std::vector<Candidate> &candidates();

    // The first character and every character after a space in upper case, the others as
    // they are.
    static QString capitalized(const QString &text);

    // A fan's name from the bytes of its identification: the bytes whose value as a signed
    // byte is 33 or more, in order; "(Untitled Fan #n)" with `number` when none is left.
    static QString fanName(std::string_view identification, int number);
};

} // namespace orb
