#pragma once
#include <QString>
#include <QVariantMap>
#include <functional>

class QAction;
class QMenu;

namespace orb {

// The items at the top of every module's menu and the tag every menu item carries.
class BaseMenuItems {
public:
    static constexpr int kPreferenceTag = 100;
    static constexpr int kSystemMonitorTag = 101;
    static constexpr int kLogViewerTag = 102;
    static constexpr int kTerminalTag = 103;

    static void setTag(QAction *action, int tag);
    static int tag(const QAction *action);

    // "Open "<PrefName>" Preference" with the "O01" icon, tag 100.
    static QAction *addPreferenceItem(QMenu &menu, const QVariantMap &defaults, std::function<void()> onTrigger);
    // System monitor, log viewer and terminal items (tags 101–103) for the flags
    // <prefix>Amon / Cnsl / Tmnl (prefix such as "CPU_EnaMenu_") that are on, in that order; an application that
    // is not installed leaves its item out.
    static void addLauncherItems(QMenu &menu, const QVariantMap &defaults, const QString &enaMenuPrefix);
    // A module command (tags 211, 212) with an icon from `imageKey` of the defaults.
    static QAction *addCommandItem(QMenu &menu, const QString &title, int tag, const QVariantMap &defaults,
                                   const QString &imageKey, std::function<void()> onTrigger);
    // Menu text with '&' kept literal (QAction reads it as a mnemonic).
    static QString escaped(const QString &text);
};

} // namespace orb
