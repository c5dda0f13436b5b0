#pragma once
#include "collect/ProcessHistories.h"
#include "modules/memory/ImageMemoryBar.h"
#include "platform/Sysroot.h"

#include <QColor>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QMenu;

namespace orb {

class DetailRow;

// The detail panel of the Memory menu below its graph: every category with its size and
// share of the installed memory, the totals of both breakdowns, paging, swap and
// hibernation, the memory modules and the processes holding the most memory.
class Memory_MenuController : public QObject {
    Q_OBJECT
public:
    static constexpr int kProcessRows = 15;
    // Category rows, in the panel's order.
    enum Category { AppMemory, Wired, Compressed, Active, CachedFiles, Inactive, Free, kCategories };
    // Total rows.
    enum Total { Used, ActiveWired, Available, Installed, kTotals };
    // Paging, swap and hibernation rows.
    enum Fact { PageIns, PageOuts, Paging, SwapTotal, SwapUsed, SwapAvailable, SleepImage, Hibernation, SwapLocation, kFacts };

    explicit Memory_MenuController(QObject *parent = nullptr);
    ~Memory_MenuController() override;

    void addItems(QMenu &menu, int width);

    // The swap-file count starts again; the slowly changing facts are read now
    // (`replaceDelayData`), and the memory modules, hibernation mode and swap location.
    void loadBaseData(const std::optional<Sysroot> &root);
    // Everything but the delayed facts, from the newest figures (MemDatArray order) read
    // with `pageSize` and `installed` bytes; nothing is drawn while either is 0. The
    // process rows follow the newest resident-size snapshot.
    void replaceData(const QVariantMap &myDefaults, const MemDatArray &figures, uint64_t pageSize, uint64_t installed,
                     const std::shared_ptr<const ProcessHistories> &processes, const std::optional<Sysroot> &root);
    // Swap-area count and hibernation image size.
    void replaceDelayData(const std::optional<Sysroot> &root);

    // Whole-number used shares of the installed memory (rounded down) and the rest.
    struct Totals {
        uint64_t usedPer = 0; // wired + app memory + compressed
        uint64_t usinPer = 0; // active + wired
        uint64_t freePer = 100;
        bool operator==(const Totals &) const = default;
    };
    static Totals totals(const MemDatArray &figures, uint64_t installed);
    // "(31.25%)" of the installed memory, "(---)" below one byte.
    static QString categoryPercent(int64_t bytes, uint64_t installed);
    // Digits grouped by thousands in `locale`'s way ("1,234,567").
    static QString numberFormatterFromLong(qint64 value, const QLocale &locale = QLocale());
    // The newest snapshot's largest names, at most kProcessRows, with their sizes in whole
    // kilobytes times 1024.
    static std::vector<std::pair<QString, int64_t>> topProcesses(const std::vector<SnapshotPtr> &history);

    DetailRow *categoryRow(Category c) const { return categories_[c]; }
    DetailRow *totalRow(Total t) const { return totals_[t]; }
    DetailRow *factRow(Fact f) const { return facts_[f]; }
    DetailRow *modulesRow() const { return modules_; }
    DetailRow *processRow(int i) const { return processRows_[static_cast<size_t>(i)]; }
    int64_t swapFileCount() const { return swapFileCount_; }

private:
    struct Settings {
        int unit = 1;
        bool traditional = false;
        std::array<QColor, kCategories> categories;
        QColor used, available;
    };
    void updateSettings(const QVariantMap &myDefaults);
    void showSwapTotal();

    QVariantMap settingsSource_;
    Settings settings_;
    std::array<DetailRow *, kCategories> categories_{};
    std::array<DetailRow *, kTotals> totals_{};
    std::array<DetailRow *, kFacts> facts_{};
    DetailRow *modules_ = nullptr;
    std::array<DetailRow *, kProcessRows> processRows_{};
    int64_t swapFileCount_ = 0;
    int64_t swapTotalBytes_ = 0;
    bool swapKnown_ = false;
};

} // namespace orb
