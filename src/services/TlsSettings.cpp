#include "services/TlsSettings.h"

#include "platform/Logging.h"

#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace orb {

void TlsSettings::apply(QNetworkRequest &request)
{
    static const QList<QSslCertificate> extra = [] {
        const QString file = qEnvironmentVariable("ORBMETER_EXTRA_CA_FILE");
        if (file.isEmpty())
            return QList<QSslCertificate>();
        const QList<QSslCertificate> certs = QSslCertificate::fromPath(file, QSsl::Pem);
        if (certs.isEmpty())
            qCWarning(lcServices).noquote() << "no certificate authority in" << file;
        return certs;
    }();
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPeerVerifyMode(QSslSocket::VerifyPeer);
    if (!extra.isEmpty())
        tls.addCaCertificates(extra);
    request.setSslConfiguration(tls);
}

} // namespace orb
