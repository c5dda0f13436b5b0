#pragma once
#include "platform/statusbar/DBusMenuTypes.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>

class QAction;
class QMenu;

namespace orb {

// An item's menu as com.canonical.dbusmenu, for trays that draw right-click menus themselves.
// Built from the item's QMenu as it stands: titles, enabled and checked state, separators
// and submenus; rows that are widgets (graphs) are left out, and a first entry opens the
// item's own menu where they are shown. Changes to the QMenu are announced as a new layout.
class DBusMenuExporter : public QObject {
    Q_OBJECT
public:
    static constexpr int kRootId = 0;
    static constexpr int kOpenMenuId = 1;

    // Exports the menu at `path` on `bus` (when connected).
    DBusMenuExporter(const QDBusConnection &bus, const QString &path, QObject *parent = nullptr);
    ~DBusMenuExporter() override;

    // Not owned; null leaves only the entry that opens the full menu.
    void setMenu(QMenu *menu);
    // Called (later, from the event loop) when the first entry is chosen.
    void setOpenMenu(std::function<void()> openMenu) { openMenu_ = std::move(openMenu); }

    QString path() const { return path_; }
    uint revision() const { return revision_; }
    // How many times a tray has read the layout.
    int layoutReads() const { return layoutReads_; }

    // The entry `parentId` with its children `depth` levels down (-1: all), each with only
    // the properties in `names` (empty: all). An unknown id gives an entry without children.
    DBusMenuLayout layout(int parentId, int depth, const QStringList &names);
    // The properties of entry `id`; empty for an unknown id.
    QVariantMap properties(int id, const QStringList &names) const;
    // A tray's event on entry `id`: "clicked" runs the entry's command from the event loop.
    // False for an unknown id.
    bool handleEvent(int id, const QString &eventId);

    // Menu text for the D-Bus menu: "&" marks become "_" marks, a literal "&&" becomes "&", and
    // a literal "_" is doubled.
    static QString dbusMenuLabel(const QString &actionText);

Q_SIGNALS:
    void layoutUpdated(uint revision, int parentId);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void children(QMenu *menu, int depth, const QStringList &names, QList<DBusMenuLayout> &out);
    int idOf(QAction *action);
    QAction *actionOf(int id) const;
    void watch(QMenu *menu);
    void scheduleLayoutUpdate();

    QDBusConnection bus_;
    QString path_;
    QPointer<QMenu> menu_;
    std::function<void()> openMenu_;
    QHash<QAction *, int> ids_;
    QHash<int, QPointer<QAction>> actions_;
    QSet<QMenu *> watched_;
    int nextId_ = 10;
    uint revision_ = 1;
    bool updatePending_ = false;
    bool exported_ = false;
    int layoutReads_ = 0;
};

} // namespace orb
