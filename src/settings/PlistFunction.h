#pragma once
#include <QList>
#include <QStringList>
#include <optional>

namespace orb {

// The label lists that the mode and label settings of the Network, Disk and Volume modules
// index. A stored setting n selects entry n - 1; `entryIndex` turns a stored value into an
// index that is always inside the list.
class PlistFunction {
public:
    PlistFunction() = delete;

    // Pairs of upload / download labels: "Up"/"Dw", "Upload"/"Download", "Out"/"In", "Send"/"Receive".
    static QList<QStringList> retNetworkUdLabel();
    // "Default", "Opposed", "Centered", "Line Graph", "Line Graph (Heavy line)".
    static QStringList retGeneralGraphKind();
    // Bytes or bits per second.
    static QStringList retNetworkBitOrByte();
    // Pairs of read / write labels; "-" stands for no label.
    static QList<QStringList> retDiskReadWrite();
    // Pairs of used / free labels; "-" stands for no label.
    static QList<QStringList> retVolumeUsedFree();
    // "Show Used", "Show Free".
    static QStringList retVolumePercentKind();

    // No value for an empty list; otherwise a copy with every "-" replaced by an empty string.
    static std::optional<QStringList> checkHyphenToNull(const QStringList &labels);

    // The 0-based entry a stored setting selects in a list of `count` entries: values below 1
    // pick the first entry, values past the end the last one. `count` must be at least 1.
    static int entryIndex(qint64 stored, qsizetype count);
    // The stored setting itself, brought into 1..count the same way.
    static qint64 clampSetting(qint64 stored, qsizetype count) { return entryIndex(stored, count) + 1; }

    // The pair a stored label setting selects, with "-" turned into empty strings.
    static QStringList selectLabelPair(const QList<QStringList> &pairs, qint64 stored);
    // 0 when every label is empty; otherwise the widest label at `fontSize` in `fontName`,
    // as a whole number of points.
    static double labelWidth(const QStringList &labels, double fontSize, const QString &fontName);
};

} // namespace orb
