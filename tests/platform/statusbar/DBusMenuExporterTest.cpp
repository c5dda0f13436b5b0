// The right-click menu trays draw themselves: an item's QMenu as com.canonical.dbusmenu,
// read and clicked over a private bus as a tray does.
#include "MockBus.h"
#include "SniTestBus.h"
#include "TestEnvironment.h"

#include "platform/statusbar/DBusMenuExporter.h"
#include "platform/statusbar/SniHost.h"
#include "platform/statusbar/SniItem.h"

#include <QActionGroup>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QWidgetAction>
#include <gtest/gtest.h>

using namespace orb;
using test::spin;
using test::waitUntil;

namespace {

const QString kIface = QStringLiteral("com.canonical.dbusmenu");

// Entries as "label[props]" lines, children indented, for comparing whole layouts.
QStringList describe(const DBusMenuLayout &item, int indent = 0)
{
    QStringList out;
    for (const DBusMenuLayout &child : item.children) {
        QString line = QString(indent * 2, QLatin1Char(' '));
        const QVariantMap &p = child.properties;
        if (p.value(QStringLiteral("type")).toString() == QLatin1String("separator")) {
            line += QStringLiteral("---");
        } else {
            line += p.value(QStringLiteral("label")).toString();
            QStringList extra;
            for (const char *key : {"enabled", "toggle-type", "toggle-state", "children-display"})
                if (p.contains(QLatin1String(key)))
                    extra << QStringLiteral("%1=%2").arg(QLatin1String(key), p.value(QLatin1String(key)).toString());
            if (!extra.isEmpty())
                line += QLatin1Char('[') + extra.join(QLatin1Char(',')) + QLatin1Char(']');
        }
        out << line;
        out << describe(child, indent + 1);
    }
    return out;
}

// Finds the id of the entry labelled `label` anywhere in the layout; -1 when absent.
int idOf(const DBusMenuLayout &item, const QString &label)
{
    for (const DBusMenuLayout &child : item.children) {
        if (child.properties.value(QStringLiteral("label")).toString() == label)
            return child.id;
        if (const int id = idOf(child, label); id >= 0)
            return id;
    }
    return -1;
}

class DBusMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(bus_.address().isEmpty()) << "dbus-daemon did not start";
        registerDBusMenuTypes();
        host_ = std::make_unique<SniHost>(bus_.address(), TrayStyle::Compact);
        item_ = host_->createItem(QStringLiteral("memory"));
        service_ = static_cast<SniItem *>(item_.get())->serviceName();
        ASSERT_FALSE(service_.isEmpty());

        prefs_ = menu_.addAction(QStringLiteral("Preferences..."));
        menu_.addAction(QStringLiteral("Open &Monitor"));
        menu_.addSeparator();
        menu_.addSeparator();
        showGraph_ = menu_.addAction(QStringLiteral("Show_Graph"));
        showGraph_->setCheckable(true);
        showGraph_->setChecked(true);
        purge_ = menu_.addAction(QStringLiteral("Purge Memory..."));
        purge_->setEnabled(false);
        auto *graph = new QWidgetAction(&menu_);
        graph->setDefaultWidget(new QLabel(QStringLiteral("graph")));
        menu_.addAction(graph);
        auto *group = new QActionGroup(&menu_);
        for (const char *unit : {"MB", "GB"}) {
            QAction *a = units_.addAction(QLatin1String(unit));
            a->setCheckable(true);
            group->addAction(a);
        }
        units_.setTitle(QStringLiteral("Unit"));
        units_.addAction(QStringLiteral("A && B"));
        menu_.addMenu(&units_);
        hidden_ = menu_.addAction(QStringLiteral("Hidden"));
        hidden_->setVisible(false);
        menu_.addSeparator();
        item_->setMenu(&menu_);
    }

    DBusMenuLayout layout(int parent, int depth, const QStringList &names = {}, uint *revision = nullptr)
    {
        const QDBusMessage reply = client_.call(service_, menuPath(), kIface, QStringLiteral("GetLayout"),
                                                {parent, depth, names});
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(reply.errorMessage());
        if (reply.arguments().size() != 2)
            return {};
        if (revision)
            *revision = reply.arguments().at(0).toUInt();
        return qdbus_cast<DBusMenuLayout>(reply.arguments().at(1).value<QDBusArgument>());
    }
    void click(int id)
    {
        client_.call(service_, menuPath(), kIface, QStringLiteral("Event"),
                     {id, QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    }
    QString menuPath()
    {
        return client_.property(service_, QStringLiteral("Menu")).value<QDBusObjectPath>().path();
    }

    test::ScopedHome home_;
    test::MockBus bus_;
    test::TrayClient client_{bus_.address(), QStringLiteral("dbusmenu-client")};
    std::unique_ptr<SniHost> host_;
    std::unique_ptr<StatusItemHost> item_;
    QString service_;
    QMenu menu_;
    QMenu units_;
    QAction *prefs_ = nullptr, *showGraph_ = nullptr, *purge_ = nullptr, *hidden_ = nullptr;
};

} // namespace

