#include "services/GlobalIpLookup.h"

#include "platform/Logging.h"
#include "services/TlsSettings.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace orb {

GlobalIpLookup::GlobalIpLookup(QObject *parent) : QObject(parent), network_(new QNetworkAccessManager(this))
{
    deadline_.setSingleShot(true);
    deadline_.setInterval(kDeadlineMs);
    connect(&deadline_, &QTimer::timeout, this, [this] { finish({}, QStringLiteral("no answer within the deadline")); });
}

GlobalIpLookup::~GlobalIpLookup()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

QStringList GlobalIpLookup::serviceUrls()
{
    const QString custom = qEnvironmentVariable("ORBMETER_IP_ECHO_URLS");
    if (!custom.isEmpty())
        return custom.split(QLatin1Char(','), Qt::SkipEmptyParts);
    return {QStringLiteral("https://icanhazip.com/"),       QStringLiteral("https://api.ipify.org/"),
            QStringLiteral("https://checkip.amazonaws.com/"), QStringLiteral("https://dyn.value-domain.com/cgi-bin/dyn.fcg?ip"),
            QStringLiteral("https://ipecho.net/plain"),      QStringLiteral("https://ifconfig.me/ip")};
}

QString GlobalIpLookup::checkIpAddress(const QString &text)
{
    const QString trimmed = text.trimmed();
    // A whole dotted quad and nothing else: no IPv6, no page that happens to hold digits.
    static const QRegularExpression dottedQuad(QStringLiteral("^[0-9]{1,3}(\\.[0-9]{1,3}){3}$"));
    if (!dottedQuad.match(trimmed).hasMatch())
        return {};
    const QHostAddress address(trimmed);
    if (address.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    return address.toString();
}

QString GlobalIpLookup::retGlobalIpRes(const QByteArray &body, int status, const QString &mimeType)
{
    if (status != 200 || body.isEmpty())
        return {};
    if (mimeType != QLatin1String("application/json") && mimeType != QLatin1String("text/javascript"))
        return checkIpAddress(QString::fromUtf8(body));
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    const QString origin = doc.object().value(QStringLiteral("origin")).toString();
    return origin.isEmpty() ? QString() : checkIpAddress(origin.section(QStringLiteral(", "), 0, 0));
}

void GlobalIpLookup::start(quint64 requestNumber)
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_ = nullptr;
    }
    request_ = requestNumber;
    lastError_.clear();
    pending_.clear();
    for (const QString &s : serviceUrls())
        pending_.append(QUrl(s.trimmed()));
    // Every service equally likely first, so the load spreads over them.
    for (qsizetype i = pending_.size() - 1; i > 0; --i)
        pending_.swapItemsAt(i, QRandomGenerator::global()->bounded(i + 1));
    deadline_.start();
    tryNext();
}

void GlobalIpLookup::tryNext()
{
    if (pending_.isEmpty()) {
        finish({}, lastError_.isEmpty() ? QStringLiteral("no echo service answered") : lastError_);
        return;
    }
    QNetworkRequest request(pending_.takeFirst());
    request.setTransferTimeout(kRequestTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    // A redirect (a captive portal, another host) is an answer that failed, never followed.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    TlsSettings::apply(request);
    oversized_ = false;
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::readyRead, this, [this] {
        if (reply_ && reply_->bytesAvailable() > kMaxBody) {
            oversized_ = true;
            reply_->abort();
        }
    });
    connect(reply_, &QNetworkReply::finished, this, &GlobalIpLookup::onReplyFinished);
}

void GlobalIpLookup::onReplyFinished()
{
    QNetworkReply *reply = reply_;
    reply_ = nullptr;
    if (!reply)
        return;
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString host = reply->url().host();
    QString ip;
    if (oversized_) {
        lastError_ = QStringLiteral("%1: answer larger than %2 bytes").arg(host).arg(kMaxBody);
    } else if (reply->error() != QNetworkReply::NoError) {
        lastError_ = QStringLiteral("%1: %2").arg(host, reply->errorString());
    } else {
        const QByteArray body = reply->read(kMaxBody + 1);
        const QString mime = reply->header(QNetworkRequest::ContentTypeHeader).toString().section(QLatin1Char(';'), 0, 0).trimmed();
        ip = body.size() > kMaxBody ? QString() : retGlobalIpRes(body, status, mime);
        if (ip.isEmpty())
            lastError_ = QStringLiteral("%1: no IPv4 address in the answer (HTTP %2)").arg(host).arg(status);
    }
    if (!ip.isEmpty()) {
        finish(ip, {});
        return;
    }
    qCDebug(lcServices).noquote() << "global address:" << lastError_;
    tryNext();
}

void GlobalIpLookup::finish(const QString &ip, const QString &error)
{
    deadline_.stop();
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
        reply_ = nullptr;
    }
    pending_.clear();
    if (ip.isEmpty())
        qCInfo(lcServices).noquote() << "global address not found:" << error;
    Q_EMIT finished(request_, ip, error);
}

} // namespace orb
