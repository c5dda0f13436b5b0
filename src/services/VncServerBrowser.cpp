#include "services/VncServerBrowser.h"

#include "platform/Logging.h"
#include "services/VncServerList.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QHostAddress>
#include <QTimer>
#include <algorithm>
#include <tuple>

namespace orb {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Avahi");
const QString kServerInterface = QStringLiteral("org.freedesktop.Avahi.Server");
const QString kServer2Interface = QStringLiteral("org.freedesktop.Avahi.Server2");
const QString kBrowserInterface = QStringLiteral("org.freedesktop.Avahi.ServiceBrowser");
const QString kServiceType = QStringLiteral("_rfb._tcp");
const QString kDomain = QStringLiteral("local");
constexpr int kUnspecified = -1; // any interface, any protocol
constexpr int kProtocolIPv4 = 0;

QDBusMessage avahiCall(const QString &path, const QString &interface, const QString &method)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kService, path, interface, method);
    // Never start the daemon on demand: a monitor only looks.
    m.setAutoStartService(false);
    return m;
}

bool daemonMissing(const QDBusError &error)
{
    return error.type() == QDBusError::ServiceUnknown || error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
}

} // namespace

bool VncServerBrowser::Instance::operator<(const Instance &o) const
{
    return std::tie(interface, protocol, type, domain) < std::tie(o.interface, o.protocol, o.type, o.domain);
}

VncServerBrowser::VncServerBrowser(const QDBusConnection &systemBus, QObject *parent)
    : QObject(parent), bus_(systemBus)
{
    qRegisterMetaType<orb::VncServiceList>();
}

VncServerBrowser::~VncServerBrowser()
{
    ++epoch_;
    stopBrowser();
}

void VncServerBrowser::setRetryDelays(int firstMs, int maxMs)
{
    firstRetryMs_ = std::max(1, firstMs);
    maxRetryMs_ = std::max(firstRetryMs_, maxMs);
}

int VncServerBrowser::retryDelay(int failures) const
{
    qint64 delay = firstRetryMs_;
    for (int i = 1; i < failures && delay < maxRetryMs_; ++i)
        delay *= 2;
    return static_cast<int>(std::min<qint64>(delay, maxRetryMs_));
}

void VncServerBrowser::start()
{
    if (!bus_.isConnected()) {
        qCInfo(lcServices) << "no system bus: screen-sharing servers on the local network are not listed";
        browseAnswered_ = true;
        checkSettled();
        return;
    }
    watcher_ = std::make_unique<QDBusServiceWatcher>(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange);
    // A daemon that goes, comes, or is replaced by another process at once.
    connect(watcher_.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                if (newOwner.isEmpty())
                    daemonVanished();
                else
                    daemonAppeared();
            });
    prepareBrowser();
}

bool VncServerBrowser::isSettled() const
{
    if (!browseAnswered_)
        return false;
    return std::none_of(found_.begin(), found_.end(), [](const auto &f) { return f.second.resolving; });
}

void VncServerBrowser::checkSettled()
{
    const bool now = isSettled();
    const bool becameSettled = now && !wasSettled_;
    wasSettled_ = now;
    if (becameSettled)
        Q_EMIT settled();
}

void VncServerBrowser::prepareBrowser()
{
    const quint64 epoch = epoch_;
    QDBusMessage m = avahiCall(QStringLiteral("/"), kServer2Interface, QStringLiteral("ServiceBrowserPrepare"));
    m << kUnspecified << kUnspecified << kServiceType << kDomain << 0u;
    auto *call = new QDBusPendingCallWatcher(bus_.asyncCall(m, kCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, epoch](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (epoch != epoch_)
            return;
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            browseAnswered_ = true;
            if (daemonMissing(reply.error())) {
                if (!daemonMissingLogged_)
                    qCInfo(lcServices) << "avahi-daemon is not running: no screen-sharing servers from the local "
                                          "network until it starts";
                daemonMissingLogged_ = true;
            } else {
                qCWarning(lcServices).noquote() << "avahi-daemon did not browse for screen-sharing servers:"
                                                << reply.error().message();
                scheduleBrowserRetry();
            }
            checkSettled();
            return;
        }
        // The daemon's unique bus name: signals are matched on it without a name lookup.
        startBrowser(reply.value().path(), w->reply().service());
    });
}

