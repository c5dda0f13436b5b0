#include "TestEnvironment.h"
#include "modules/DetailRow.h"
#include "modules/memory/Memory_MenuController.h"

#include <QMenu>
#include <QWidgetAction>
#include <gtest/gtest.h>

using namespace orb;

namespace {

constexpr uint64_t kGiB = 1024ull * 1024 * 1024;
constexpr uint64_t kPage = 4096;
using C = Memory_MenuController;

// Figures in bytes (MemDatArray order): wired 1 GiB, active 4, inactive 2, free 5,
// compressed 0.5, app memory 3.5, used (wired + active) 5, used (wired + app + compressed)
// 5, available 11, cached files 3, page-ins, page-outs.
MemDatArray figures()
{
    return {int64_t(kGiB), int64_t(4 * kGiB), int64_t(2 * kGiB), int64_t(5 * kGiB), int64_t(kGiB / 2),
            int64_t(7 * kGiB / 2), int64_t(5 * kGiB), int64_t(5 * kGiB), int64_t(11 * kGiB), int64_t(3 * kGiB),
            1234567, 0};
}

SnapshotPtr snapshot(std::vector<ProcessShare> entries)
{
    auto s = std::make_shared<ProcessSnapshot>();
    s->entries = std::move(entries);
    return s;
}

Sysroot fixture(const char *name) { return Sysroot(test::fixturePath(name).toStdString()); }

} // namespace

TEST(Memory_MenuController, TotalsAndPercentages)
{
    struct Case {
        const char *what;
        int64_t used, usedTraditional;
        uint64_t installed;
        C::Totals expected;
    };
    const Case cases[] = {
        {"16 GiB, 5 GiB used: 31.25 rounded down", int64_t(5 * kGiB), int64_t(4 * kGiB), 16 * kGiB, {31, 25, 69}},
        {"all used", int64_t(16 * kGiB), int64_t(16 * kGiB), 16 * kGiB, {100, 100, 0}},
        {"more than installed", int64_t(17 * kGiB), 0, 16 * kGiB, {106, 0, 0}},
        {"nothing installed", int64_t(5 * kGiB), int64_t(4 * kGiB), 0, {0, 0, 100}},
        {"2 TiB: bytes × 100 beyond 64 bits is still right", int64_t(1ull << 40), int64_t(1ull << 39), 1ull << 41, {50, 25, 50}},
    };
    for (const Case &c : cases) {
        MemDatArray f{};
        f[7] = c.used;
        f[6] = c.usedTraditional;
        EXPECT_EQ(C::totals(f, c.installed), c.expected) << c.what;
    }
    const std::tuple<int64_t, uint64_t, const char *> percents[] = {
        {int64_t(5 * kGiB), 16 * kGiB, "(31.25%)"},
        {0, 16 * kGiB, "(---)"},
        {1, 16 * kGiB, "(0.00%)"},
        {int64_t(16 * kGiB), 16 * kGiB, "(100.00%)"},
    };
    for (const auto &[bytes, installed, text] : percents)
        EXPECT_EQ(C::categoryPercent(bytes, installed), QString::fromLatin1(text)) << bytes;
}

TEST(Memory_MenuController, CountsAreGroupedByThousands)
{
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(C::numberFormatterFromLong(1234567, english), "1,234,567");
    EXPECT_EQ(C::numberFormatterFromLong(999, english), "999");
    EXPECT_EQ(C::numberFormatterFromLong(1234567, QLocale(QLocale::German, QLocale::Germany)), "1.234.567");
}

TEST(Memory_MenuController, TopFifteenByResidentSize)
{
    std::vector<ProcessShare> entries;
    for (int i = 0; i < 20; ++i)
        entries.push_back({QStringLiteral("p%1").arg(i), 4096.0 - i});
    entries[3].value = 2048.9 + 1000; // still fourth, cut to whole kilobytes
    const auto top = C::topProcesses({snapshot({{"old", 1}}), snapshot(entries)});
    ASSERT_EQ(top.size(), 15u);
    EXPECT_EQ(top.front(), (std::pair<QString, int64_t>{"p0", 4096 * 1024}));
    EXPECT_EQ(top[3], (std::pair<QString, int64_t>{"p3", 3048 * 1024}));
    EXPECT_EQ(top.back().first, "p14");
    EXPECT_TRUE(C::topProcesses({}).empty());
}

class Memory_MenuPanel : public ::testing::Test {
protected:
    void SetUp() override { controller.addItems(menu, 494); }
    QVariantMap defaults(bool traditional)
    {
        QVariantMap d{{"Memory_Unit", 1}, {"Memory_TradMemoryInfo", traditional}};
        for (const char *key : {"B01", "B02", "B03", "B04", "B05", "B06", "B09", "B10"})
            d.insert(key, QColor(100, 150, 200));
        return d;
    }
    QStringList rowTexts() const
    {
        QStringList rows;
        for (QAction *a : menu.actions())
            if (!a->isSeparator() && a->isVisible())
                rows << a->text();
        return rows;
    }
    test::ScopedHome home;
    QMenu menu;
    Memory_MenuController controller;
};

