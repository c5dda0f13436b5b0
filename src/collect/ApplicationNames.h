#pragma once
#include "platform/Sysroot.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orb {

// Names of the installed desktop applications, looked up by executable name: the keys
// are the program of each entry's Exec and TryExec lines and its StartupWMClass, lower
// case. Built from the "applications" folders of the XDG data directories (read under
// the sysroot) and rebuilt when one of those folders changes. Used by the collection
// pass only.
class ApplicationNames {
public:
    // `dataDirs` are the XDG data directories in priority order (machine paths); the
    // locale names ("de_DE", "de") choose a translated Name when an entry has one.
    explicit ApplicationNames(QStringList dataDirs = defaultDataDirectories(), QStringList locales = systemLocales());

    // $XDG_DATA_HOME (else ~/.local/share), then $XDG_DATA_DIRS (else /usr/local/share
    // and /usr/share).
    static QStringList defaultDataDirectories();
    // The user's locale as "ll_CC" and "ll"; empty for the C locale.
    static QStringList systemLocales();

    // Reads the folders when the tree changed or a folder's modification time moved, at
    // most once per `checkSeconds` of `now`; returns true when the table was rebuilt.
    bool refresh(const Sysroot &root, double now, double checkSeconds = 10.0);

    // The application name for an executable (a base name such as "firefox-esr"); null
    // when no entry names it. The returned pointer lives until the next rebuild.
    const QString *lookup(std::string_view executable) const;
    // Bumped by every rebuild, so holders of looked-up names know to ask again.
    uint32_t generation() const { return generation_; }
    std::size_t size() const { return table_.size(); }

    // The program an Exec line starts, as its base name: "env VAR=1 foo --x" gives
    // "foo", an interpreter gives the script it runs, "flatpak run --command=foo ..."
    // gives "foo"; empty when there is none.
    static std::string execProgram(std::string_view exec);

private:
    struct Folder {
        std::string path;
        bool exists = false;
        std::timespec mtime{};
        // Takes in whether the folder is there and when it last changed; true when either moved.
        bool look();
    };
    void rebuild();
    void readFolder(const std::string &dir, const std::string &idPrefix, int depth, std::vector<std::string> &seenIds);
    void readEntry(const std::string &file);
    void addKey(std::string key, const QString &name);
    std::vector<Folder> currentFolders(const Sysroot &root) const;

    QStringList dataDirs_;
    QStringList locales_;
    std::string rootPath_;
    bool loaded_ = false;
    double lastCheck_ = 0.0;
    std::vector<Folder> folders_;
    // Sorted by key once built; the first entry read for a key wins.
    std::vector<std::pair<std::string, QString>> table_;
    std::string buffer_;
    uint32_t generation_ = 0;
    std::size_t filesRead_ = 0;
};

} // namespace orb