void VncServerBrowser::startBrowser(const QString &path, const QString &owner)
{
    browserPath_ = path;
    browserOwner_ = owner.isEmpty() ? kService : owner;
    bus_.connect(browserOwner_, path, kBrowserInterface, QStringLiteral("ItemNew"), this,
                 SLOT(itemNew(int,int,QString,QString,QString,uint)));
    bus_.connect(browserOwner_, path, kBrowserInterface, QStringLiteral("ItemRemove"), this,
                 SLOT(itemRemove(int,int,QString,QString,QString,uint)));
    bus_.connect(browserOwner_, path, kBrowserInterface, QStringLiteral("AllForNow"), this, SLOT(allForNow()));
    bus_.connect(browserOwner_, path, kBrowserInterface, QStringLiteral("Failure"), this, SLOT(browserFailure(QString)));
    const quint64 epoch = epoch_;
    auto *call = new QDBusPendingCallWatcher(
        bus_.asyncCall(avahiCall(path, kBrowserInterface, QStringLiteral("Start")), kCallTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this, epoch, path](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (epoch != epoch_ || path != browserPath_)
            return;
        if (w->isError()) {
            qCWarning(lcServices).noquote() << "avahi-daemon did not start browsing:" << w->error().message();
            browserFailure(w->error().message());
            return;
        }
        browserFailures_ = 0;
    });
}

void VncServerBrowser::stopBrowser(bool freeIt)
{
    if (browserPath_.isEmpty())
        return;
    const QString path = browserPath_;
    const QString owner = browserOwner_;
    browserPath_.clear();
    bus_.disconnect(owner, path, kBrowserInterface, QStringLiteral("ItemNew"), this,
                    SLOT(itemNew(int,int,QString,QString,QString,uint)));
    bus_.disconnect(owner, path, kBrowserInterface, QStringLiteral("ItemRemove"), this,
                    SLOT(itemRemove(int,int,QString,QString,QString,uint)));
    bus_.disconnect(owner, path, kBrowserInterface, QStringLiteral("AllForNow"), this, SLOT(allForNow()));
    bus_.disconnect(owner, path, kBrowserInterface, QStringLiteral("Failure"), this, SLOT(browserFailure(QString)));
    if (freeIt && bus_.isConnected())
        bus_.asyncCall(avahiCall(path, kBrowserInterface, QStringLiteral("Free")), kCallTimeoutMs);
}

void VncServerBrowser::scheduleBrowserRetry()
{
    ++browserFailures_;
    const quint64 epoch = epoch_;
    QTimer::singleShot(retryDelay(browserFailures_), this, [this, epoch] {
        if (epoch != epoch_ || !browserPath_.isEmpty())
            return;
        prepareBrowser();
    });
}

void VncServerBrowser::daemonAppeared()
{
    ++epoch_;
    qCInfo(lcServices) << "avahi-daemon is on the system bus: browsing for screen-sharing servers";
    daemonMissingLogged_ = false;
    stopBrowser(false);
    found_.clear();
    if (!resolved_.empty()) {
        resolved_.clear();
        publish();
    }
    browseAnswered_ = false;
    browserFailures_ = 0;
    wasSettled_ = false;
    prepareBrowser();
}

void VncServerBrowser::daemonVanished()
{
    ++epoch_;
    qCInfo(lcServices) << "avahi-daemon left the system bus: servers on the local network are hidden until it is back";
    daemonMissingLogged_ = true;
    // The daemon's objects went with it: nothing to free, only our subscriptions to drop.
    stopBrowser(false);
    found_.clear();
    if (!resolved_.empty()) {
        resolved_.clear();
        publish();
    }
    browseAnswered_ = true;
    checkSettled();
}

void VncServerBrowser::itemNew(int interface, int protocol, const QString &name, const QString &type,
                               const QString &domain, uint flags)
{
    Q_UNUSED(flags);
    if (type != kServiceType)
        return;
    auto it = found_.find(name);
    if (it == found_.end()) {
        if (found_.size() >= static_cast<size_t>(kMaxServices)) {
            if (!floodLogged_)
                qCWarning(lcServices) << "more than" << kMaxServices << "screen-sharing servers announced; the rest are ignored";
            floodLogged_ = true;
            return;
        }
        it = found_.emplace(name, Found{}).first;
        it->second.token = ++nextToken_;
    }
    Found &f = it->second;
    const Instance instance{interface, protocol, type, domain};
    if (std::find_if(f.instances.begin(), f.instances.end(), [&](const Instance &i) {
            return !(i < instance) && !(instance < i);
        }) == f.instances.end())
        f.instances.push_back(instance);
    if (!f.resolving && !f.resolved && !f.failures)
        resolve(name);
}

