#include "settings/SettingsStore.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"
#include "settings/PlistCodec.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

// Largest settings file read.
constexpr qint64 kMaxFileBytes = 64 << 20;

// An exclusive flock on the lock file beside a settings file, held for one read-merge-write.
class FileLock {
public:
    // Waits up to `timeoutMs` for other holders (0: a single try).
    FileLock(const QString &path, int timeoutMs)
    {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd_ < 0) {
            error_ = errno;
            return;
        }
        struct stat st{};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            error_ = EINVAL;
            return;
        }
        QElapsedTimer waited;
        waited.start();
        int pauseMs = 1;
        for (;;) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if (errno == EINTR)
                continue;
            if (errno != EWOULDBLOCK || waited.elapsed() >= timeoutMs) {
                error_ = errno;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
            pauseMs = std::min(pauseMs * 2, 20);
        }
    }
    ~FileLock()
    {
        if (fd_ >= 0)
            ::close(fd_); // drops the lock
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool held() const { return held_; }
    QString reason() const
    {
        return error_ == EINVAL ? QStringLiteral("not a regular file") : QString::fromLocal8Bit(std::strerror(error_));
    }

private:
    int fd_ = -1;
    int error_ = 0;
    bool held_ = false;
};

// "<path><tag><time>", with a counter added when that name is taken.
QString asideName(const QString &path, const char *tag)
{
    const QString base = path + QLatin1String(tag)
                         + QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = base + QLatin1Char('-') + QString::number(n);
    return name;
}

bool sameValue(const QVariant &a, const QVariant &b) { return a.typeId() == b.typeId() && a == b; }

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
    // A save killed half-way leaves its temporary file; every save holds the lock, so while
    // we hold it none is in flight.
    if (QFileInfo(QDir::cleanPath(directory)).isDir()) {
        const FileLock fileLock(path_ + QStringLiteral(".lock"), 0);
        if (fileLock.held())
            AtomicFile::removeStaleTemporaries(path_);
    }
}

SettingsStore::~SettingsStore()
{
    bool pending = false;
    {
        std::lock_guard lock(mutex_);
        pending = !pending_.isEmpty();
    }
    if (pending)
        synchronize();
}

SettingsStore::FileContents SettingsStore::readLocked() const
{
    FileContents c;
    const AtomicFile::ReadResult read = AtomicFile::read(path_, kMaxFileBytes);
    c.stamp = read.stamp;
    QString problem;
    switch (read.status) {
    case AtomicFile::ReadResult::Status::Missing:
        c.load = Load::Missing;
        return c;
    case AtomicFile::ReadResult::Status::Failed:
        // Permission denied, an I/O error: the contents may be fine, so they stay put.
        qCWarning(lcSettings).noquote() << QStringLiteral("settings file %1 cannot be read (%2); using defaults and "
                                                          "leaving the file as it is")
                                               .arg(path_, read.reason());
        c.load = Load::Unreadable;
        c.stamp = AtomicFile::stampOf(path_); // so that it is read again only once it changes
        return c;
    case AtomicFile::ReadResult::Status::NotRegularFile:
    case AtomicFile::ReadResult::Status::TooLarge:
        problem = read.reason();
        break;
    case AtomicFile::ReadResult::Status::Ok: {
        QList<PlistCodec::InexactValue> inexact;
        const auto root = PlistCodec::parse(read.bytes, &problem, &inexact);
        if (root && root->typeId() == QMetaType::QVariantMap) {
            c.load = Load::Read;
            c.values = root->toMap();
            c.bytes = read.bytes;
            for (const auto &value : inexact)
                c.inexact << value.key + QStringLiteral(": ") + value.reason;
            return c;
        }
        if (root)
            problem = QStringLiteral("root is not a dictionary");
        break;
    }
    }
    // Keep the damaged file for the user and start from first-run defaults.
    const QString aside = asideName(path_, ".corrupt-");
    if (!QFile::rename(path_, aside)) {
        qCWarning(lcSettings).noquote() << QStringLiteral("settings file %1 is unreadable (%2) and could not be moved "
                                                          "aside; using defaults and leaving it as it is")
                                               .arg(path_, problem);
        c.load = Load::Unreadable;
        return c;
    }
    qCWarning(lcSettings).noquote()
        << QStringLiteral("settings file %1 is unreadable (%2); kept as %3 and starting from defaults")
               .arg(path_, problem, aside);
    c.load = Load::SetAside;
    c.stamp = {};
    return c;
}

void SettingsStore::loadLocked()
{
    FileContents c = readLocked();
    values_ = std::move(c.values);
    loaded_ = c.stamp;
    // Changes not saved yet stay in view.
    for (auto it = pending_.cbegin(); it != pending_.cend(); ++it) {
        if (it.value())
            values_.insert(it.key(), *it.value());
        else
            values_.remove(it.key());
    }
}

bool SettingsStore::saveLocked()
{
    const QString dir = QFileInfo(path_).absolutePath();
    if (!QDir().mkpath(dir)) {
        qCWarning(lcSettings).noquote() << "cannot create the settings directory" << dir;
        return false;
    }
    const FileLock fileLock(path_ + QStringLiteral(".lock"), kLockTimeoutMs);
    if (!fileLock.held()) {
        qCWarning(lcSettings).noquote()
            << QStringLiteral("settings not saved: cannot lock %1.lock (%2)").arg(path_, fileLock.reason());
        return false;
    }
    // What other processes saved since we read the file, with our changes on top.
    FileContents current = readLocked();
    if (current.load == Load::Unreadable) {
        qCWarning(lcSettings).noquote() << "settings not saved, so that" << path_ << "is not replaced unread";
        return false;
    }
    if (!current.inexact.isEmpty() && !(current.stamp == keptInexact_)) {
        // Writing back turns these values into others; keep the file as it was, once.
        const QString aside = asideName(path_, ".inexact-");
        if (!AtomicFile::write(aside, current.bytes, 0600)) {
            qCWarning(lcSettings).noquote() << "settings not saved: the original of" << path_ << "could not be kept as"
                                            << aside;
            return false;
        }
        for (const QString &entry : std::as_const(current.inexact))
            qCWarning(lcSettings).noquote() << QStringLiteral("settings value %1; it cannot be saved as it was").arg(entry);
        qCWarning(lcSettings).noquote() << "kept" << path_ << "as it was in" << aside << "before rewriting it";
        keptInexact_ = current.stamp;
    }
    QVariantMap merged = std::move(current.values);
    for (auto it = pending_.cbegin(); it != pending_.cend(); ++it) {
        if (it.value())
            merged.insert(it.key(), *it.value());
        else
            merged.remove(it.key());
    }
    if (!AtomicFile::write(path_, PlistCodec::toXml(QVariant(merged)), 0600))
        return false;
    pending_.clear();
    values_ = std::move(merged);
    loaded_ = AtomicFile::stampOf(path_);
    return true;
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
    // Setting what is there already is no change: saving it could undo another process's.
    const auto it = values_.constFind(key);
    if (it != values_.cend() && sameValue(*it, value) && !pending_.contains(key))
        return;
    values_.insert(key, value);
    pending_.insert(key, std::move(value));
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
        pending_.insert(key, std::nullopt);
}

bool SettingsStore::synchronize()
{
    std::lock_guard lock(mutex_);
    if (!pending_.isEmpty())
        return saveLocked();
    if (!(AtomicFile::stampOf(path_) == loaded_))
        loadLocked();
    return true;
}

} // namespace orb
