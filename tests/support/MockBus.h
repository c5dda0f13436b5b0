#pragma once
#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <memory>
#include <sys/types.h>
#include <vector>

namespace orb::test {

// A private D-Bus daemon for one test (never the machine's buses), with python3-dbusmock
// stand-ins started on it. The tests hand its connection to the code under test, or point
// DBUS_SESSION_BUS_ADDRESS or DBUS_SYSTEM_BUS_ADDRESS at it.
class MockBus {
public:
    // A daemon of its own, ended with the object.
    MockBus();
    // The stand-ins of one test on a daemon that outlives it (SharedSystemBus::address()):
    // they end with the object, which waits until their names have left the bus.
    explicit MockBus(const QString &address);
    ~MockBus();
    MockBus(const MockBus &) = delete;
    MockBus &operator=(const MockBus &) = delete;

    bool isUp() const { return connection_ && connection_->isConnected(); }
    QString address() const { return address_; }
    QDBusConnection &connection() { return *connection_; }

    // Starts `python3 -m dbusmock [--system] --template NAME [-p PARAMS]` on this bus and
    // waits for `busName`; false when it did not come up.
    bool startTemplate(const QString &name, const QString &busName, bool systemTemplate,
                       const QString &parameters = {});
    // Starts a bare dbusmock object: `busName` owning `path` with `interface`, and with the
    // object manager's interface on `path` when `objectManager`.
    bool startMock(const QString &busName, const QString &path, const QString &interface, bool systemBus,
                   bool objectManager = false);
    // Ends the stand-in started last and waits until `busName` has left the bus (a daemon
    // that goes away); false when it is still there.
    bool stopLast(const QString &busName);
    // Ends the daemon itself, as when the session ends: every connection to it drops.
    void stopDaemon();
    // Runs a dbus-python script against the stand-ins: DBUS_SESSION_BUS_ADDRESS,
    // DBUS_SYSTEM_BUS_ADDRESS and ORB_BUS name this bus, `arguments` follow the script.
    // A failing script adds a test failure with its error output.
    bool runPython(const QString &script, const QStringList &arguments = {});
    // Method calls the stand-in at `path` recorded: "Method arg1 arg2 ..." lines.
    QStringList calls(const QString &busName, const QString &path);

private:
    bool start(const QStringList &arguments, const QString &busName);
    QProcessEnvironment environment() const;

    struct Mock {
        std::unique_ptr<QProcess> process;
        QString busName;
    };
    QTemporaryFile config_;
    // The daemon is forked, not started through QProcess: see MockBus.cpp.
    pid_t daemonPid_ = -1;
    int daemonOutput_ = -1;
    std::vector<Mock> mocks_;
    QString address_;
    QString connectionName_;
    std::unique_ptr<QDBusConnection> connection_;
};

// One stand-in system bus for a whole test program. QDBusConnection::systemBus() connects
// once and keeps that connection for the life of the process, so code under test that takes
// it sees only the first bus it met: the tests of such a program share one daemon, and each
// test starts and ends its own stand-ins on it (MockBus(SharedSystemBus::address())).
// A program registers it with ::testing::AddGlobalTestEnvironment; it points
// DBUS_SYSTEM_BUS_ADDRESS at the daemon before the first test.
class SharedSystemBus : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
    static QString address();

private:
    std::unique_ptr<MockBus> bus_;
};

} // namespace orb::test
