#include "services/VncServerList.h"

#include "platform/Logging.h"
#include "settings/PlistCodec.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace orb {
namespace {

const QString kUrl = QStringLiteral("url");
const QString kName = QStringLiteral("name");
const QString kMenu = QStringLiteral("menu");

constexpr int kMaxLabel = 80;
constexpr int kMinTypedAddress = 6;

} // namespace

QString VncServerList::plainLabel(const QString &text)
{
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), kMaxLabel));
    for (const QChar c : text) {
        if (out.size() >= kMaxLabel) {
            out.append(QChar(0x2026));
            break;
        }
        const auto cat = c.category();
        const bool hidden = cat == QChar::Other_Control || cat == QChar::Other_Format || cat == QChar::Separator_Line
            || cat == QChar::Separator_Paragraph;
        out.append(hidden ? QChar(QLatin1Char(' ')) : c);
    }
    return out.trimmed();
}

std::vector<VncServerEntry> VncServerList::retVncSite(const QVariantMap &defaults, bool onMenuOnly)
{
    const QVariant list = defaults.value(QStringLiteral("Vnc_ClientSortArray"));
    if (list.typeId() != QMetaType::QVariantList)
        return {};
    return entries(list.toList(), onMenuOnly);
}

std::vector<VncServerEntry> VncServerList::entries(const QVariantList &list, bool onMenuOnly)
{
    std::vector<VncServerEntry> out;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const QVariant &v = list[i];
        if (v.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap entry = v.toMap();
        const QVariant name = entry.value(kName);
        const QVariant url = entry.value(kUrl);
        // An entry without both is never listed (nor logged: the preferences may be
        // half-way through editing it).
        if (name.typeId() != QMetaType::QString || url.typeId() != QMetaType::QString || name.toString().isEmpty()
            || url.toString().isEmpty())
            continue;
        const bool menu = entry.value(kMenu).typeId() == QMetaType::Bool && entry.value(kMenu).toBool();
        if (onMenuOnly && !menu)
            continue;
        QString reason;
        std::optional<VncAddress> address = VncAddress::parse(url.toString(), &reason);
        if (!address) {
            qCWarning(lcServices).noquote() << "saved screen-sharing server" << i + 1 << "is left out:" << reason;
            continue;
        }
        QString shown = plainLabel(address->withoutPassword(name.toString()));
        if (shown.isEmpty())
            shown = plainLabel(address->shownUrl());
        out.push_back({shown, *std::move(address), menu});
    }
    return out;
}

std::optional<QVariantMap> VncServerList::entryForTypedAddress(const QString &text, QString *reason)
{
    const QString t = text.trimmed();
    if (t.size() < kMinTypedAddress) {
        if (reason)
            *reason = QStringLiteral("an address needs at least 6 characters");
        return std::nullopt;
    }
    const QString url = QStringLiteral("vnc://") + t;
    const std::optional<VncAddress> address = VncAddress::parse(url, reason);
    if (!address)
        return std::nullopt;
    return QVariantMap{{kUrl, url}, {kName, address->withoutPassword(t)}};
}

QVariantList VncServerList::moved(const QVariantList &list, int from, int to)
{
    const int n = static_cast<int>(list.size());
    if (from < 0 || from >= n || to < 0 || to > n || to == from || to == from + 1)
        return list;
    QVariantList out = list;
    out.insert(to, list[from]);
    out.removeAt(from < to ? from : from + 1);
    return out;
}

std::optional<QVariantMap> VncServerList::parseLocationFile(const QByteArray &bytes, const QString &fileName,
                                                            QString *reason)
{
    auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    if (bytes.size() > kMaxLocationFileBytes)
        return refuse(QStringLiteral("the file is larger than %1 bytes").arg(kMaxLocationFileBytes));
    QString error;
    const std::optional<QVariant> root = PlistCodec::parse(bytes, &error);
    if (!root)
        return refuse(QStringLiteral("not a property list (%1)").arg(error));
    if (root->typeId() != QMetaType::QVariantMap)
        return refuse(QStringLiteral("the property list is not a dictionary"));
    const QVariant url = root->toMap().value(QStringLiteral("URL"));
    if (url.typeId() != QMetaType::QString)
        return refuse(QStringLiteral("no URL string in the file"));
    QString why;
    if (!VncAddress::parse(url.toString(), &why))
        return refuse(QStringLiteral("its address is not usable: ") + why);
    return QVariantMap{{kUrl, url.toString().trimmed()}, {kName, fileName}};
}

std::optional<QVariantMap> VncServerList::readLocationFile(const QString &path)
{
    const QString fileName = QFileInfo(path).fileName();
    QFile file(path);
    QString reason;
    std::optional<QVariantMap> entry;
    // A FIFO or device would make the read wait or never end.
    if (!QFileInfo(path).isFile()) {
        reason = QFileInfo::exists(path) ? QStringLiteral("not a regular file") : QStringLiteral("no such file");
    } else if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
    } else {
        // One byte past the limit tells a file that is too large without reading it whole.
        const QByteArray bytes = file.read(kMaxLocationFileBytes + 1);
        entry = parseLocationFile(bytes, fileName, &reason);
    }
    if (!entry)
        qCWarning(lcServices).noquote() << "screen-sharing location file" << path << "is not used:" << reason;
    return entry;
}

} // namespace orb
