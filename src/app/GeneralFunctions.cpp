#include "app/GeneralFunctions.h"

#include "app/DefaultsCommand.h"
#include "platform/Logging.h"
#include "settings/SettingsStore.h"

namespace orb {

QString GeneralFunctions::checkDefaultsRead(const QString &domain, const QString &key)
{
    const QVariant v = SettingsStore::open(domain)->objectForKey(key);
    return v.isValid() ? DefaultsCommand::describe(v).trimmed() : QString();
}

void GeneralFunctions::changeDefaultsWrite(const QString &domain, const QString &key, const QString &strValue)
{
    auto store = SettingsStore::open(domain);
    store->setString(key, strValue);
    store->synchronize();
}

void GeneralFunctions::changeDefaultsWrite(bool off, const QString &domain, const QString &key, bool killFinder)
{
    auto store = SettingsStore::open(domain);
    store->setBool(key, !off);
    store->synchronize();
    if (killFinder)
        qCDebug(lcApp) << "no file manager restart needed for" << domain << key;
}

void GeneralFunctions::changeDefaultsDelete(const QString &domain, const QString &key)
{
    auto store = SettingsStore::open(domain);
    store->removeObjectForKey(key);
    store->synchronize();
}

void GeneralFunctions::checkDefaultsBoolFind(const QString &domain, const QString &key, bool value)
{
    if (checkDefaultsRead(domain, key).isEmpty())
        changeDefaultsWrite(!value, domain, key, false);
}

} // namespace orb
