#pragma once
#include <QByteArray>
#include <QString>

namespace orb {

// The XDG autostart entry that starts the monitor at login:
// $XDG_CONFIG_HOME/autostart/org.orbmeter.Orbmeter9.desktop.
class AutostartEntry {
public:
    // `program` is what the entry starts; empty: this program's own path.
    explicit AutostartEntry(const QString &program = QString());

    static QString fileName() { return QStringLiteral("org.orbmeter.Orbmeter9.desktop"); }
    QString path() const;
    // True when our entry is there, names an application to run (Type=Application and an
    // Exec line) and is not switched off (Hidden=true, or the GNOME
    // X-GNOME-Autostart-enabled=false a session manager may have written into it).
    bool isEnabled() const;
    // Writes the entry (atomically) or removes it; false, logged, when that fails.
    bool setEnabled(bool enabled);

    QByteArray contents() const;
    // One Exec argument quoted as desktop entries require (reserved characters in double
    // quotes, `"`, `` ` ``, `$` and `\` escaped, `%` doubled, then the value escapes).
    static QString quoteExecArgument(const QString &argument);

private:
    QString program_;
};

} // namespace orb
