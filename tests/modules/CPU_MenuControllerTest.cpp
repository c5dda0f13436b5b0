#include "TestEnvironment.h"
#include "collect/ProcessScanner.h"
#include "modules/DetailRow.h"
#include "modules/cpu/CPU_MenuController.h"
#include "modules/cpu/ImageProcessBar.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QUrlQuery>
#include <QWidgetAction>
#include <gtest/gtest.h>

using namespace orb;

namespace {

using Entries = std::vector<ProcessShare>;

SnapshotPtr snapshot(double time, Entries entries)
{
    auto s = std::make_shared<ProcessSnapshot>();
    s->time = time;
    s->entries = std::move(entries);
    return s;
}

History<CpuSample> oneSample(CpuTicks average)
{
    return History<CpuSample>().appended(CpuSample{average, average});
}

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(name).toStdString()); }

// Histories from two real scans of the desktop fixture, one second apart.
std::shared_ptr<const ProcessHistories> desktopHistories(const char *a = "procs-desktop-a", const char *b = "procs-desktop-b")
{
    ProcessScanner scanner(100, 4096, ApplicationNames({QStringLiteral("/usr/share")}, {}));
    SensorData data;
    scanner.sample(PassContext{fixture(a), 0.0}, data);
    scanner.sample(PassContext{fixture(b), 1.0}, data);
    return data.processes;
}

} // namespace

