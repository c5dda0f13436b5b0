#include "platform/linux/SessionEndWatcher.h"

#include "platform/Logging.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace orb {
namespace {

const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kLoginPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");

// The write end is touched from the signal handler: async-signal-safe write() only.
int gSignalPipe[2] = {-1, -1};

void onSignal(int signo)
{
    const char byte = static_cast<char>(signo);
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

} // namespace

SessionEndWatcher::SessionEndWatcher(const QDBusConnection &systemBus, QObject *parent)
    : QObject(parent), bus_(systemBus)
{
    if (gSignalPipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0) {
        qCWarning(lcPlatform) << "no signal pipe; SIGTERM ends the program without saving";
    } else {
        notifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &SessionEndWatcher::onSignalByte);
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        for (int s : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(s, &sa, nullptr);
    }
    if (bus_.isConnected()) {
        bus_.connect(kLogin, kLoginPath, kManager, QStringLiteral("PrepareForShutdown"), this,
                     SLOT(onPrepareForShutdown(bool)));
        takeInhibitor();
    }
}

SessionEndWatcher::~SessionEndWatcher()
{
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(s, &sa, nullptr);
}

void SessionEndWatcher::takeInhibitor()
{
    QDBusMessage call = QDBusMessage::createMethodCall(kLogin, kLoginPath, kManager, QStringLiteral("Inhibit"));
    call << QStringLiteral("shutdown") << QStringLiteral("Orbmeter") << QStringLiteral("Saving its settings")
         << QStringLiteral("delay");
    auto *watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        const QDBusPendingReply<QDBusUnixFileDescriptor> reply = *watcher;
        if (reply.isError()) {
            qCDebug(lcPlatform) << "no shutdown inhibitor:" << reply.error().message();
            return;
        }
        inhibitor_ = reply.value();
    });
}

void SessionEndWatcher::releaseInhibitor()
{
    // Dropping the last copy of the descriptor closes it, which is what logind waits for.
    inhibitor_ = QDBusUnixFileDescriptor();
}

void SessionEndWatcher::onPrepareForShutdown(bool starting)
{
    if (starting) {
        qCInfo(lcPlatform) << "the machine is shutting down";
        Q_EMIT endRequested(QStringLiteral("shutdown"));
    } else if (!inhibitor_.isValid()) {
        takeInhibitor(); // the shutdown was cancelled
    }
}

void SessionEndWatcher::onSignalByte()
{
    char byte = 0;
    while (::read(gSignalPipe[0], &byte, 1) == 1) {
        qCInfo(lcPlatform) << "signal" << int(byte) << "received; ending";
        Q_EMIT endRequested(QStringLiteral("signal"));
    }
}

} // namespace orb
