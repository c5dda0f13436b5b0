#include "platform/linux/AutostartEntry.h"

#include "platform/AtomicFile.h"
#include "platform/Logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace orb {

AutostartEntry::AutostartEntry(const QString &program) : program_(program)
{
    if (program_.isEmpty())
        program_ = QCoreApplication::applicationFilePath();
    if (program_.isEmpty())
        program_ = QStringLiteral("orbmeter");
}

QString AutostartEntry::path() const
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
           + fileName();
}

QString AutostartEntry::quoteExecArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString quoted = argument;
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    bool needsQuotes = argument.isEmpty();
    for (QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    if (needsQuotes) {
        QString inner;
        for (QChar c : std::as_const(quoted)) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                inner += QLatin1Char('\\');
            inner += c;
        }
        quoted = QLatin1Char('"') + inner + QLatin1Char('"');
    }
    // The value of a desktop entry key escapes backslashes (and control characters) again.
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('\n'), QStringLiteral("\\n"));
    quoted.replace(QLatin1Char('\t'), QStringLiteral("\\t"));
    return quoted;
}

QByteArray AutostartEntry::contents() const
{
    QString text = QStringLiteral("[Desktop Entry]\n"
                                  "Type=Application\n"
                                  "Name=Orbmeter\n"
                                  "Comment=System monitor in the menu bar\n"
                                  "Icon=org.orbmeter.Orbmeter9\n"
                                  "Exec=%1\n"
                                  "Terminal=false\n"
                                  "X-GNOME-Autostart-enabled=true\n")
                       .arg(quoteExecArgument(program_));
    return text.toUtf8();
}

bool AutostartEntry::isEnabled() const
{
    // A FIFO or device in the entry's place is not waited on; it starts nothing.
    const AtomicFile::ReadResult read = AtomicFile::read(path(), 64 * 1024);
    if (!read.ok()) {
        if (read.status != AtomicFile::ReadResult::Status::Missing)
            qCWarning(lcPlatform).noquote()
                << QStringLiteral("cannot read the autostart entry %1 (%2)").arg(path(), read.reason());
        return false;
    }
    // A session starts an entry only when its main group says what to run.
    bool inMain = false;
    bool application = false;
    bool hasExec = false;
    for (const QByteArray &raw : read.bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inMain = line == "[Desktop Entry]";
            continue;
        }
        if (!inMain)
            continue;
        const int eq = line.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArray key = line.left(eq).trimmed(), value = line.mid(eq + 1).trimmed();
        if (key == "Hidden" && value == "true")
            return false;
        if (key == "X-GNOME-Autostart-enabled" && value == "false")
            return false;
        if (key == "Type")
            application = value == "Application";
        if (key == "Exec")
            hasExec = !value.isEmpty();
    }
    return application && hasExec;
}

bool AutostartEntry::setEnabled(bool enabled)
{
    const QString file = path();
    if (!enabled) {
        if (QFile::exists(file) && !QFile::remove(file)) {
            qCWarning(lcPlatform).noquote() << "cannot remove the autostart entry" << file;
            return false;
        }
        return true;
    }
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
        qCWarning(lcPlatform).noquote() << "cannot create" << QFileInfo(file).absolutePath();
        return false;
    }
    return AtomicFile::write(file, contents(), 0644);
}

} // namespace orb