TEST(CPU_MenuController, StateFiguresAreSharesOfTheEntrysTotal)
{
    using F = CPU_MenuController::StateFigures;
    const std::pair<CpuTicks, F> cases[] = {
        {{30, 12, 0, 58}, {30, 12, 0, 58}},
        {{70, 40, 0, 0}, {64, 36, 0, 0}},   // more ticks than a second holds: shares, not ticks
        {{60, 20, 0, 120}, {30, 10, 0, 60}}, // a two-second sample
        {{1, 0, 0, 299}, {0, 0, 0, 100}},
        {{0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const auto &[ticks, expected] : cases)
        EXPECT_EQ(CPU_MenuController::stateFigures(oneSample(ticks)), expected) << ticks.user << "/" << ticks.system;
    EXPECT_EQ(CPU_MenuController::stateFigures({}), F{});
}

TEST(CPU_MenuController, RankingOverTheRecentSnapshots)
{
    const std::vector<SnapshotPtr> perSecond = {
        snapshot(0, {{"old", 90}}),
        snapshot(1, {{"a", 10}, {"b", 5}, {"tiny", 0.05}}),
        snapshot(2, {{"b", 8}, {"a", 1}}),
        snapshot(3, {{"c", 4}, {"a", 2}}),
    };
    struct Case {
        const char *what;
        std::vector<SnapshotPtr> history;
        qint64 recent;
        QStringList expected;
    };
    const Case cases[] = {
        {"three newest snapshots", perSecond, 3, {"a", "b", "c", "tiny"}},
        {"more seconds than snapshots", perSecond, 10, {"old", "a", "b", "c", "tiny"}},
        {"the newest alone", perSecond, 1, {"c", "a"}},
        {"nothing recent asked", perSecond, 0, {}},
        {"no history", {}, 10, {}},
        // Scans five seconds apart while the menu was closed: ten seconds reach two of them.
        {"seconds, not snapshots", {snapshot(0, {{"x", 50}}), snapshot(5, {{"y", 1}}), snapshot(10, {{"z", 2}})}, 10, {"z", "y"}},
        {"equal totals by name", {snapshot(0, {{"n2", 3}, {"n1", 3}})}, 5, {"n1", "n2"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(CPU_MenuController::collectProcDescArray(c.history, c.recent), c.expected) << c.what;

    Entries many;
    for (int i = 0; i < 20; ++i)
        many.push_back({QStringLiteral("p%1").arg(i, 2, 10, QLatin1Char('0')), 100.0 - i});
    EXPECT_EQ(CPU_MenuController::collectProcDescArray({snapshot(0, many)}, 5).size(), 15);
}

TEST(CPU_MenuController, RowsKeepTheRankingAndShowNewestShares)
{
    std::vector<SnapshotPtr> history = {
        snapshot(0, {{"busy", 80}, {"calm", 1}}),
        snapshot(1, {{"calm", 2.25}, {"new", 0.5}}),
    };
    QStringList ranking;
    using Row = CPU_MenuController::ProcessRow;
    auto rows = CPU_MenuController::processRows(history, 10, ranking);
    // "busy" was busiest over the recent seconds: it keeps its place with 0 now.
    EXPECT_EQ(rows, (std::vector<Row>{{"busy", 0.0}, {"calm", 2.25}, {"new", 0.5}}));

    // Later refreshes reuse the ranking and only update the shares.
    history.push_back(snapshot(2, {{"other", 99}, {"new", 40}}));
    rows = CPU_MenuController::processRows(history, 10, ranking);
    EXPECT_EQ(rows, (std::vector<Row>{{"busy", 0.0}, {"calm", 0.0}, {"new", 40.0}}));

    // Without recent seconds the newest snapshot decides, largest first.
    QStringList unused;
    rows = CPU_MenuController::processRows(history, 0, unused);
    EXPECT_EQ(rows, (std::vector<Row>{{"other", 99.0}, {"new", 40.0}}));
    EXPECT_TRUE(unused.isEmpty());

    Entries many;
    for (int i = 0; i < 30; ++i)
        many.push_back({QString::number(i), 50.0 - i});
    EXPECT_EQ(CPU_MenuController::processRows({snapshot(0, many)}, 0, unused).size(), 11u);
    EXPECT_EQ(CPU_MenuController::processRows({snapshot(0, many)}, 5, unused).size(), 11u);
}

TEST(CPU_MenuController, WebSearchQueryIsPercentEncoded)
{
    const std::pair<QString, QString> cases[] = {
        {"MacBookPro16,1 / Intel Core i9", "MacBookPro16,1 Intel Core i9"},
        {"A&B=C #1 +x / 50%", "A&B=C #1 +x 50%"},
        {"Ünïcødé ☃", "Ünïcødé ☃"},
    };
    for (const auto &[title, query] : cases) {
        const QUrl url = CPU_MenuController::machineSearchUrl(title);
        ASSERT_TRUE(url.isValid()) << title.toStdString();
        EXPECT_EQ(url.scheme(), "https");
        EXPECT_EQ(url.path(), "/search");
        const QUrlQuery q(url);
        EXPECT_EQ(q.queryItems(QUrl::FullyDecoded).size(), 1) << url.toString().toStdString();
        EXPECT_EQ(q.queryItemValue("q", QUrl::FullyDecoded), query);
    }
    const QByteArray encoded = CPU_MenuController::machineSearchUrl("A&B=C #1 +x").toEncoded();
    for (const char *escape : {"%26", "%3D", "%23", "%2B", "%20"})
        EXPECT_TRUE(encoded.contains(escape)) << escape << " in " << encoded.toStdString();
}

TEST(ImageProcessBar, OneColumnPerSnapshotFromTheRight)
{
    const std::vector<SnapshotPtr> history = {
        snapshot(0, {{"job", 100}}),   // column x 4..5, full height
        snapshot(1, {{"job", 250}}),   // x 6..7: above one processor, still full height
        snapshot(2, {{"job", 50}}),    // x 8..9: half height
        snapshot(3, {{"other", 70}}),  // x 10..11: job absent
        snapshot(4, {{"job", 25}}),    // x 12..13: a quarter
    };
    QImage image(14, 20, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QColor green(0, 200, 0);
    double left = 0;
    {
        QPainter p(&image);
        left = ImageProcessBar::orbDrawCpuProcessGraph(p, history, "job", green, QRectF(0, 0, 14, 20));
    }
    EXPECT_DOUBLE_EQ(left, 4.0);
    const auto columnHeight = [&](int x) {
        int h = 0;
        for (int y = 0; y < 20; ++y)
            if (QColor(image.pixel(x, y)) == green && qAlpha(image.pixel(x, y)) == 255)
                ++h;
        return h;
    };
    const std::pair<int, int> expected[] = {{0, 0}, {3, 0}, {4, 20}, {5, 20}, {6, 20}, {8, 10}, {9, 10}, {10, 0}, {12, 5}, {13, 5}};
    for (const auto &[x, h] : expected)
        EXPECT_EQ(columnHeight(x), h) << "x " << x;
    // The faint base line runs under the whole width.
    EXPECT_GT(qAlpha(image.pixel(0, 19)), 0);
    EXPECT_LT(qAlpha(image.pixel(0, 19)), 16);

    // A narrow view shows only the newest snapshots.
    QImage narrow(4, 8, QImage::Format_ARGB32);
    narrow.fill(Qt::transparent);
    QPainter p(&narrow);
    EXPECT_DOUBLE_EQ(ImageProcessBar::orbDrawCpuProcessGraph(p, history, "job", green, QRectF(0, 0, 4, 8)), 0.0);
}

class CPU_MenuPanel : public ::testing::Test {
protected:
    void SetUp() override { controller.addItems(menu, 452); }
    QVariantMap defaults(qint64 recent)
    {
        return {{"Cpu_ProcessRecentSec", recent}, {"A01", QColor(0, 0, 255)}, {"A02", QColor(255, 0, 0)},
                {"A03", QColor(128, 0, 128)},      {"A04", QColor(220, 220, 220)}, {"A10", QColor(0, 160, 0)}};
    }
    QStringList visibleProcessRows() const
    {
        QStringList rows;
        for (int i = 0; i < CPU_MenuController::kProcessRows; ++i)
            if (controller.processRow(i)->action()->isVisible())
                rows << controller.processRow(i)->action()->text();
        return rows;
    }
    test::ScopedHome home;
    QMenu menu;
    CPU_MenuController controller;
};

TEST_F(CPU_MenuPanel, StateRowsDimBelowOnePercent)
{
    controller.replaceData(defaults(0), oneSample({30, 12, 0, 58}), nullptr, std::nullopt);
    const char *expected[] = {"User\t30%", "System\t12%", "Nice\t0%", "Idle\t58%"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(controller.stateRow(i)->action()->text(), expected[i]);
        EXPECT_EQ(controller.stateRow(i)->dimmed(), i == 2);
    }
    EXPECT_TRUE(visibleProcessRows().isEmpty()) << "no process history, no rows";
}

TEST_F(CPU_MenuPanel, ProcessRowsFromScannedFixtures)
{
    const auto processes = desktopHistories();
    controller.replaceData(defaults(30), oneSample({30, 12, 0, 58}), processes, std::nullopt);
    const QStringList expected = {
        "cc1plus\t197.0%",      // two compilers, 99 + 98 ticks in the second
        "Firefox ESR\t59.0%",   // the browser and its content processes (by command line)
        "gnome-shell\t12.0%",
        "System Monitor\t6.0%", // command name cut to 15 bytes, named by its command line
        "kworker/u16:3-events_unbound\t4.0%",
        "Thunderbird\t3.0%",    // equal shares by name
        "Xwayland\t3.0%",
        "pipewire\t3.0%",
        "pipewire-pulse\t2.0%",
        "rcu_preempt\t2.0%",
        "Orbmeter\t1.0%",
    };
    EXPECT_EQ(visibleProcessRows(), expected);
    // With recent seconds every row has its graph; without, none has.
    EXPECT_FALSE(controller.processRow(0)->image().isNull());
    controller.loadBaseData(std::nullopt);
    controller.replaceData(defaults(0), oneSample({30, 12, 0, 58}), processes, std::nullopt);
    EXPECT_TRUE(controller.processRow(0)->image().isNull());
}

TEST_F(CPU_MenuPanel, HostileNamesStayPlainText)
{
    const auto processes = desktopHistories("procs-edge-a", "procs-edge-b");
    controller.replaceData(defaults(0), oneSample({30, 12, 0, 58}), processes, std::nullopt);
    const QStringList rows = visibleProcessRows();
    EXPECT_TRUE(rows.contains("evil<b>?name\t1.0%")) << rows.join('|').toStdString();
    // "&" is doubled for the menu entry so it is not read as a mnemonic.
    EXPECT_TRUE(rows.contains("Evil App <b>&&amp;</b> $(rm -rf ~)\t2.0%")) << rows.join('|').toStdString();
    for (int i = 0; i < CPU_MenuController::kProcessRows; ++i)
        for (QLabel *label : controller.processRow(i)->findChildren<QLabel *>())
            if (!label->text().isEmpty()) {
                EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
            }
}

TEST_F(CPU_MenuPanel, FactsFromTheTree)
{
    const Sysroot root = fixture("cpu-2core-a");
    controller.loadBaseData(root);
    controller.replaceData(defaults(0), oneSample({30, 12, 0, 58}), nullptr, root);
    EXPECT_TRUE(controller.factRow(0)->value().contains("2 cores, 2 threads")) << controller.factRow(0)->value().toStdString();
    EXPECT_FALSE(controller.machineTitle().isEmpty());
    EXPECT_TRUE(controller.factRow(0)->value().startsWith(controller.machineTitle()));
    EXPECT_EQ(controller.factRow(3)->value(), "611 threads, 3 processes");
    EXPECT_TRUE(controller.factRow(4)->value().startsWith("1min: ")) << controller.factRow(4)->value().toStdString();
    EXPECT_FALSE(controller.factRow(5)->value().isEmpty());

    // The identity settings name the machine when present; "(Probably VM)" does not.
    controller.loadBaseData(root, "MacBook Pro (16-inch, 2019)", "MacBookPro16,1");
    EXPECT_EQ(controller.machineTitle(), "MacBook Pro (16-inch, 2019) / MacBookPro16,1");
    controller.loadBaseData(root, "(Probably VM)", "VMware7,1");
    EXPECT_EQ(controller.machineTitle(), "VMware7,1");
}
