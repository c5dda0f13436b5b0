#pragma once
#include <QElapsedTimer>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;


namespace orb {

// Finds the machine's public IPv4 address by asking public echo services over HTTPS, in
// random order, until one answers with a whole dotted-quad address. Asynchronous: the
// answer arrives as `finished` with the number the caller gave `start`, so a caller that
// started a newer lookup can drop an older answer.
class GlobalIpLookup : public QObject {
    Q_OBJECT
public:
    static constexpr int kRequestTimeoutMs = 3000;
    static constexpr int kDeadlineMs = 20000;
    static constexpr qint64 kMaxBody = 1024;

    explicit GlobalIpLookup(QObject *parent = nullptr);
    ~GlobalIpLookup() override;

    // The echo services: ORBMETER_IP_ECHO_URLS (comma-separated, for tests) or the built-in list.
    static QStringList serviceUrls();

    // Starts a lookup; one that is still running is abandoned (its answer never arrives).
    void start(quint64 requestNumber);
    bool isRunning() const { return reply_ != nullptr; }

    // The address in an echo service's answer, or "" (IPv6, HTML, anything but a whole
    // dotted-quad IPv4 address).
    static QString checkIpAddress(const QString &text);
    // The address in one answer: plain text, or JSON whose "origin" lists addresses.
    static QString retGlobalIpRes(const QByteArray &body, int status, const QString &mimeType);

Q_SIGNALS:
    // `ip` is empty when no service gave an address; `error` then says why the last one failed.
    void finished(quint64 requestNumber, const QString &ip, const QString &error);

private:
    void tryNext();
    void onReplyFinished();
    void finish(const QString &ip, const QString &error);

    QNetworkAccessManager *network_;
    QList<QUrl> pending_;
    QPointer<QNetworkReply> reply_;
    bool oversized_ = false;
    quint64 request_ = 0;
    QString lastError_;
    QTimer deadline_;
};

} // namespace orb
