#include "services/DdnsUpdater.h"

#include "platform/Logging.h"
#include "services/TlsSettings.h"
#include "settings/SettingsStore.h"
#include "toolkit/OrbStrings.h"

#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace orb {
namespace {

const QString kAddressKey = QStringLiteral("NowGlobalIpAddr");
const QString kListKey = QStringLiteral("DdnsPropertyString");

QString encoded(const QString &value) { return QString::fromLatin1(QUrl::toPercentEncoding(value)); }

const char *const kStatusMessages[] = {
    "更新に成功しました",   "不正なリクエストです",     "不正なドメインとパスワードです",       "不正なIPアドレスです",
    "パスワードが一致しません", "データベースサーバーが混雑しています", "その他のエラー", "Unknown Error",
};

// The answer's message in the user's language; a transport error's suffix stays as it is.
QString displayMessage(const QString &message)
{
    for (const char *key : kStatusMessages) {
        const QString k = QString::fromUtf8(key);
        if (message.startsWith(k))
            return OrbStrings::text(key) + message.mid(k.size());
    }
    return message;
}

} // namespace

DdnsUpdater::DdnsUpdater(std::shared_ptr<SettingsStore> store, QObject *parent)
    : QObject(parent), store_(std::move(store)), network_(new QNetworkAccessManager(this))
{
}

DdnsUpdater::~DdnsUpdater()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

QUrl DdnsUpdater::updateEndpoint()
{
    const QString custom = qEnvironmentVariable("ORBMETER_DDNS_URL");
    return QUrl(custom.isEmpty() ? QStringLiteral("https://dyn.value-domain.com/cgi-bin/dyn.fcg") : custom);
}

QUrl DdnsUpdater::updateUrl(const QString &host, const QString &domain, const QString &password, const QString &address)
{
    QUrl url = updateEndpoint();
    url.setQuery(QStringLiteral("d=%1&p=%2&h=%3&i=%4")
                     .arg(encoded(domain), encoded(password), encoded(host), encoded(address)),
                 QUrl::StrictMode);
    return url;
}

QString DdnsUpdater::retVdResponse(const QByteArray &body, int status, const QString &transportError)
{
    QString message;
    if (transportError.isEmpty() && status == 200 && !body.isEmpty()) {
        QString first = QString::fromUtf8(body).section(QLatin1Char('\n'), 0, 0);
        first.remove(QLatin1Char('\r'));
        first = first.trimmed();
        if (first.startsWith(QLatin1String("status=")) && first.size() == 8) {
            const QChar d = first.at(7);
            if (d >= QLatin1Char('0') && d <= QLatin1Char('5'))
                message = QString::fromUtf8(kStatusMessages[d.unicode() - '0']);
            else if (d == QLatin1Char('9'))
                message = QString::fromUtf8(kStatusMessages[6]);
        }
    }
    if (!transportError.isEmpty())
        message += QStringLiteral("[%1] %2").arg(status).arg(transportError);
    return message.isEmpty() ? QString::fromUtf8(kStatusMessages[7]) : message;
}

QString DdnsUpdater::lineLabel(int number) const
{
    const int digits = static_cast<int>(QString::number(lineCount_).size());
    return OrbStrings::text("Line %1").arg(number, digits, 10, QLatin1Char('0'));
}

void DdnsUpdater::checkGlobalIpAddressForDdns(const QString &address, bool forced)
{
    if (running_ || address.isEmpty())
        return;
    const bool known = store_->contains(kAddressKey);
    const QString stored = store_->stringForKey(kAddressKey);
    if (known && stored == address)
        return;
    previous_ = known ? stored : OrbStrings::text("(No Record)");
    address_ = address;
    forced_ = forced;
    allUpdated_ = true;
    lines_.clear();
    const QStringList texts = store_->stringForKey(kListKey).split(QLatin1Char('\n'));
    lineCount_ = static_cast<int>(texts.size());
    for (int i = 0; i < lineCount_; ++i) {
        QString text = texts.at(i);
        text.remove(QLatin1Char('\r'));
        lines_.append({i + 1, text});
    }
    running_ = true;
    processNext();
}

