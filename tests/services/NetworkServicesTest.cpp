#include "TestEnvironment.h"
#include "app/AppDelegate.h"
#include "platform/statusbar/StatusBarHost.h"
#include "services/DdnsUpdater.h"
#include "services/GlobalIpLookup.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace orb;

namespace {

// A certificate authority and two server certificates made for this run: one for
// 127.0.0.1, one for another name.
struct TestPki {
    QTemporaryDir dir;
    bool ok = false;
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    static bool run(const QStringList &args, const QString &cwd)
    {
        QProcess p;
        p.setWorkingDirectory(cwd);
        p.start(QStringLiteral("openssl"), args);
        return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }
    bool serverCert(const QString &name, const QString &san)
    {
        const QString d = dir.path();
        test::writeFile(d + "/" + name + ".ext", ("subjectAltName=" + san).toUtf8());
        return run({"req", "-newkey", "rsa:2048", "-nodes", "-keyout", name + ".key", "-out", name + ".csr", "-subj",
                    "/CN=" + name},
                   d)
            && run({"x509", "-req", "-in", name + ".csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial", "-out",
                    name + ".pem", "-days", "2", "-extfile", name + ".ext"},
                   d);
    }
    TestPki()
    {
        ok = run({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "2",
                  "-subj", "/CN=Orbmeter Test CA", "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                  "keyUsage=critical,keyCertSign"},
                 dir.path())
            && serverCert("local", "IP:127.0.0.1,DNS:localhost") && serverCert("wrong", "DNS:wrong.example");
    }
};

TestPki &pki()
{
    static TestPki *p = [] {
        auto *made = new TestPki;
        // Trusted through the test environment only.
        qputenv("ORBMETER_EXTRA_CA_FILE", made->path("ca.pem").toUtf8());
        return made;
    }();
    return *p;
}

class LocalServer {
public:
    explicit LocalServer(const char *cert)
    {
        log_ = dir_.filePath("requests.log");
        test::writeFile(log_, {});
        proc_.start("/usr/bin/python3", {QStringLiteral(ORB_FIXTURES_DIR "/../services/tools/https_server.py"),
                                         pki().path(cert) + ".pem", pki().path(cert) + ".key", log_});
        if (proc_.waitForStarted(5000) && proc_.waitForReadyRead(10000))
            port_ = proc_.readLine().trimmed().toInt();
    }
    ~LocalServer()
    {
        proc_.kill();
        proc_.waitForFinished(3000);
    }
    int port() const { return port_; }
    QString url(const QString &path) const { return QStringLiteral("https://127.0.0.1:%1%2").arg(port_).arg(path); }
    QStringList requests() const
    {
        return QString::fromUtf8(test::readFile(log_)).split('\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir_;
    QString log_;
    QProcess proc_;
    int port_ = 0;
};

// Every message logged while it lives.
class LogCapture {
public:
    LogCapture() { previous_ = qInstallMessageHandler(&LogCapture::handler); }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    static QStringList &lines()
    {
        static QStringList l;
        return l;
    }

private:
    static void handler(QtMsgType, const QMessageLogContext &, const QString &msg) { lines().append(msg); }
    QtMessageHandler previous_ = nullptr;
};

struct LookupResult {
    quint64 request = 0;
    QString ip, error;
    bool arrived = false;
};

LookupResult lookUp(const QStringList &urls, int waitMs = 30000)
{
    qputenv("ORBMETER_IP_ECHO_URLS", urls.join(',').toUtf8());
    GlobalIpLookup lookup;
    LookupResult r;
    QObject::connect(&lookup, &GlobalIpLookup::finished, [&](quint64 n, const QString &ip, const QString &error) {
        r = {n, ip, error, true};
    });
    lookup.start(7);
    QDeadlineTimer deadline(waitMs);
    while (!r.arrived && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    qunsetenv("ORBMETER_IP_ECHO_URLS");
    return r;
}

} // namespace

// Only a whole dotted-quad IPv4 address ever becomes the public address.
TEST(GlobalIpLookup, OnlyWholeIpv4AddressesAreAccepted)
{
    const std::pair<const char *, const char *> cases[] = {
        {"10.0.0.1\n", "10.0.0.1"},  {" 203.0.113.7 ", "203.0.113.7"}, {"1.1.1.1", "1.1.1.1"},
        {"2001:db8::1", ""},         {"::ffff:10.0.0.1", ""},          {"abc1.2.3def", ""},
        {"1.2.3", ""},               {"256.1.1.1", ""},                {"<html>10.0.0.1</html>", ""},
        {"10.0.0.1 10.0.0.2", ""},   {"", ""},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(GlobalIpLookup::checkIpAddress(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
    EXPECT_EQ(GlobalIpLookup::retGlobalIpRes(R"({"origin": "198.51.100.2, 10.0.0.1"})", 200, "application/json"),
              "198.51.100.2");
    EXPECT_EQ(GlobalIpLookup::retGlobalIpRes("203.0.113.7", 500, "text/plain"), "");
    EXPECT_EQ(GlobalIpLookup::retGlobalIpRes("{\"origin\": 5}", 200, "application/json"), "");
}

class NetworkServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pki().ok) << "openssl could not make the test certificates";
        ASSERT_GT(server.port(), 0) << "the local HTTPS server did not start";
    }
    test::ScopedHome home;
    LocalServer server{"local"};
};

TEST_F(NetworkServices, LookupFindsTheAddressAndSurvivesHostileAnswers)
{
    LookupResult good = lookUp({server.url("/good")});
    EXPECT_TRUE(good.arrived);
    EXPECT_EQ(good.request, 7u);
    EXPECT_EQ(good.ip, "203.0.113.7");
    EXPECT_EQ(lookUp({server.url("/json")}).ip, "198.51.100.2");

    // Every hostile answer is refused; all are tried; the last error is reported.
    const QStringList hostile{server.url("/v6"),       server.url("/portal"),   server.url("/huge"),
                              server.url("/redirect"), server.url("/status500"), server.url("/letters")};
    LookupResult bad = lookUp(hostile);
    EXPECT_TRUE(bad.arrived);
    EXPECT_EQ(bad.ip, "");
    EXPECT_FALSE(bad.error.isEmpty());
    EXPECT_EQ(server.requests().size(), 2 + hostile.size());

    // A huge answer next to a good one: the good one wins whatever the order.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(lookUp({server.url("/huge"), server.url("/good")}).ip, "203.0.113.7");
}

TEST_F(NetworkServices, LookupRefusesAWrongCertificateAndASlowService)
{
    LocalServer wrong("wrong");
    ASSERT_GT(wrong.port(), 0);
    EXPECT_EQ(lookUp({wrong.url("/good")}).ip, "");
    QElapsedTimer t;
    t.start();
    LookupResult slow = lookUp({server.url("/slow")});
    EXPECT_TRUE(slow.arrived);
    EXPECT_EQ(slow.ip, "");
    EXPECT_LT(t.elapsed(), 5500) << "the request's own time-out ends a dead service";
}

TEST_F(NetworkServices, ANewerLookupDropsTheOlderAnswer)
{
    qputenv("ORBMETER_IP_ECHO_URLS", server.url("/good").toUtf8());
    GlobalIpLookup lookup;
    QSignalSpy spy(&lookup, &GlobalIpLookup::finished);
    lookup.start(1);
    lookup.start(2);
    ASSERT_TRUE(spy.wait(10000));
    QCoreApplication::processEvents();
    ASSERT_EQ(spy.size(), 1);
    EXPECT_EQ(spy.at(0).at(0).toULongLong(), 2u);
    qunsetenv("ORBMETER_IP_ECHO_URLS");
}

TEST(DdnsUpdater, AnswersBecomeMessages)
{
    EXPECT_EQ(DdnsUpdater::retVdResponse("status=0\r\nOK\r\n", 200, {}), "更新に成功しました");
    EXPECT_EQ(DdnsUpdater::retVdResponse("status=4", 200, {}), "パスワードが一致しません");
    EXPECT_EQ(DdnsUpdater::retVdResponse("status=9\n", 200, {}), "その他のエラー");
    EXPECT_EQ(DdnsUpdater::retVdResponse("status=7", 200, {}), "Unknown Error");
    EXPECT_EQ(DdnsUpdater::retVdResponse("garbage", 200, {}), "Unknown Error");
    EXPECT_EQ(DdnsUpdater::retVdResponse("", 200, {}), "Unknown Error");
    EXPECT_EQ(DdnsUpdater::retVdResponse("status=0", 404, "ContentNotFoundError"), "[404] ContentNotFoundError");
}

TEST(DdnsUpdater, EveryQueryValueIsPercentEncoded)
{
    qputenv("ORBMETER_DDNS_URL", "https://ddns.test/cgi-bin/dyn.fcg");
    const QUrl url = DdnsUpdater::updateUrl("h&x", "ex ample.com", "p&ss=w rd", "203.0.113.7");
    EXPECT_EQ(url.toString(QUrl::FullyEncoded),
              "https://ddns.test/cgi-bin/dyn.fcg?d=ex%20ample.com&p=p%26ss%3Dw%20rd&h=h%26x&i=203.0.113.7");
    qunsetenv("ORBMETER_DDNS_URL");
}

namespace {
struct DdnsRun {
    QList<UserNotice> notices;
    bool finished = false;
    bool committed = false;
};

DdnsRun runDdns(DdnsUpdater &updater, const QString &address, bool forced)
{
    DdnsRun run;
    QObject conn;
    QObject::connect(&updater, &DdnsUpdater::notice, &conn, [&](const UserNotice &n) { run.notices.append(n); });
    QObject::connect(&updater, &DdnsUpdater::finished, &conn, [&](bool committed) {
        run.finished = true;
        run.committed = committed;
    });
    updater.checkGlobalIpAddressForDdns(address, forced);
    QDeadlineTimer deadline(30000);
    while (updater.isRunning() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return run;
}
} // namespace

TEST_F(NetworkServices, DdnsUpdatesRecordsAndNeverShowsThePassword)
{
    LogCapture log;
    qputenv("ORBMETER_DDNS_URL", server.url("/cgi-bin/dyn.fcg").toUtf8());
    auto store = SettingsStore::open();
    const QString secret = QStringLiteral("s3cr=t pass");
    store->setString("DdnsPropertyString",
                     "valuedomain&ok1&example.com&" + secret + "\r\n#note\n\nvaluedomain&ok2&example.org&other-" + secret
                         + "\norbmeter&confirm");
    DdnsUpdater updater(store);
    DdnsRun run = runDdns(updater, "203.0.113.7", false);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.committed);
    EXPECT_EQ(store->stringForKey("NowGlobalIpAddr"), "203.0.113.7");
    const QStringList requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0], "/cgi-bin/dyn.fcg?d=example.com&p=s3cr%3Dt%20pass&h=ok1&i=203.0.113.7");
    ASSERT_EQ(run.notices.size(), 3); // two updates and the confirmation; blank and comment lines are silent
    EXPECT_EQ(run.notices[0].title, "Update succeeded");
    EXPECT_EQ(run.notices[0].body, "203.0.113.7 -> ok1.example.com");
    EXPECT_EQ(run.notices[1].identifier, "ok2.example.org");
    EXPECT_EQ(run.notices[1].delaySeconds, 4);
    EXPECT_EQ(run.notices[2].title, "Global IP Address changed.");
    EXPECT_EQ(run.notices[2].body, "(No Record) -> 203.0.113.7");