TEST_F(Memory_MenuPanel, BreakdownRowsAndTheirMarks)
{
    struct Case {
        bool traditional;
        std::vector<C::Category> marked;
    };
    const Case cases[] = {
        {false, {C::AppMemory, C::Wired, C::Compressed}},
        {true, {C::Wired, C::Active, C::Inactive, C::Free}},
    };
    for (const Case &c : cases) {
        controller.replaceData(defaults(c.traditional), figures(), kPage, 16 * kGiB, nullptr, std::nullopt);
        for (int cat = 0; cat < C::kCategories; ++cat) {
            const bool marked = std::find(c.marked.begin(), c.marked.end(), cat) != c.marked.end();
            EXPECT_EQ(controller.categoryRow(C::Category(cat))->markVisible(), marked)
                << "category " << cat << (c.traditional ? " traditional" : " modern");
        }
        EXPECT_TRUE(controller.totalRow(C::Used)->markVisible());
        EXPECT_TRUE(controller.totalRow(C::Available)->markVisible());
    }
    const QStringList rows = rowTexts();
    for (const char *row : {"App Memory\t3.50GB\t(21.88%)", "Wired\t1024.0MB\t(6.25%)", "Compressed\t512.0MB\t(3.13%)",
                            "Cached Files\t3.00GB\t(18.75%)", "Used\t5.00GB\t(31.00%)", "Active + Wired\t5.00GB\t(31.00%)",
                            "Available\t11.00GB\t(69.00%)", "Installed\t16GB", "Page-ins\t1,234,567", "Page-outs\t0",
                            "Pages\t4,194,304"})
        EXPECT_TRUE(rows.contains(QString::fromUtf8(row))) << row << " in " << rows.join(" | ").toStdString();
}

TEST_F(Memory_MenuPanel, NoSizesNoFigures)
{
    for (const auto &[page, installed] : {std::pair<uint64_t, uint64_t>{0, 16 * kGiB}, {kPage, 0}}) {
        controller.replaceData(defaults(false), figures(), kPage, 16 * kGiB, nullptr, std::nullopt);
        controller.replaceData(defaults(false), figures(), page, installed, nullptr, std::nullopt);
        EXPECT_TRUE(controller.categoryRow(C::Wired)->value().isEmpty());
        EXPECT_TRUE(controller.totalRow(C::Used)->value().isEmpty());
        EXPECT_TRUE(controller.factRow(C::Paging)->value().isEmpty());
    }
}

TEST_F(Memory_MenuPanel, SwapHibernationAndModulesFromTheTree)
{
    const Sysroot laptop = fixture("memory-zswap-laptop");
    controller.loadBaseData(laptop);
    controller.replaceData(defaults(false), figures(), kPage, 16 * kGiB, nullptr, laptop);
    EXPECT_EQ(controller.swapFileCount(), 2);
    EXPECT_TRUE(controller.factRow(C::SwapTotal)->value().startsWith("2 areas: ")) << controller.factRow(C::SwapTotal)->value().toStdString();
    EXPECT_FALSE(controller.factRow(C::SwapUsed)->value().isEmpty());
    EXPECT_TRUE(controller.factRow(C::Hibernation)->value().startsWith("25 : "));
    EXPECT_EQ(controller.factRow(C::SwapLocation)->value(), "/swap");
    EXPECT_TRUE(controller.modulesRow()->action()->isVisible());
    EXPECT_EQ(controller.modulesRow()->name().count("3200MT/s DDR4 8GB"), 2);

    // A server without swap, hibernation or module data: those rows fall back, nothing fails.
    const Sysroot server = fixture("memory-server-2tib");
    controller.loadBaseData(server);
    controller.replaceData(defaults(false), figures(), kPage, 16 * kGiB, nullptr, server);
    EXPECT_EQ(controller.swapFileCount(), 0);
    EXPECT_FALSE(controller.factRow(C::SwapTotal)->value().contains("areas"));
    EXPECT_FALSE(controller.modulesRow()->action()->isVisible());
    EXPECT_EQ(controller.factRow(C::SleepImage)->value(), "---");
}

TEST_F(Memory_MenuPanel, ProcessRowsFollowTheNewestSnapshot)
{
    auto histories = std::make_shared<ProcessHistories>();
    ProcessHistories::append(histories->memory, snapshot({{"big & <b>", 2097152}, {"small", 2048.9}}));
    controller.replaceData(defaults(false), figures(), kPage, 16 * kGiB, histories, std::nullopt);
    EXPECT_EQ(controller.processRow(0)->action()->text(), "big && <b>\t2.00GB");
    EXPECT_EQ(controller.processRow(1)->action()->text(), "small\t2.0MB");
    EXPECT_FALSE(controller.processRow(2)->action()->isVisible());

    controller.replaceData(defaults(false), figures(), kPage, 16 * kGiB, nullptr, std::nullopt);
    EXPECT_FALSE(controller.processRow(0)->action()->isVisible()) << "no history, no rows";
}