void VncServerBrowser::itemRemove(int interface, int protocol, const QString &name, const QString &type,
                                  const QString &domain, uint flags)
{
    Q_UNUSED(flags);
    auto it = found_.find(name);
    if (it == found_.end())
        return;
    const Instance gone{interface, protocol, type, domain};
    auto &instances = it->second.instances;
    instances.erase(std::remove_if(instances.begin(), instances.end(),
                                   [&](const Instance &i) { return !(i < gone) && !(gone < i); }),
                    instances.end());
    // The same name announced on another interface or protocol keeps the server listed.
    if (!instances.empty())
        return;
    found_.erase(it);
    if (resolved_.erase(name))
        publish();
    checkSettled();
}

void VncServerBrowser::allForNow()
{
    browseAnswered_ = true;
    checkSettled();
}

void VncServerBrowser::browserFailure(const QString &error)
{
    qCWarning(lcServices).noquote() << "browsing for screen-sharing servers failed:" << error << "; trying again later";
    stopBrowser();
    found_.clear();
    if (!resolved_.empty()) {
        resolved_.clear();
        publish();
    }
    browseAnswered_ = true;
    scheduleBrowserRetry();
    checkSettled();
}

void VncServerBrowser::resolve(const QString &name)
{
    auto it = found_.find(name);
    if (it == found_.end() || it->second.instances.empty())
        return;
    Found &f = it->second;
    const Instance &i = f.instances.front();
    f.resolving = true;
    QDBusMessage m = avahiCall(QStringLiteral("/"), kServerInterface, QStringLiteral("ResolveService"));
    m << i.interface << i.protocol << name << i.type << i.domain << kProtocolIPv4 << 0u;
    auto *call = new QDBusPendingCallWatcher(bus_.asyncCall(m, kCallTimeoutMs), this);
    const quint64 token = f.token;
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, name, token](QDBusPendingCallWatcher *w) { resolveFinished(name, token, w); });
}

void VncServerBrowser::resolveFinished(const QString &name, quint64 token, QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    auto it = found_.find(name);
    if (it == found_.end() || it->second.token != token) {
        checkSettled();
        return;
    }
    Found &f = it->second;
    f.resolving = false;
    const QDBusMessage reply = call->reply();
    const QVariantList args = reply.arguments();
    QString why;
    VncService service;
    if (call->isError()) {
        why = call->error().message();
    } else if (args.size() < 9) {
        why = QStringLiteral("an answer of unexpected form");
    } else {
        const QHostAddress address(args.at(7).toString());
        bool portOk = false;
        const uint port = args.at(8).toUInt(&portOk);
        if (address.protocol() != QHostAddress::IPv4Protocol || address == QHostAddress(QHostAddress::AnyIPv4))
            why = QStringLiteral("no usable IPv4 address");
        else if (!portOk || port < 1 || port > 65535)
            why = QStringLiteral("no usable port");
        else
            service = VncService{name, address.toString(), static_cast<int>(port), args.at(5).toString()};
    }
    if (!why.isEmpty()) {
        ++f.failures;
        const int delay = retryDelay(f.failures);
        if (f.failures == 1)
            qCInfo(lcServices).noquote() << "could not resolve screen-sharing server" << VncServerList::plainLabel(name)
                                         << ":" << why
                                         << "; trying again in" << delay / 1000.0 << "s";
        else
            qCDebug(lcServices).noquote() << "resolve of" << VncServerList::plainLabel(name) << "failed again:" << why;
        QTimer::singleShot(delay, this, [this, name, token] {
            auto found = found_.find(name);
            if (found == found_.end() || found->second.token != token || found->second.resolving
                || found->second.resolved)
                return;
            resolve(name);
        });
        checkSettled();
        return;
    }
    f.resolved = true;
    f.failures = 0;
    auto r = resolved_.find(name);
    if (r == resolved_.end() || !(r->second == service)) {
        resolved_[name] = service;
        publish();
    }
    checkSettled();
}

void VncServerBrowser::publish()
{
    VncServiceList list;
    list.reserve(static_cast<qsizetype>(resolved_.size()));
    for (const auto &[name, service] : resolved_)
        list.append(service);
    std::stable_sort(list.begin(), list.end(), [](const VncService &a, const VncService &b) {
        return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
    });
    services_ = list;
    Q_EMIT servicesChanged(services_);
}

} // namespace orb
