#include "settings/SettingsStore.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "settings/PlistCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <map>

namespace orb {
namespace {

std::mutex registryMutex;
std::map<QString, std::weak_ptr<SettingsStore>> &registry()
{
    static std::map<QString, std::weak_ptr<SettingsStore>> r;
    return r;
}

qint64 toInteger(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = v.toDouble();
        if (!(d == d))
            return 0;
        if (d >= 9.2e18)
            return std::numeric_limits<qint64>::max();
        if (d <= -9.2e18)
            return std::numeric_limits<qint64>::min();
        return static_cast<qint64>(d);
    }
    case QMetaType::QString:
        return v.toString().trimmed().toLongLong();
    default:
        return v.canConvert<qint64>() ? v.toLongLong() : 0;
    }
}

} // namespace

QString SettingsStore::defaultDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Orbmeter9");
}

std::shared_ptr<SettingsStore> SettingsStore::open(const QString &domain, const QString &directory)
{
    const QString dir = directory.isEmpty() ? defaultDirectory() : directory;
    const QString key = QDir::cleanPath(dir) + QLatin1Char('/') + domain;
    std::lock_guard lock(registryMutex);
    auto &slot = registry()[key];
    if (auto existing = slot.lock())
        return existing;
    auto store = std::make_shared<SettingsStore>(domain, dir);
    slot = store;
    return store;
}

void SettingsStore::resetSharedInstances()
{
    std::lock_guard lock(registryMutex);
    registry().clear();
}

SettingsStore::SettingsStore(const QString &domain, const QString &directory)
    : domain_(domain), path_(QDir::cleanPath(directory) + QLatin1Char('/') + domain + QStringLiteral(".plist"))
{
    std::lock_guard lock(mutex_);
    loadLocked();
}

SettingsStore::~SettingsStore()
{
    if (dirty_)
        synchronize();
}

void SettingsStore::loadLocked()
{
    QFile file(path_);
    const QFileInfo info(path_);
    if (!info.exists()) {
        values_.clear();
        loadedModified_ = {};
        return;
    }
    loadedModified_ = info.lastModified();
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.read(std::min<qint64>(file.size(), 64 << 20)); // asking for the cap allocates it
    QString error;
    const auto root = PlistCodec::parse(bytes, &error);
    if (root && root->typeId() == QMetaType::QVariantMap) {
        values_ = root->toMap();
        return;
    }
    // Keep the damaged file for the user and start from first-run defaults.
    const QString aside = path_ + QStringLiteral(".corrupt-")
        + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    file.close();
    if (QFile::rename(path_, aside))
        qCWarning(lcSettings).noquote() << "settings file" << path_ << "is unreadable ("
                                        << (root ? QStringLiteral("root is not a dictionary") : error)
                                        << "); kept as" << aside << "and starting from defaults";
    else
        qCWarning(lcSettings).noquote() << "settings file" << path_ << "is unreadable and could not be moved aside;"
                                        << "starting from defaults";
    values_.clear();
    loadedModified_ = {};
}

bool SettingsStore::contains(const QString &key) const
{
    std::lock_guard lock(mutex_);
    return values_.contains(key);
}

QVariant SettingsStore::objectForKey(const QString &key) const
{
    std::lock_guard lock(mutex_);
    return values_.value(key);
}

bool SettingsStore::boolForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("yes") || s == QLatin1String("true") || s.toLongLong() != 0;
    }
    return v.isValid() && v.toBool();
}

qint64 SettingsStore::integerForKey(const QString &key) const { return toInteger(objectForKey(key)); }

double SettingsStore::doubleForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.canConvert<double>() ? v.toDouble() : 0.0;
}

QString SettingsStore::stringForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    switch (v.typeId()) {
    case QMetaType::QString:
        return v.toString();
    case QMetaType::LongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return v.toString();
    default:
        return {};
    }
}

QVariantList SettingsStore::arrayForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QVariantList ? v.toList() : QVariantList();
}

QVariantMap SettingsStore::dictionaryForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QVariantMap ? v.toMap() : QVariantMap();
}

QByteArray SettingsStore::dataForKey(const QString &key) const
{
    const QVariant v = objectForKey(key);
    return v.typeId() == QMetaType::QByteArray ? v.toByteArray() : QByteArray();
}

QStringList SettingsStore::keys() const
{
    std::lock_guard lock(mutex_);
    return values_.keys();
}

QVariantMap SettingsStore::snapshot() const
{
    std::lock_guard lock(mutex_);
    return values_;
}

void SettingsStore::setLocked(const QString &key, QVariant value)
{
    std::lock_guard lock(mutex_);
    values_.insert(key, std::move(value));
    dirty_ = true;
}

void SettingsStore::setBool(const QString &key, bool value) { setLocked(key, QVariant(value)); }
void SettingsStore::setInteger(const QString &key, qint64 value) { setLocked(key, QVariant(value)); }
void SettingsStore::setDouble(const QString &key, double value) { setLocked(key, QVariant(value)); }
void SettingsStore::setString(const QString &key, const QString &value) { setLocked(key, QVariant(value)); }
void SettingsStore::setArray(const QString &key, const QVariantList &value) { setLocked(key, QVariant(value)); }
void SettingsStore::setDictionary(const QString &key, const QVariantMap &value) { setLocked(key, QVariant(value)); }
void SettingsStore::setData(const QString &key, const QByteArray &value) { setLocked(key, QVariant(value)); }

void SettingsStore::setObject(const QString &key, const QVariant &value)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return;
    }
    // Plain ints become 64-bit so that a value reads back with the type it was stored with.
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::UInt)
        setLocked(key, QVariant(value.toLongLong()));
    else
        setLocked(key, value);
}

void SettingsStore::removeObjectForKey(const QString &key)
{
    std::lock_guard lock(mutex_);
    if (values_.remove(key) > 0)
        dirty_ = true;
}

bool SettingsStore::synchronize()
{
    std::lock_guard lock(mutex_);
    if (!dirty_) {
        const QFileInfo info(path_);
        const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
        if (modified != loadedModified_)
            loadLocked();
        return true;
    }
    if (!AtomicFile::write(path_, PlistCodec::toXml(QVariant(values_)), 0600))
        return false;
    dirty_ = false;
    loadedModified_ = QFileInfo(path_).lastModified();
    return true;
}

} // namespace orb
