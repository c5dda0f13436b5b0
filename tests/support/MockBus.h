#pragma once
#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <memory>
#include <vector>

namespace orb::test {

// A private D-Bus daemon for one test (never the machine's buses), with python3-dbusmock
// templates started on it. The tests point DBUS_SESSION_BUS_ADDRESS or
// DBUS_SYSTEM_BUS_ADDRESS at it, or hand its connection to the code under test.
class MockBus {
public:
    MockBus();
    ~MockBus();
    bool isUp() const { return connection_ && connection_->isConnected(); }
    QString address() const { return address_; }
    QDBusConnection &connection() { return *connection_; }

    // Starts `python3 -m dbusmock [--system] --template NAME [-p PARAMS]` on this bus and
    // waits for `busName`; false when it did not come up.
    bool startTemplate(const QString &name, const QString &busName, bool systemTemplate,
                       const QString &parameters = {});
    // Ends the mock started last and waits until `busName` has left the bus (a daemon that
    // goes away); false when it is still there.
    bool stopLast(const QString &busName);
    // Method calls the mock at `path` recorded: "Method arg1 arg2 ..." lines.
    QStringList calls(const QString &busName, const QString &path);

private:
    QTemporaryFile config_;
    QProcess daemon_;
    std::vector<std::unique_ptr<QProcess>> mocks_;
    QString address_;
    QString connectionName_;
    std::unique_ptr<QDBusConnection> connection_;
};

} // namespace orb::test
