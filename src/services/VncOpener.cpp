#include "services/VncOpener.h"

#include "platform/Logging.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace orb {
namespace {

const QString kMimeType = QStringLiteral("x-scheme-handler/vnc");
// MIME association files are a few kilobytes; anything far larger is not read whole.
constexpr qint64 kMaxAssociationFile = 1 << 20;

VncOpener::UrlOpener &desktopOpener()
{
    static VncOpener::UrlOpener opener;
    return opener;
}

struct Viewer {
    const char *program;
    const char *title;
};
constexpr Viewer kViewers[] = {
    {"remmina", "Remmina"},
    {"vncviewer", "VNC Viewer"},
    {"krdc", "KRDC"},
};

const Viewer *installedViewer(QString *path)
{
    for (const Viewer &v : kViewers) {
        const QString found = AppLauncher::findProgram(QLatin1String(v.program));
        if (!found.isEmpty()) {
            if (path)
                *path = found;
            return &v;
        }
    }
    return nullptr;
}

// Desktop entries listed for the vnc scheme under `group` of one association file, in order.
QStringList handlersIn(const QString &path, const QString &group)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(kMaxAssociationFile);
    QStringList out;
    bool inGroup = false;
    for (const QByteArray &raw : bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line == QLatin1Char('[') + group + QLatin1Char(']');
            continue;
        }
        if (!inGroup || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || line.left(eq).trimmed() != kMimeType)
            continue;
        for (const QString &id : line.mid(eq + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            out << id.trimmed();
    }
    return out;
}

bool desktopEntryInstalled(const QString &id, const QStringList &applicationDirs)
{
    if (!id.endsWith(QLatin1String(".desktop")) || id.contains(QLatin1Char('/')) || id.startsWith(QLatin1Char('.')))
        return false;
    for (const QString &dir : applicationDirs) {
        if (QFileInfo(QDir(dir).filePath(id)).isFile())
            return true;
    }
    return false;
}

} // namespace

void VncOpener::setDesktopOpener(UrlOpener opener) { desktopOpener() = std::move(opener); }

QString VncOpener::desktopHandler()
{
    const QStringList configDirs = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    const QStringList applicationDirs = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    // Association files in the order the desktops read them: the running desktop's own
    // list before the common one, configuration before the applications directories.
    QStringList names;
    for (const QString &desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        names << desktop.toLower() + QStringLiteral("-mimeapps.list");
    names << QStringLiteral("mimeapps.list");
    QStringList files;
    for (const QStringList *dirs : {&configDirs, &applicationDirs})
        for (const QString &dir : *dirs)
            for (const QString &name : names)
                files << QDir(dir).filePath(name);
    for (const char *group : {"Default Applications", "Added Associations"}) {
        for (const QString &file : files) {
            for (const QString &id : handlersIn(file, QLatin1String(group))) {
                if (desktopEntryInstalled(id, applicationDirs))
                    return id;
            }
        }
    }
    for (const QString &dir : applicationDirs) {
        for (const QString &id : handlersIn(QDir(dir).filePath(QStringLiteral("mimeinfo.cache")), QStringLiteral("MIME Cache"))) {
            if (desktopEntryInstalled(id, applicationDirs))
                return id;
        }
    }
    return {};
}

std::optional<AppLauncher::Command> VncOpener::viewerCommand(const VncAddress *address)
{
    QString path;
    const Viewer *viewer = installedViewer(&path);
    if (!viewer)
        return std::nullopt;
    AppLauncher::Command cmd{path, {}};
    if (!address)
        return cmd;
    const QLatin1String program(viewer->program);
    if (program == QLatin1String("remmina")) {
        cmd.arguments << QStringLiteral("-c") << address->openUrl();
    } else if (program == QLatin1String("vncviewer")) {
        // "host::port" names a port (a single colon would be a display number); an IPv6
        // address goes in brackets. The host never starts with "-".
        QString host = address->host();
        if (host.contains(QLatin1Char(':')))
            host = QLatin1Char('[') + host + QLatin1Char(']');
        cmd.arguments << (address->port() > 0 ? host + QStringLiteral("::") + QString::number(address->port()) : host);
    } else {
        cmd.arguments << address->openUrl();
    }
    return cmd;
}

QString VncOpener::viewerTitle()
{
    const Viewer *viewer = installedViewer(nullptr);
    return viewer ? QString::fromLatin1(viewer->title) : QString();
}

bool VncOpener::openViewer()
{
    const auto cmd = viewerCommand(nullptr);
    if (!cmd)
        return false;
    if (!QProcess::startDetached(cmd->program, cmd->arguments)) {
        qCWarning(lcServices).noquote() << "could not start" << cmd->program;
        return false;
    }
    return true;
}

bool VncOpener::open(const VncAddress &address)
{
    const QUrl url(address.openUrl(), QUrl::StrictMode);
    const QString handler = desktopHandler();
    if (!handler.isEmpty()) {
        const bool opened = desktopOpener() ? desktopOpener()(url) : QDesktopServices::openUrl(url);
        if (opened) {
            qCInfo(lcServices).noquote() << "opening" << address.shownUrl() << "with" << handler;
            return true;
        }
        qCWarning(lcServices).noquote() << "the desktop did not open" << address.shownUrl() << "; trying a viewer";
    }
    const auto cmd = viewerCommand(&address);
    if (!cmd) {
        qCWarning(lcServices).noquote() << "no VNC viewer is installed to open" << address.shownUrl()
                                        << "(Remmina, TigerVNC or KRDC)";
        return false;
    }
    if (!QProcess::startDetached(cmd->program, cmd->arguments)) {
        qCWarning(lcServices).noquote() << "could not start" << cmd->program << "for" << address.shownUrl();
        return false;
    }
    qCInfo(lcServices).noquote() << "opening" << address.shownUrl() << "with" << cmd->program;
    return true;
}

} // namespace orb
