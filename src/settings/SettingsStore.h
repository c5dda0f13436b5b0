#pragma once
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QHash>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/AtomicFile.h"

namespace orb {

// One settings domain: a flat key-value map kept in memory and saved as an XML property
// list at <directory>/<domain>.plist. Reads of absent values give false, 0 or empty.
// Thread-safe; every instance of one file in a process is the same object (`open`).
//
// Several processes may write one domain (the monitor, `orbmeter defaults write`): a save
// holds an exclusive lock on <domain>.plist.lock, reads the file again and applies only the
// keys this instance set or removed since its last save, so no one's change is lost.
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

    // Saves pending changes merged into what the file holds now; without any, picks up
    // changes another process saved. Returns false when the changes could not be saved
    // (they stay pending): the file or its lock cannot be written, or the file exists but
    // cannot be read, and is not replaced blindly.
    bool synchronize();

    // How long a save waits for another process's save to finish.
    static constexpr int kLockTimeoutMs = 10000;

private:
    // What reading the file gave: its values (Read); nothing, as there is no file (Missing)
    // or it was damaged and is now kept aside (SetAside); or it is there but cannot be
    // read (Unreadable), so it must not be replaced.
    enum class Load { Read, Missing, SetAside, Unreadable };
    struct FileContents {
        Load load = Load::Missing;
        QVariantMap values;
        QByteArray bytes;
        AtomicFile::Stamp stamp;
        QStringList inexact; // "key: why" for values that cannot be written back as read
    };
    FileContents readLocked() const;
    void loadLocked();
    bool saveLocked();
    void setLocked(const QString &key, QVariant value);

    QString domain_;
    QString path_;
    // std::mutex rather than QMutex so ThreadSanitizer sees the locking.
    mutable std::mutex mutex_;
    QVariantMap values_;
    // Keys set (a value) or removed (nothing) here since the last save.
    QHash<QString, std::optional<QVariant>> pending_;
    AtomicFile::Stamp loaded_;
    // The file whose values could not all be read exactly and was copied aside already.
    AtomicFile::Stamp keptInexact_;
};

} // namespace orb
