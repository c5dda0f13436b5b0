#include "collect/ApplicationNames.h"

#include "collect/ProcText.h"
#include "platform/Logging.h"

#include <QLocale>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <dirent.h>
#include <sys/stat.h>

namespace orb {
namespace {

constexpr std::size_t kMaxEntryBytes = 64 * 1024;
constexpr std::size_t kMaxFiles = 10000;
constexpr int kMaxDepth = 3;
constexpr qsizetype kMaxNameLength = 128;

// Programs that run another one named on their command line; the entry's key is then that
// other program (a script's name is also the command name the kernel gives its process).
bool isLauncher(std::string_view program)
{
    static constexpr std::array<std::string_view, 14> kLaunchers = {
        "sh", "bash", "dash", "zsh", "python", "python2", "python3", "perl", "ruby", "node", "gjs", "java", "mono", "exec"};
    if (program.substr(0, 6) == "python")
        return true;
    return std::find(kLaunchers.begin(), kLaunchers.end(), program) != kLaunchers.end();
}

std::string_view baseName(std::string_view path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string lowered(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Splits an Exec value into arguments: white space separates, double quotes group, a
// backslash inside quotes escapes the next character.
std::vector<std::string> execArguments(std::string_view exec)
{
    std::vector<std::string> args;
    std::string current;
    bool inArg = false;
    bool quoted = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (quoted) {
            if (c == '\\' && i + 1 < exec.size())
                current.push_back(exec[++i]);
            else if (c == '"')
                quoted = false;
            else
                current.push_back(c);
        } else if (c == '"') {
            quoted = true;
            inArg = true;
        } else if (c == ' ' || c == '\t') {
            if (inArg)
                args.push_back(std::move(current));
            current.clear();
            inArg = false;
        } else {
            current.push_back(c);
            inArg = true;
        }
    }
    if (inArg)
        args.push_back(std::move(current));
    return args;
}

// Undoes the escapes of a desktop entry string value.
QString entryValue(std::string_view raw)
{
    std::string s;
    s.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            s.push_back(raw[i]);
            continue;
        }
        switch (raw[++i]) {
        case 's': s.push_back(' '); break;
        case 'n': s.push_back('\n'); break;
        case 't': s.push_back('\t'); break;
        case 'r': s.push_back('\r'); break;
        default: s.push_back(raw[i]); break;
        }
    }
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// A name other programs chose, made safe for one menu line: control characters become
// spaces, the ends are trimmed and the length is capped.
QString plainName(QString name)
{
    for (QChar &c : name)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    name = name.simplified();
    if (name.size() > kMaxNameLength)
        name.truncate(kMaxNameLength);
    return name;
}

bool sameTime(const std::timespec &a, const std::timespec &b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

} // namespace

ApplicationNames::ApplicationNames(QStringList dataDirs, QStringList locales)
    : dataDirs_(std::move(dataDirs)), locales_(std::move(locales))
{
}

QStringList ApplicationNames::defaultDataDirectories()
{
    QStringList dirs;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (home.isEmpty() && !qEnvironmentVariableIsEmpty("HOME"))
        home = qEnvironmentVariable("HOME") + QStringLiteral("/.local/share");
    if (!home.isEmpty())
        dirs << home;
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString &d : system.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (d.startsWith(QLatin1Char('/')) && !dirs.contains(d))
            dirs << d;
    return dirs;
}

QStringList ApplicationNames::systemLocales()
{
    const QString name = QLocale::system().name(); // "de_DE", or "C"
    if (name == QLatin1String("C") || name.isEmpty())
        return {};
    QStringList locales{name};
    const qsizetype underscore = name.indexOf(QLatin1Char('_'));
    if (underscore > 0)
        locales << name.left(underscore);
    return locales;
}

std::string ApplicationNames::execProgram(std::string_view exec)
{
    const std::vector<std::string> args = execArguments(exec);
    size_t i = 0;
    while (i < args.size()) {
        const std::string_view program = baseName(args[i]);
        if (program == "env") {
            ++i;
            while (i < args.size() && (args[i].find('=') != std::string::npos || args[i].starts_with('-'))) {
                // "-S text" runs the text's program; "-u NAME" and "-C DIR" take a value.
                if ((args[i] == "-S" || args[i] == "--split-string") && i + 1 < args.size())
                    return execProgram(args[i + 1]);
                if ((args[i] == "-u" || args[i] == "--unset" || args[i] == "-C" || args[i] == "--chdir") && i + 1 < args.size())
                    ++i;
                ++i;
            }
            continue;
        }
        if (program == "flatpak") {
            for (const std::string &a : args)
                if (a.starts_with("--command="))
                    return std::string(baseName(std::string_view(a).substr(10)));
            return {};
        }
        if (isLauncher(program)) {
            ++i;
            while (i < args.size() && args[i].starts_with('-')) {
                // "sh -c 'prog args'": the program is the first word of the command text.
                if (args[i] == "-c" && i + 1 < args.size())
                    return execProgram(args[i + 1]);
                ++i;
            }
            continue;
        }
        return std::string(program);
    }
    return {};
}

bool ApplicationNames::Folder::look()
{
    struct stat st{};
    const bool nowExists = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    const std::timespec nowMtime = nowExists ? st.st_mtim : std::timespec{};
    const bool changed = nowExists != exists || !sameTime(nowMtime, mtime);
    exists = nowExists;
    mtime = nowMtime;
    return changed;
}

std::vector<ApplicationNames::Folder> ApplicationNames::currentFolders(const Sysroot &root) const
{
    std::vector<Folder> folders;
    folders.reserve(static_cast<size_t>(dataDirs_.size()));
    for (const QString &dir : dataDirs_) {
        Folder f;
        f.path = root.path((dir + QStringLiteral("/applications")).toStdString());
        f.look();
        folders.push_back(std::move(f));
    }
    return folders;
}

bool ApplicationNames::refresh(const Sysroot &root, double now, double checkSeconds)
{
    const bool sameRoot = loaded_ && root.root() == rootPath_;
    if (sameRoot && now >= lastCheck_ && now - lastCheck_ < checkSeconds)
        return false;
    lastCheck_ = now;
    if (sameRoot) {
        // The same folders as before: only what they hold may have moved on.
        bool changed = false;
        for (Folder &f : folders_)
            changed = f.look() || changed;
        if (!changed)
            return false;
    } else {
        rootPath_ = root.root();
        folders_ = currentFolders(root);
    }
    rebuild();
    return true;
}

void ApplicationNames::rebuild()
{
    table_.clear();
    filesRead_ = 0;
    std::vector<std::string> seenIds;
    for (const Folder &f : folders_)
        if (f.exists)
            readFolder(f.path, std::string(), 0, seenIds);
    // Keys stay in the order they were read among equals, so the first entry read wins.
    std::stable_sort(table_.begin(), table_.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    table_.erase(std::unique(table_.begin(), table_.end(), [](const auto &a, const auto &b) { return a.first == b.first; }),
                 table_.end());
    table_.shrink_to_fit();
    std::string().swap(buffer_);
    loaded_ = true;
    ++generation_;
    qCDebug(lcCollect, "application names: %zu keys from %zu desktop entries", table_.size(), filesRead_);
}

void ApplicationNames::readFolder(const std::string &dir, const std::string &idPrefix, int depth,
                                  std::vector<std::string> &seenIds)
{
    DIR *d = ::opendir(dir.c_str());
    if (!d)
        return;
    std::vector<std::string> names;
    while (dirent *e = ::readdir(d)) {
        const std::string_view n(e->d_name);
        if (n != "." && n != "..")
            names.emplace_back(n);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string &n : names) {
        const std::string path = dir + '/' + n;
        struct stat st{};
        if (::stat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            if (depth < kMaxDepth)
                readFolder(path, idPrefix + n + '-', depth + 1, seenIds);
            continue;
        }
        if (!S_ISREG(st.st_mode) || !n.ends_with(".desktop"))
            continue;
        // An entry in an earlier folder hides the one of the same id in later folders.
        std::string id = idPrefix + n;
        if (std::find(seenIds.begin(), seenIds.end(), id) != seenIds.end())
            continue;
        seenIds.push_back(std::move(id));
        if (filesRead_ >= kMaxFiles) {
            qCWarning(lcCollect, "more than %zu desktop entries; the rest are not read", kMaxFiles);
            return;
        }
        ++filesRead_;
        readEntry(path);
    }
}

void ApplicationNames::readEntry(const std::string &file)
{
    // The file is read through an absolute path already under the sysroot.
    if (!Sysroot().readFile(file, buffer_, kMaxEntryBytes + 1)) {
        qCDebug(lcCollect, "desktop entry %s cannot be read", file.c_str());
        return;
    }
    if (buffer_.size() > kMaxEntryBytes) {
        qCInfo(lcCollect, "desktop entry %s is larger than %zu bytes; ignored", file.c_str(), kMaxEntryBytes);
        return;
    }
    bool inEntry = false;
    bool done = false;
    bool hidden = false;
    bool application = true;
    std::string_view name, exec, tryExec, wmClass;
    std::vector<std::string_view> localized(static_cast<size_t>(locales_.size()));
    std::vector<std::string> localeKeys;
    for (const QString &l : locales_)
        localeKeys.push_back("Name[" + l.toStdString() + "]");
    proctext::forEachLine(buffer_, [&](std::string_view line) {
        if (done)
            return;
        line = proctext::trimmed(line);
        if (line.empty() || line.front() == '#')
            return;
        if (line.front() == '[') {
            done = inEntry; // only the first [Desktop Entry] group counts
            inEntry = line == "[Desktop Entry]";
            return;
        }
        if (!inEntry)
            return;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return;
        const std::string_view key = proctext::trimmed(line.substr(0, eq));
        const std::string_view value = proctext::trimmed(line.substr(eq + 1));
        if (key == "Name")
            name = value;
        else if (key == "Exec")
            exec = value;
        else if (key == "TryExec")
            tryExec = value;
        else if (key == "StartupWMClass")
            wmClass = value;
        else if (key == "Hidden")
            hidden = value == "true";
        else if (key == "Type")
            application = value == "Application";
        else
            for (size_t i = 0; i < localeKeys.size(); ++i)
                if (key == localeKeys[i])
                    localized[i] = value;
    });
    if (hidden || !application)
        return;
    for (const std::string_view l : localized)
        if (!l.empty()) {
            name = l;
            break;
        }
    const QString shown = plainName(entryValue(name));
    if (shown.isEmpty())
        return;
    if (!exec.empty())
        addKey(execProgram(entryValue(exec).toStdString()), shown);
    if (!tryExec.empty())
        addKey(std::string(baseName(entryValue(tryExec).toStdString())), shown);
    if (!wmClass.empty())
        addKey(entryValue(wmClass).toStdString(), shown);
}

void ApplicationNames::addKey(std::string key, const QString &name)
{
    if (key.empty())
        return;
    table_.emplace_back(lowered(key), name);
}

const QString *ApplicationNames::lookup(std::string_view executable) const
{
    char lower[256];
    if (executable.empty() || executable.size() > sizeof lower)
        return nullptr;
    for (size_t i = 0; i < executable.size(); ++i) {
        const char c = executable[i];
        lower[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    const std::string_view key(lower, executable.size());
    const auto it = std::lower_bound(table_.begin(), table_.end(), key,
                                     [](const auto &entry, std::string_view k) { return entry.first < k; });
    if (it == table_.end() || it->first != key)
        return nullptr;
    return &it->second;
}

} // namespace orb
