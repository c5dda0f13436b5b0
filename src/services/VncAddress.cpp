#include "services/VncAddress.h"

#include <QHostAddress>

namespace orb {
namespace {

std::nullopt_t refuse(QString *reason, const char *why)
{
    if (reason)
        *reason = QLatin1String(why);
    return std::nullopt;
}

bool hasSpaceOrControl(const QString &text)
{
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return true;
    }
    return false;
}

} // namespace

std::optional<VncAddress> VncAddress::parse(const QString &text, QString *reason)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return refuse(reason, "the address is empty");
    if (t.size() > kMaxLength)
        return refuse(reason, "the address is too long");
    if (t.startsWith(QLatin1Char('-')))
        return refuse(reason, "the address starts with \"-\"");
    if (hasSpaceOrControl(t))
        return refuse(reason, "the address holds spaces or control characters");
    const QUrl url(t, QUrl::StrictMode);
    if (!url.isValid())
        return refuse(reason, "not a valid address");
    if (url.scheme() != QLatin1String("vnc"))
        return refuse(reason, "not a vnc:// address");
    const QString host = url.host(QUrl::FullyDecoded);
    if (host.isEmpty())
        return refuse(reason, "the address names no host");
    if (host.startsWith(QLatin1Char('-')) || url.host(QUrl::FullyEncoded).startsWith(QLatin1Char('-')))
        return refuse(reason, "the host name starts with \"-\"");
    if (url.userName(QUrl::FullyDecoded).startsWith(QLatin1Char('-')))
        return refuse(reason, "the user name starts with \"-\"");
    // A port that is not a number, or above 65535, already made the address invalid.
    if (url.port() == 0)
        return refuse(reason, "port 0 is not a server port");
    if (!url.path().isEmpty() && url.path() != QLatin1String("/"))
        return refuse(reason, "the address has a path");
    if (url.hasQuery() || url.hasFragment())
        return refuse(reason, "the address has a query or fragment");
    QUrl clean = url;
    clean.setPath(QString());
    return VncAddress(clean);
}

std::optional<VncAddress> VncAddress::forServer(const QString &host, int port)
{
    const QHostAddress address(host);
    if (address.protocol() != QHostAddress::IPv4Protocol || address == QHostAddress(QHostAddress::AnyIPv4) || port < 1
        || port > 65535)
        return std::nullopt;
    QUrl url;
    url.setScheme(QStringLiteral("vnc"));
    url.setHost(address.toString());
    url.setPort(port);
    if (!url.isValid())
        return std::nullopt;
    return VncAddress(url);
}

QString VncAddress::shownUrl() const { return url_.toString(QUrl::RemovePassword | QUrl::PrettyDecoded); }

QString VncAddress::withoutPassword(const QString &text) const
{
    const QString password = url_.password(QUrl::FullyDecoded);
    if (password.isEmpty())
        return text;
    QString out = text;
    // "user:secret@host" reads "user@host"; the password alone anywhere else is masked.
    out.replace(QLatin1Char(':') + password + QLatin1Char('@'), QStringLiteral("@"));
    const QString encoded = url_.password(QUrl::FullyEncoded);
    if (encoded != password)
        out.replace(QLatin1Char(':') + encoded + QLatin1Char('@'), QStringLiteral("@"));
    out.replace(password, QStringLiteral("***"));
    if (encoded != password)
        out.replace(encoded, QStringLiteral("***"));
    return out;
}

} // namespace orb
