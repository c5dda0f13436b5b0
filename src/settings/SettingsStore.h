#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <mutex>

namespace orb {

// One settings domain: a flat key-value map kept in memory and saved as an XML property
// list at <directory>/<domain>.plist. Reads of absent values give false, 0 or empty.
// Thread-safe; every instance of one file in a process is the same object (`open`).
class SettingsStore {
public:
    static constexpr const char *kOwnDomain = "org.orbmeter.Orbmeter9";

    // $XDG_CONFIG_HOME/Orbmeter9 (or ~/.config/Orbmeter9).
    static QString defaultDirectory();
    // The shared store of `domain` in `directory` (default directory when empty).
    static std::shared_ptr<SettingsStore> open(const QString &domain = QString::fromLatin1(kOwnDomain),
                                               const QString &directory = QString());
    // Forgets the shared instances (tests that change XDG_CONFIG_HOME between cases).
    static void resetSharedInstances();

    SettingsStore(const QString &domain, const QString &directory);
    // Saves pending changes, so nothing set is lost when the last holder lets go.
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString domain() const { return domain_; }
    QString filePath() const { return path_; }

    bool contains(const QString &key) const;
    QVariant objectForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    QVariantList arrayForKey(const QString &key) const;
    QVariantMap dictionaryForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    QStringList keys() const;
    QVariantMap snapshot() const;

    void setBool(const QString &key, bool value);
    void setInteger(const QString &key, qint64 value);
    void setDouble(const QString &key, double value);
    void setString(const QString &key, const QString &value);
    void setArray(const QString &key, const QVariantList &value);
    void setDictionary(const QString &key, const QVariantMap &value);
    void setData(const QString &key, const QByteArray &value);
    void setObject(const QString &key, const QVariant &value);
    void removeObjectForKey(const QString &key);

    // Saves pending changes; without any, picks up changes another process saved.
    // Returns false when the file could not be written.
    bool synchronize();

private:
    void loadLocked();
    void setLocked(const QString &key, QVariant value);

    QString domain_;
    QString path_;
    // std::mutex rather than QMutex so ThreadSanitizer sees the locking.
    mutable std::mutex mutex_;
    QVariantMap values_;
    bool dirty_ = false;
    QDateTime loadedModified_;
};

} // namespace orb
