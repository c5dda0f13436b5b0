#pragma once
#include <QList>
#include <QStringList>

namespace orb {

// The label pairs of the Network, Disk and Volume settings as pop-up entries ("Up / Dw"),
// in the order of their stored numbers.
class LabelLists {
public:
    LabelLists() = delete;
    static QStringList networkUdLabels();
    static QStringList diskReadWrite();
    static QStringList volumeUsedFree();
    // "A / B"; a pair whose labels are all "-" reads "No label".
    static QStringList joinPairs(const QList<QStringList> &pairs);
};

} // namespace orb