void DdnsUpdater::processNext()
{
    while (!lines_.isEmpty()) {
        const Line line = lines_.takeFirst();
        const QString label = lineLabel(line.number);
        auto report = [&](const QString &title, const QString &body, const QString &id) {
            Q_EMIT notice({title, body, id, line.number});
        };
        if (line.text.isEmpty()) {
            if (forced_)
                report(OrbStrings::text("Blank line"), label, QStringLiteral("BlankLine"));
            continue;
        }
        if (line.text.startsWith(QLatin1Char('#'))) {
            if (forced_)
                report(OrbStrings::text("Comment out"), label, QStringLiteral("CommentOut"));
            continue;
        }
        const QStringList fields = line.text.split(QLatin1Char('&'));
        if (fields.size() == 1) {
            if (forced_)
                report(OrbStrings::text("Invalid Parameter"), label, QStringLiteral("InvalidParameter"));
            continue;
        }
        if (fields.size() == 4 && fields[0] == QLatin1String("valuedomain") && !fields[1].isEmpty()
            && !fields[2].isEmpty() && !fields[3].isEmpty()) {
            QNetworkRequest request(updateUrl(fields[1], fields[2], fields[3], address_));
            request.setTransferTimeout(kRequestTimeoutMs);
            request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
            request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
            TlsSettings::apply(request);
            pendingTarget_ = fields[1] + QLatin1Char('.') + fields[2];
            pendingDomain_ = fields[2];
            pendingLine_ = line.number;
            reply_ = network_->get(request);
            connect(reply_, &QNetworkReply::readyRead, this, [this] {
                if (reply_ && reply_->bytesAvailable() > kMaxBody)
                    reply_->abort();
            });
            connect(reply_, &QNetworkReply::finished, this, &DdnsUpdater::onReplyFinished);
            return; // the next line follows the answer
        }
        if (fields.size() == 2 && fields[0] == QLatin1String("orbmeter") && fields[1] == QLatin1String("confirm")) {
            report(OrbStrings::text("Global IP Address changed."), QStringLiteral("%1 -> %2").arg(previous_, address_),
                   address_);
            continue;
        }
        if (forced_)
            report(OrbStrings::text("Some error occurred (%1)").arg(fields[0]), label, fields[0]);
    }
    running_ = false;
    // Stored only now: a failed update is retried at the next check instead of waiting for
    // the next change of address.
    if (allUpdated_) {
        store_->setString(kAddressKey, address_);
        store_->synchronize();
    }
    Q_EMIT finished(allUpdated_);
}

void DdnsUpdater::onReplyFinished()
{
    QNetworkReply *reply = reply_;
    reply_ = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // Qt's error strings quote the request URL, which holds the password: only the error's
    // name is used.
    QString transportError;
    if (reply->error() != QNetworkReply::NoError)
        transportError = QString::fromLatin1(QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(reply->error()));
    const QByteArray body = reply->read(kMaxBody + 1);
    const QString message =
        retVdResponse(body.size() > kMaxBody ? QByteArray() : body, status, transportError);
    const bool ok = transportError.isEmpty() && status == 200
        && QString::fromUtf8(body).section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r')).trimmed()
               == QLatin1String("status=0");
    if (!ok)
        allUpdated_ = false;
    qCInfo(lcServices).noquote() << "dynamic DNS update of" << pendingTarget_ << "to" << address_ << ":"
                                 << (ok ? QStringLiteral("done") : message);
    Q_EMIT notice({displayMessage(message), QStringLiteral("%1 -> %2").arg(address_, pendingTarget_),
                   pendingTarget_, pendingLine_});
    processNext();
}

} // namespace orb
