#include "settings/AppearanceMonitor.h"

#include "platform/Logging.h"
#include "settings/SettingsStore.h"
#include "toolkit/OrbColors.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QPalette>

namespace orb {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kNamespace = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// The portal wraps the value in one or two variants depending on its version.
std::optional<bool> schemeFromValue(QVariant v)
{
    for (int depth = 0; depth < 4 && v.canConvert<QDBusVariant>() && v.typeId() == qMetaTypeId<QDBusVariant>();
         ++depth)
        v = qvariant_cast<QDBusVariant>(v).variant();
    bool ok = false;
    const uint scheme = v.toUInt(&ok);
    if (!ok)
        return std::nullopt;
    if (scheme == 1)
        return true;
    if (scheme == 2)
        return false;
    return std::nullopt; // 0: no preference
}

} // namespace

AppearanceMonitor::AppearanceMonitor(std::shared_ptr<SettingsStore> store, const QDBusConnection &bus, QObject *parent)
    : QObject(parent), store_(std::move(store)), bus_(bus)
{
}

std::optional<bool> AppearanceMonitor::readPortal(const QDBusConnection &bus, int timeoutMs)
{
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    call << kNamespace << kKey;
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        qCDebug(lcSettings) << "no colour scheme from the desktop portal:" << reply.errorMessage();
        return std::nullopt;
    }
    return schemeFromValue(reply.arguments().constFirst());
}

bool AppearanceMonitor::paletteIsDark()
{
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return false;
    const QPalette palette = QGuiApplication::palette();
    return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF();
}

bool AppearanceMonitor::retApperanceDarkMode(const SettingsStore &store)
{
    return store.stringForKey(QLatin1String(kStoreKey)) == QLatin1String("Dark");
}

bool AppearanceMonitor::retBoolCheckBigSurMenuBar(SettingsStore &store, bool dark)
{
    const QString word = dark ? QStringLiteral("Dark") : QStringLiteral("Light");
    if (store.stringForKey(QLatin1String(kStoreKey)) == word)
        return false;
    store.setString(QLatin1String(kStoreKey), word);
    store.synchronize();
    return true;
}

bool AppearanceMonitor::start(int timeoutMs)
{
    if (bus_.isConnected()) {
        bus_.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                     SLOT(onSettingChanged(QString, QString, QDBusVariant)));
    }
    apply(readPortal(bus_, timeoutMs).value_or(paletteIsDark()));
    return dark_;
}

void AppearanceMonitor::onSettingChanged(const QString &nameSpace, const QString &key, const QDBusVariant &value)
{
    if (nameSpace != kNamespace || key != kKey)
        return;
    apply(schemeFromValue(QVariant::fromValue(value)).value_or(paletteIsDark()));
}

void AppearanceMonitor::apply(bool dark)
{
    dark_ = dark;
    OrbColors::setDarkAppearance(dark);
    if (store_ && retBoolCheckBigSurMenuBar(*store_, dark)) {
        qCInfo(lcSettings) << "desktop appearance is now" << (dark ? "dark" : "light");
        Q_EMIT appearanceChanged(dark);
    }
}

} // namespace orb