TEST_F(DBusMenuTest, TheItemsMenuIsExportedWithItsCommandsAndStates)
{
    ASSERT_EQ(menuPath(), QStringLiteral("/MenuBar"));
    EXPECT_EQ(client_.call(service_, menuPath(), QStringLiteral("org.freedesktop.DBus.Properties"),
                           QStringLiteral("Get"), {kIface, QStringLiteral("Version")})
                  .arguments()
                  .value(0)
                  .value<QDBusVariant>()
                  .variant()
                  .toUInt(),
              3u);
    const DBusMenuLayout root = layout(0, -1);
    EXPECT_EQ(root.id, 0);
    EXPECT_EQ(root.properties.value(QStringLiteral("children-display")).toString(), QStringLiteral("submenu"));
    // Widgets and hidden entries are left out, separators only stand between entries.
    EXPECT_EQ(describe(root), QStringList({
                                  "Open Full Menu",
                                  "---",
                                  "Preferences...",
                                  "Open _Monitor",
                                  "---",
                                  "Show__Graph[toggle-type=checkmark,toggle-state=1]",
                                  "Purge Memory...[enabled=false]",
                                  "Unit[children-display=submenu]",
                                  "  MB[toggle-type=radio,toggle-state=0]",
                                  "  GB[toggle-type=radio,toggle-state=0]",
                                  "  A & B",
                              }))
        << qPrintable(describe(root).join(QLatin1Char('\n')));

    // One level, one property; and a submenu on its own.
    const DBusMenuLayout shallow = layout(0, 1, {QStringLiteral("label")});
    ASSERT_EQ(shallow.children.size(), 8);
    for (const DBusMenuLayout &child : shallow.children) {
        EXPECT_TRUE(child.children.isEmpty());
        EXPECT_LE(child.properties.size(), 1);
    }
    const int unit = idOf(root, QStringLiteral("Unit"));
    EXPECT_EQ(describe(layout(unit, -1)), QStringList({"MB[toggle-type=radio,toggle-state=0]",
                                                      "GB[toggle-type=radio,toggle-state=0]", "A & B"}));
    // An id nobody has: no children, no properties, no error.
    EXPECT_TRUE(layout(424242, -1).children.isEmpty());

    // Group properties, unknown ids included.
    const QDBusMessage group = client_.call(service_, menuPath(), kIface, QStringLiteral("GetGroupProperties"),
                                            {QVariant::fromValue(QList<int>{idOf(root, "Purge Memory..."), 424242}),
                                             QStringList()});
    const auto props = qdbus_cast<DBusMenuItemPropertiesList>(group.arguments().value(0).value<QDBusArgument>());
    ASSERT_EQ(props.size(), 2);
    EXPECT_EQ(props[0].properties.value(QStringLiteral("enabled")), QVariant(false));
    EXPECT_TRUE(props[1].properties.isEmpty());
}

TEST_F(DBusMenuTest, ClicksRunTheCommandsAndTheFirstEntryOpensTheFullMenu)
{
    QSignalSpy prefs(prefs_, &QAction::triggered);
    QSignalSpy purge(purge_, &QAction::triggered);
    const DBusMenuLayout root = layout(0, -1);
    click(idOf(root, QStringLiteral("Preferences...")));
    click(idOf(root, QStringLiteral("Purge Memory..."))); // disabled: nothing
    click(idOf(root, QStringLiteral("Show__Graph")));
    ASSERT_TRUE(waitUntil([&] { return prefs.count() == 1; }));
    spin(50);
    EXPECT_EQ(purge.count(), 0);
    EXPECT_FALSE(showGraph_->isChecked());

    // Unknown ids come back as errors from a group of events.
    const QDBusMessage reply = client_.call(
        service_, menuPath(), kIface, QStringLiteral("EventGroup"),
        {QVariant::fromValue(DBusMenuEventList{{idOf(root, QStringLiteral("Preferences...")), QStringLiteral("hovered"),
                                                QDBusVariant(0), 0},
                                               {424242, QStringLiteral("clicked"), QDBusVariant(0), 0}})});
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(reply.errorMessage());
    EXPECT_EQ(qdbus_cast<QList<int>>(reply.arguments().value(0)), QList<int>{424242});
    EXPECT_EQ(prefs.count(), 1); // "hovered" runs nothing

    EXPECT_FALSE(menu_.isVisible());
    click(DBusMenuExporter::kOpenMenuId);
    EXPECT_TRUE(waitUntil([&] { return menu_.isVisible(); }));
    menu_.hide();
}

TEST_F(DBusMenuTest, AChangedMenuIsAnnouncedOnceAsANewLayout)
{
    uint before = 0;
    layout(0, -1, {}, &before);
    QSignalSpy updates(static_cast<SniItem *>(item_.get())->menuExporter(), &DBusMenuExporter::layoutUpdated);
    // A rebuild of the whole menu in one go: one announcement.
    menu_.clear();
    menu_.addAction(QStringLiteral("Disk Utility"));
    purge_ = prefs_ = showGraph_ = hidden_ = nullptr;
    ASSERT_TRUE(waitUntil([&] { return updates.count() >= 1; }));
    spin(50);
    EXPECT_EQ(updates.count(), 1);
    uint after = 0;
    const DBusMenuLayout root = layout(0, -1, {}, &after);
    EXPECT_GT(after, before);
    EXPECT_EQ(describe(root), QStringList({"Open Full Menu", "---", "Disk Utility"}));

    // A changed state is announced too.
    menu_.actions().first()->setEnabled(false);
    ASSERT_TRUE(waitUntil([&] { return updates.count() == 2; }));
    EXPECT_EQ(describe(layout(0, -1)), QStringList({"Open Full Menu", "---", "Disk Utility[enabled=false]"}));
}

TEST(DBusMenuLabel, MnemonicsAndLiteralCharacters)
{
    struct Case {
        const char *text, *label;
    };
    for (const Case &c : {Case{"&Open", "_Open"}, Case{"A && B", "A & B"}, Case{"snake_case", "snake__case"},
                          Case{"trailing&", "trailing"}, Case{"&&&x", "&_x"}, Case{"", ""},
                          Case{"<b>Wi-Fi</b> \"home\"", "<b>Wi-Fi</b> \"home\""}})
        EXPECT_EQ(DBusMenuExporter::dbusMenuLabel(QString::fromUtf8(c.text)), QString::fromUtf8(c.label)) << c.text;
}
