#include "settings/PlistFunction.h"

#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace orb {

namespace {

QString tr(const char *text) { return QCoreApplication::translate("OrbStrings", text); }

} // namespace

QList<QStringList> PlistFunction::retNetworkUdLabel()
{
    return {{tr("Up"), tr("Dw")},
            {tr("Upload"), tr("Download")},
            {tr("Out"), tr("In")},
            {tr("Send"), tr("Receive")}};
}

QStringList PlistFunction::retGeneralGraphKind()
{
    return {tr("Default"), tr("Opposed"), tr("Centered"), tr("Line Graph"), tr("Line Graph (Heavy line)")};
}

QStringList PlistFunction::retNetworkBitOrByte()
{
    return {tr("KB/s（Bytes）"), tr("Kbps (Bits)")};
}

QList<QStringList> PlistFunction::retDiskReadWrite()
{
    return {{tr("-"), tr("-")}, {tr("R:"), tr("W:")}, {tr("Read:"), tr("Write:")}};
}

QList<QStringList> PlistFunction::retVolumeUsedFree()
{
    return {{tr("-"), tr("-")}, {tr("U:"), tr("F:")}, {tr("Used:"), tr("Free:")}};
}

QStringList PlistFunction::retVolumePercentKind()
{
    return {tr("Show Used"), tr("Show Free")};
}

std::optional<QStringList> PlistFunction::checkHyphenToNull(const QStringList &labels)
{
    if (labels.isEmpty())
        return std::nullopt;
    QStringList out = labels;
    for (QString &s : out) {
        if (s == QLatin1String("-"))
            s.clear();
    }
    return out;
}

int PlistFunction::entryIndex(qint64 stored, qsizetype count)
{
    const qint64 last = std::max<qint64>(count, 1);
    return static_cast<int>(std::clamp<qint64>(stored, 1, last) - 1);
}

QStringList PlistFunction::selectLabelPair(const QList<QStringList> &pairs, qint64 stored)
{
    if (pairs.isEmpty())
        return {};
    return checkHyphenToNull(pairs.at(entryIndex(stored, pairs.size()))).value_or(QStringList());
}

double PlistFunction::labelWidth(const QStringList &labels, double fontSize, const QString &fontName)
{
    if (std::all_of(labels.cbegin(), labels.cend(), [](const QString &s) { return s.isEmpty(); }))
        return 0.0;
    return std::floor(OrbFormat::calcMenuLabelSize(labels, fontSize, fontName));
}

} // namespace orb
