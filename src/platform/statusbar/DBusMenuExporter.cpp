#include "platform/statusbar/DBusMenuExporter.h"

#include "platform/Logging.h"
#include "platform/statusbar/DBusMenuAdaptor.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QWidgetAction>

namespace orb {

namespace {
constexpr int kOpenMenuSeparatorId = 2;
// Submenus deeper than this are not laid out (a menu that contains itself).
constexpr int kMaxNesting = 8;

QVariantMap filtered(QVariantMap all, const QStringList &names)
{
    if (names.isEmpty())
        return all;
    for (auto it = all.begin(); it != all.end();)
        it = names.contains(it.key()) ? std::next(it) : all.erase(it);
    return all;
}

QVariantMap separatorProperties() { return {{QStringLiteral("type"), QStringLiteral("separator")}}; }

QVariantMap actionProperties(const QAction *action)
{
    if (action->isSeparator())
        return separatorProperties();
    QVariantMap p;
    p.insert(QStringLiteral("label"), DBusMenuExporter::dbusMenuLabel(action->text()));
    if (!action->isEnabled())
        p.insert(QStringLiteral("enabled"), false);
    if (action->isCheckable()) {
        const bool radio = action->actionGroup() && action->actionGroup()->isExclusive();
        p.insert(QStringLiteral("toggle-type"), radio ? QStringLiteral("radio") : QStringLiteral("checkmark"));
        p.insert(QStringLiteral("toggle-state"), action->isChecked() ? 1 : 0);
    }
    if (action->menu())
        p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    return p;
}

// Entries a tray can show: visible, and not a widget.
bool exported(const QAction *action) { return action->isVisible() && !qobject_cast<const QWidgetAction *>(action); }
} // namespace

DBusMenuExporter::DBusMenuExporter(const QDBusConnection &bus, const QString &path, QObject *parent)
    : QObject(parent), bus_(bus), path_(path)
{
    registerDBusMenuTypes();
    new DBusMenuAdaptor(this);
    if (bus_.isConnected()) {
        exported_ = bus_.registerObject(path_, this, QDBusConnection::ExportAdaptors);
        if (!exported_)
            qCWarning(lcPlatform).noquote() << "cannot export the menu at" << path_;
    }
}

DBusMenuExporter::~DBusMenuExporter()
{
    if (exported_)
        bus_.unregisterObject(path_);
}

void DBusMenuExporter::setMenu(QMenu *menu)
{
    for (QMenu *m : std::as_const(watched_))
        m->removeEventFilter(this);
    watched_.clear();
    menu_ = menu;
    if (menu)
        watch(menu);
    scheduleLayoutUpdate();
}

void DBusMenuExporter::watch(QMenu *menu)
{
    if (watched_.contains(menu))
        return;
    watched_.insert(menu);
    menu->installEventFilter(this);
    connect(menu, &QObject::destroyed, this, [this, menu] { watched_.remove(menu); });
}

bool DBusMenuExporter::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ActionAdded:
    case QEvent::ActionRemoved:
    case QEvent::ActionChanged:
        scheduleLayoutUpdate();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// Many changes in one turn of the event loop (a menu rebuilt) become one new layout.
void DBusMenuExporter::scheduleLayoutUpdate()
{
    if (updatePending_)
        return;
    updatePending_ = true;
    QTimer::singleShot(0, this, [this] {
        updatePending_ = false;
        ++revision_;
        Q_EMIT layoutUpdated(revision_, kRootId);
    });
}

QString DBusMenuExporter::dbusMenuLabel(const QString &text)
{
    QString out;
    out.reserve(text.size() + 4);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('&')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            } else if (i + 1 < text.size()) {
                out += QLatin1Char('_');
            }
        } else if (c == QLatin1Char('_')) {
            out += QStringLiteral("__");
        } else {
            out += c;
        }
    }
    return out;
}

int DBusMenuExporter::idOf(QAction *action)
{
    auto it = ids_.constFind(action);
    if (it != ids_.constEnd())
        return it.value();
    const int id = nextId_++;
    ids_.insert(action, id);
    actions_.insert(id, action);
    connect(action, &QObject::destroyed, this, [this, action, id] {
        ids_.remove(action);
        actions_.remove(id);
    });
    return id;
}

QAction *DBusMenuExporter::actionOf(int id) const { return actions_.value(id).data(); }

void DBusMenuExporter::children(QMenu *menu, int depth, const QStringList &names, QList<DBusMenuLayout> &out)
{
    if (!menu)
        return;
    watch(menu);
    // Separators only between entries, never two in a row.
    QAction *separator = nullptr;
    for (QAction *action : menu->actions()) {
        if (!exported(action))
            continue;
        if (action->isSeparator()) {
            if (!out.isEmpty())
                separator = action;
            continue;
        }
        if (separator) {
            out.append({idOf(separator), filtered(separatorProperties(), names), {}});
            separator = nullptr;
        }
        DBusMenuLayout entry{idOf(action), filtered(actionProperties(action), names), {}};
        if (action->menu() && depth != 0)
            children(action->menu(), depth - 1, names, entry.children);
        out.append(entry);
    }
}

DBusMenuLayout DBusMenuExporter::layout(int parentId, int depth, const QStringList &names)
{
    ++layoutReads_;
    if (depth > kMaxNesting || depth < 0)
        depth = kMaxNesting;
    DBusMenuLayout root{parentId, properties(parentId, names), {}};
    if (depth == 0)
        return root;
    if (parentId == kRootId) {
        root.children.append({kOpenMenuId, properties(kOpenMenuId, names), {}});
        QList<DBusMenuLayout> rest;
        children(menu_, depth - 1, names, rest);
        if (!rest.isEmpty())
            root.children.append({kOpenMenuSeparatorId, filtered(separatorProperties(), names), {}});
        root.children.append(rest);
    } else if (QAction *action = actionOf(parentId)) {
        children(action->menu(), depth - 1, names, root.children);
    }
    return root;
}

QVariantMap DBusMenuExporter::properties(int id, const QStringList &names) const
{
    QVariantMap p;
    if (id == kRootId) {
        p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (id == kOpenMenuId) {
        p.insert(QStringLiteral("label"),
                 dbusMenuLabel(QCoreApplication::translate("OrbStrings", "Open Full Menu")));
    } else if (id == kOpenMenuSeparatorId) {
        p = separatorProperties();
    } else if (QAction *action = actionOf(id)) {
        p = actionProperties(action);
    }
    return filtered(p, names);
}

bool DBusMenuExporter::handleEvent(int id, const QString &eventId)
{
    if (id == kOpenMenuId) {
        if (eventId == QLatin1String("clicked") && openMenu_)
            QTimer::singleShot(0, this, [this] {
                if (openMenu_)
                    openMenu_();
            });
        return true;
    }
    if (id == kRootId || id == kOpenMenuSeparatorId)
        return true;
    QAction *action = actionOf(id);
    if (!action)
        return false;
    if (eventId == QLatin1String("clicked") && action->isEnabled() && !action->isSeparator()) {
        // After the reply has gone out: a command may open a window or change the menu.
        QPointer<QAction> guard(action);
        QTimer::singleShot(0, this, [guard] {
            if (guard && guard->isEnabled())
                guard->trigger();
        });
    }
    return true;
}

} // namespace orb
