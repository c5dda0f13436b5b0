// The public address in the Network menu: looked up when the menu opens, shown beside each
// interface's own address, with a clear text while it is looked up and when it is unknown.
#include "TestEnvironment.h"
#include "collect/NetworkBase.h"
#include "modules/network/Network_MenuController.h"
#include "modules/network/Network_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <functional>

using namespace orb;

namespace {

// A plain-HTTP echo service on 127.0.0.1 answering every request with `body`.
class EchoService : public QObject {
public:
    explicit EchoService(QByteArray body) : body_(std::move(body))
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = server_.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    request_ += s->readAll();
                    if (!request_.contains("\r\n\r\n"))
                        return;
                    request_.clear();
                    ++requests;
                    s->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\nContent-Length: "
                             + QByteArray::number(body_.size()) + "\r\n\r\n" + body_);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort()); }
    int requests = 0;

private:
    QTcpServer server_;
    QByteArray body_;
    QByteArray request_;
};

class TreeDelegate : public MenuModuleDelegate {
public:
    explicit TreeDelegate(std::optional<Sysroot> root) : root_(std::move(root)) {}
    void openPreferenceTab(int) override {}
    void changeAppearanceMode() override {}
    std::optional<Sysroot> menuSysroot() const override { return root_; }

private:
    std::optional<Sysroot> root_;
};

NetworkInterface eth0(const char *status, const char *ipv4)
{
    NetworkInterface i;
    i.name = "eth0";
    i.linkStatus = status;
    i.hasNic = true;
    i.hasItf = true;
    i.kind = i.type = "Ethernet";
    i.ipv4 = ipv4;
    return i;
}

QVariantMap networkDefaults()
{
    return {{"NetworkItemSortArray", QVariantList{3}}, {"Network_Display_Graph", true}, {"Network_GraphWidth", 30},
            {"Network_ShowAllNic", true}, {"Network_Padding", 2.0}, {"PrefName", "Network"}};
}


QString globalRow(const Network_MenuModule &m)
{
    for (Network_MenuController *v : m.nicManMenusArray())
        for (const Network_MenuController::Row &r : v->rows())
            if (r.label == "IPv4 Local/Global")
                return r.value;
    return "(no row)";
}

} // namespace

TEST(NetworkGlobalIp, MenuShowsThePublicAddress)
{
    struct Case {
        const char *name;
        std::optional<Sysroot> root;
        bool noDelegate;
        NetworkInterface nic;
        QByteArray answer;
        int openings;
        const char *whileOpening; // the row right after the menu opened
        const char *shown;        // the row once the lookup is over
        int requests;
    };
    const Sysroot host("/");
    const Sysroot captured(test::fixturePath("net-laptop-a").toStdString());
    const Case cases[] = {
        {"the running machine", host, false, eth0("Active", "192.168.1.20"), "203.0.113.7\n", 1,
         "192.168.1.20 / Looking up…", "192.168.1.20 / 203.0.113.7", 1},
        {"every opening asks again", host, false, eth0("Active", "192.168.1.20"), "203.0.113.7\n", 2,
         "192.168.1.20 / Looking up…", "192.168.1.20 / 203.0.113.7", 2},
        {"a portal page is no address", host, false, eth0("Active", "192.168.1.20"),
         "<html>Log in at 10.0.0.1</html>", 1, "192.168.1.20 / Looking up…", "192.168.1.20 / (Unknown)", 1},
        {"a captured machine is not this one", captured, false, eth0("Active", "192.168.1.20"), "203.0.113.7\n", 1,
         "192.168.1.20 / (Unknown)", "192.168.1.20 / (Unknown)", 0},
        {"without a tree the menu shows no facts of its own", std::nullopt, true, eth0("Active", "192.168.1.20"),
         "203.0.113.7\n", 1, "192.168.1.20 / (Unknown)", "192.168.1.20 / (Unknown)", 0},
        {"offline: no link", host, false, eth0("Inactive", "192.168.1.20"), "203.0.113.7\n", 1,
         "192.168.1.20 / (Unknown)", "192.168.1.20 / (Unknown)", 0},
    };
    test::ScopedHome home;
    OffscreenHost bar;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EchoService echo(c.answer);
        qputenv("ORBMETER_IP_ECHO_URLS", echo.url().toUtf8());
        TreeDelegate delegate(c.root);
        Network_MenuModule m(c.noDelegate ? nullptr : &delegate);
        m.setMyDefaults(networkDefaults());
        m.initDrawStatusBar(bar);
        SensorData data;
        data.network = History<NetworkSample>().appended(NetworkSample{100, 200, 1.0, 0, 0});
        auto base = std::make_shared<NetworkBase>();
        base->interfaces = {c.nic};
        data.networkBase = base;
        m.setSensorData(data);
        m.refreshBar();
        for (int i = 0; i < c.openings; ++i) {
            m.menuWillOpen();
            EXPECT_EQ(globalRow(m), QString::fromUtf8(c.whileOpening));
            test::waitUntil([&] { return !globalRow(m).endsWith(QString::fromUtf8("…")); });
            EXPECT_EQ(globalRow(m), QString::fromUtf8(c.shown));
            m.menuDidClose();
        }
        test::spin(100);
        EXPECT_EQ(echo.requests, c.requests);
        qunsetenv("ORBMETER_IP_ECHO_URLS");
    }
}
