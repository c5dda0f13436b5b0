#include "MockBus.h"

#include <QDBusArgument>
#include <QDir>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QFile>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orb::test {

namespace {

// The daemon is started with fork and exec rather than QProcess. QProcess starts children
// through a vfork-style clone, and the child runs on the calling thread's ThreadSanitizer
// state: afterwards the sanitizer no longer sees that thread's locking, and every hand-off
// it makes under a mutex is reported as a race. Every test program starts a daemon first.
pid_t spawn(const QString &program, const QStringList &arguments, int &output)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return -1;
    std::vector<QByteArray> words{QFile::encodeName(path)};
    for (const QString &a : arguments)
        words.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &w : words)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Ends with the test program, however that ends; and holds none of its output, which
        // the test runner reads to the end.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
        ::dup2(fds[1], STDOUT_FILENO); // the copy is not closed on exec
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0)
            ::dup2(null, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return -1;
    }
    output = fds[0];
    return pid;
}

// The first line `fd` gives within `timeoutMs`, without its newline; empty when none came.
QString firstLine(int fd, int timeoutMs)
{
    QByteArray line;
    const QDeadlineTimer deadline(timeoutMs);
    while (!line.contains('\n') && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR) // a child of an earlier test ended meanwhile
            continue;
        if (ready <= 0)
            break;
        char buf[256];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        line.append(buf, n);
    }
    const qsizetype end = line.indexOf('\n');
    return end < 0 ? QString() : QString::fromUtf8(line.left(end)).trimmed();
}

} // namespace

MockBus::MockBus()
{
    // No service directories: nothing on this bus is ever started on demand from the
    // machine's own service files.
    config_.setFileTemplate(QDir::tempPath() + QStringLiteral("/orb-bus-XXXXXX.conf"));
    if (!config_.open())
        return;
    config_.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                  " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                  "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
                  "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    config_.flush();
    daemonPid_ = spawn(QStringLiteral("dbus-daemon"),
                       {"--config-file=" + config_.fileName(), "--nofork", "--print-address"}, daemonOutput_);
    if (daemonPid_ < 0)
        return;
    address_ = firstLine(daemonOutput_, 5000);
    if (address_.isEmpty())
        return;
    connectionName_ = QStringLiteral("orb-mockbus-") + QUuid::createUuid().toString(QUuid::Id128);
    connection_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, connectionName_));
}

MockBus::MockBus(const QString &address) : address_(address)
{
    if (address_.isEmpty())
        return;
    connectionName_ = QStringLiteral("orb-mockbus-") + QUuid::createUuid().toString(QUuid::Id128);
    connection_ = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address_, connectionName_));
}

MockBus::~MockBus()
{
    while (!mocks_.empty()) {
        const QString name = mocks_.back().busName; // stopLast() drops the entry
        stopLast(name);
    }
    connection_.reset();
    if (!connectionName_.isEmpty())
        QDBusConnection::disconnectFromBus(connectionName_);
    stopDaemon();
}

void MockBus::stopDaemon()
{
    if (daemonPid_ < 0)
        return;
    ::kill(daemonPid_, SIGTERM);
    const QDeadlineTimer deadline(3000);
    int status = 0;
    while (::waitpid(daemonPid_, &status, WNOHANG) == 0) {
        if (deadline.hasExpired()) {
            ::kill(daemonPid_, SIGKILL);
            ::waitpid(daemonPid_, &status, 0);
            break;
        }
        QThread::msleep(10);
    }
    daemonPid_ = -1;
    ::close(daemonOutput_);
    daemonOutput_ = -1;
}

QProcessEnvironment MockBus::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address_);
    env.insert(QStringLiteral("ORB_BUS"), address_);
    return env;
}

bool MockBus::start(const QStringList &arguments, const QString &busName)
{
    if (!isUp())
        return false;
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(environment());
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral("/usr/bin/python3"), QStringList{"-m", "dbusmock"} + arguments);
    if (!p->waitForStarted(5000))
        return false;
    mocks_.push_back({std::move(p), busName});
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (connection_->interface()->isServiceRegistered(busName))
            return true;
        QThread::msleep(50);
    }
    return false;
}

bool MockBus::startTemplate(const QString &name, const QString &busName, bool systemTemplate, const QString &parameters)
{
    QStringList args;
    if (systemTemplate)
        args << "--system";
    args << "--template" << name;
    if (!parameters.isEmpty())
        args << "-p" << parameters;
    return start(args, busName);
}

bool MockBus::startMock(const QString &busName, const QString &path, const QString &interface, bool systemBus,
                        bool objectManager)
{
    QStringList args;
    if (systemBus)
        args << "--system";
    if (objectManager)
        args << "--is-object-manager";
    args << busName << path << interface;
    return start(args, busName);
}

bool MockBus::stopLast(const QString &busName)
{
    if (mocks_.empty())
        return false;
    std::unique_ptr<QProcess> p = std::move(mocks_.back().process);
    mocks_.pop_back();
    p->terminate();
    if (!p->waitForFinished(3000))
        p->kill();
    p->waitForFinished(3000);
    if (!isUp())
        return false;
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (!connection_->interface()->isServiceRegistered(busName))
            return true;
        QThread::msleep(20);
    }
    return false;
}

bool MockBus::runPython(const QString &script, const QStringList &arguments)
{
    QProcess py;
    py.setProcessEnvironment(environment());
    py.start(QStringLiteral("/usr/bin/python3"), QStringList{"-c", script} + arguments);
    if (!py.waitForFinished(20000) || py.exitStatus() != QProcess::NormalExit || py.exitCode() != 0) {
        ADD_FAILURE() << "the script for the stand-ins failed: " << py.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

QStringList MockBus::calls(const QString &busName, const QString &path)
{
    QDBusMessage m = QDBusMessage::createMethodCall(busName, path, QStringLiteral("org.freedesktop.DBus.Mock"),
                                                    QStringLiteral("GetCalls"));
    const QDBusMessage reply = connection_->call(m, QDBus::Block, 5000);
    QStringList out;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return out;
    // a(tsav): timestamp, method name, arguments
    const QDBusArgument arg = reply.arguments().constFirst().value<QDBusArgument>();
    arg.beginArray();
    while (!arg.atEnd()) {
        quint64 stamp = 0;
        QString method;
        QVariantList args;
        arg.beginStructure();
        arg >> stamp >> method;
        arg.beginArray();
        while (!arg.atEnd()) {
            QDBusVariant v;
            arg >> v;
            QVariant value = v.variant();
            args << value;
        }
        arg.endArray();
        arg.endStructure();
        QStringList parts{method};
        for (const QVariant &a : args)
            parts << a.toString();
        out << parts.join(QLatin1Char(' '));
    }
    arg.endArray();
    return out;
}

} // namespace orb::test

namespace orb::test {

void SharedSystemBus::SetUp()
{
    bus_ = std::make_unique<MockBus>();
    ASSERT_TRUE(bus_->isUp()) << "dbus-daemon did not start";
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus_->address().toUtf8());
}

void SharedSystemBus::TearDown() { bus_.reset(); }

QString SharedSystemBus::address() { return qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS"); }

} // namespace orb::test
