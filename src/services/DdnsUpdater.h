#pragma once
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;


namespace orb {

class SettingsStore;

// A message for the user; `identifier` lets a later notice of the same kind replace it and
// `delaySeconds` spaces the notices of one run.
struct UserNotice {
    QString title;
    QString body;
    QString identifier;
    int delaySeconds = 0;
};

// Updates the dynamic-DNS records listed in "DdnsPropertyString" when the public address
// changes, one line at a time, and reports each outcome as a notice. The work list holds
// the user's passwords: they travel only inside the request URL, which is never logged,
// shown or put into a notice.
class DdnsUpdater : public QObject {
    Q_OBJECT
public:
    static constexpr int kRequestTimeoutMs = 10000;
    static constexpr qint64 kMaxBody = 4096;

    explicit DdnsUpdater(std::shared_ptr<SettingsStore> store, QObject *parent = nullptr);
    ~DdnsUpdater() override;

    // The update endpoint: ORBMETER_DDNS_URL (for tests) or the provider's.
    static QUrl updateEndpoint();
    // The update request for one record, every value percent-encoded.
    static QUrl updateUrl(const QString &host, const QString &domain, const QString &password, const QString &address);
    // The message for the service's answer (first line "status=N"), or "Unknown Error".
    static QString retVdResponse(const QByteArray &body, int status, const QString &transportError);

    // Compares `address` with the last processed one; on a change (or when forced after the
    // stored address was removed) works through the list. The new address is stored once
    // every update line succeeded, so a failed update is tried again at the next check.
    void checkGlobalIpAddressForDdns(const QString &address, bool forced);
    bool isRunning() const { return running_; }

Q_SIGNALS:
    void notice(const orb::UserNotice &notice);
    // The run ended; `committed` says whether the address was stored.
    void finished(bool committed);

private:
    struct Line {
        int number = 0;
        QString text;
    };
    void processNext();
    void onReplyFinished();
    QString lineLabel(int number) const;

    std::shared_ptr<SettingsStore> store_;
    QNetworkAccessManager *network_;
    QPointer<QNetworkReply> reply_;
    QList<Line> lines_;
    int lineCount_ = 0;
    QString address_;
    QString previous_;
    bool forced_ = false;
    bool running_ = false;
    bool allUpdated_ = true;
    // What the answer of the request in flight is about.
    QString pendingTarget_;
    QString pendingDomain_;
    int pendingLine_ = 0;
};

} // namespace orb
