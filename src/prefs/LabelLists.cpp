#include "prefs/LabelLists.h"

#include "settings/PlistFunction.h"

#include <QCoreApplication>
#include <algorithm>

namespace orb {

QStringList LabelLists::joinPairs(const QList<QStringList> &pairs)
{
    QStringList out;
    for (const QStringList &pair : pairs) {
        const bool none = std::all_of(pair.cbegin(), pair.cend(), [](const QString &s) { return s == QLatin1String("-"); });
        out << (none ? QCoreApplication::translate("OrbPrefs", "No label") : pair.join(QLatin1String(" / ")));
    }
    return out;
}

QStringList LabelLists::networkUdLabels() { return joinPairs(PlistFunction::retNetworkUdLabel()); }
QStringList LabelLists::diskReadWrite() { return joinPairs(PlistFunction::retDiskReadWrite()); }
QStringList LabelLists::volumeUsedFree() { return joinPairs(PlistFunction::retVolumeUsedFree()); }

} // namespace orb