    // The same address again: nothing is sent.
    runDdns(updater, "203.0.113.7", false);
    EXPECT_EQ(server.requests().size(), 2);

    for (const QString &line : LogCapture::lines())
        EXPECT_FALSE(line.contains(secret) || line.contains("s3cr%3Dt")) << line.toStdString();
    for (const UserNotice &n : run.notices)
        EXPECT_FALSE((n.title + n.body + n.identifier).contains("s3cr"));
    qunsetenv("ORBMETER_DDNS_URL");
}

TEST_F(NetworkServices, FailedUpdateIsRetriedAndBadLinesAreReportedWhenForced)
{
    qputenv("ORBMETER_DDNS_URL", server.url("/cgi-bin/dyn.fcg").toUtf8());
    auto store = SettingsStore::open();
    store->setString("NowGlobalIpAddr", "192.0.2.1");
    QStringList lines{"valuedomain&fail1&example.com&pw", "valuedomain&junk&example.com&pw", "", "#c", "single",
                      "other&x", "valuedomain&ok&example.com&", "", "", "orbmeter&confirm"};
    store->setString("DdnsPropertyString", lines.join('\n'));
    DdnsUpdater updater(store);
    DdnsRun run = runDdns(updater, "203.0.113.7", true);
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.committed);
    EXPECT_EQ(store->stringForKey("NowGlobalIpAddr"), "192.0.2.1");
    QStringList titles, bodies;
    for (const UserNotice &n : run.notices) {
        titles << n.title;
        bodies << n.body;
    }
    EXPECT_EQ(titles, QStringList({"Password does not match", "Unknown Error", "Blank line", "Comment out",
                                   "Invalid Parameter", "Some error occurred (other)",
                                   "Some error occurred (valuedomain)", "Blank line", "Blank line",
                                   "Global IP Address changed."}));
    EXPECT_EQ(bodies[2], "Line 03"); // ten lines: numbers padded to two digits
    EXPECT_EQ(bodies.last(), "192.0.2.1 -> 203.0.113.7");

