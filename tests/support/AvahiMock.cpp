#include "AvahiMock.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>

namespace orb::test {
namespace {
const QString kAvahi = QStringLiteral("org.freedesktop.Avahi");
}

bool AvahiMock::start(const QString &services)
{
    return bus.startTemplate(QStringLiteral(ORB_FIXTURES_DIR "/../services/tools/avahi_mock.py"), kAvahi, true,
                             QStringLiteral("{\"services\": %1}").arg(services));
}

bool AvahiMock::stop() { return bus.stopLast(kAvahi); }

bool AvahiMock::control(const char *method, const QVariantList &args)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kAvahi, QStringLiteral("/"), QStringLiteral("org.orbmeter.AvahiMock"),
                                                    QLatin1String(method));
    m.setArguments(args);
    return bus.connection().call(m, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
}

int AvahiMock::resolves(const QString &name)
{
    int n = 0;
    for (const QString &call : bus.calls(kAvahi, QStringLiteral("/")))
        n += call.startsWith(QLatin1String("ResolveService")) && call.contains(name);
    return n;
}

} // namespace orb::test
