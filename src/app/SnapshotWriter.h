#pragma once
#include <QJsonArray>
#include <QString>

class QMenu;
class QWidget;

namespace orb {

class AppDelegate;
class StatusBarHost;

// Writes what the status items show: menubar.png, <module>.png, <module>-menu.png (two
// pixels per point), <module>-compact.png (the square tray icons at every size sent, with
// the label) and menus.json.
class SnapshotWriter {
public:
    // Returns false (with `error` set) when the directory or a file cannot be written.
    static bool write(const StatusBarHost &host, const QString &directory, QString &error);
    // The menu's items in order: {"title", "tag", "enabled", "separator"}.
    static QJsonArray describeMenu(const QMenu &menu);
    // A window as it is shown, at two pixels per point, to `path` (PNG).
    static bool writeWidget(QWidget &widget, const QString &path, QString &error);
};

} // namespace orb