    // Not committed, so the next check tries again.
    runDdns(updater, "203.0.113.7", false);
    EXPECT_EQ(server.requests().size(), 4);
    qunsetenv("ORBMETER_DDNS_URL");
}

// The controller's forced check: lookup, then both records, then the address stored; the
// settings file that holds the passwords is readable by its owner only.
TEST_F(NetworkServices, ForcedCheckThroughTheController)
{
    qputenv("ORBMETER_IP_ECHO_URLS", server.url("/good").toUtf8());
    qputenv("ORBMETER_DDNS_URL", server.url("/cgi-bin/dyn.fcg").toUtf8());
    qputenv("ORBMETER_SYSROOT", test::fixturePath("bench-a").toUtf8());
    {
        auto store = SettingsStore::open();
        store->setString("DdnsPropertyString", "valuedomain&ok1&example.com&pw1\nvaluedomain&ok2&example.net&pw2");
        store->setString("NowGlobalIpAddr", "203.0.113.7");
        store->synchronize();
        QFile::setPermissions(store->filePath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    OffscreenHost host;
    AppDelegate app(host, {.startTimer = false, .probeHardware = false});
    app.startUpMe();
    const QFile::Permissions perms = QFile::permissions(SettingsStore::open()->filePath());
    EXPECT_TRUE(perms & QFile::ReadOwner);
    EXPECT_FALSE(perms & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
    app.forcedExecutionDdns();
    QDeadlineTimer deadline(20000);
    while (!SettingsStore::open()->contains("NowGlobalIpAddr") && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const QStringList requests = server.requests();
    ASSERT_EQ(requests.size(), 3); // the echo service, then both records
    EXPECT_EQ(requests[0], "/good");
    EXPECT_TRUE(requests[2].contains("h=ok2"));
    EXPECT_EQ(SettingsStore::open()->stringForKey("NowGlobalIpAddr"), "203.0.113.7");
    for (const char *v : {"ORBMETER_IP_ECHO_URLS", "ORBMETER_DDNS_URL", "ORBMETER_SYSROOT"})
        qunsetenv(v);
}
