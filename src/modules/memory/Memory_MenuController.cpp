#include "modules/memory/Memory_MenuController.h"

#include "collect/MemoryInformation.h"
#include "modules/DetailRow.h"
#include "toolkit/OrbColors.h"
#include "toolkit/OrbFormat.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QWidgetAction>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

QString localized(const char *text, const char *key = nullptr) { return QCoreApplication::translate("OrbStrings", text, key); }

QColor colour(const QVariantMap &d, const char *key) { return OrbColors::colorFromValue(d.value(QLatin1String(key))); }

int64_t clampedBytes(uint64_t bytes)
{
    return bytes > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(bytes);
}

// The directory of the first swap file, else the first swap partition's device.
QString swapLocation(const Sysroot &root)
{
    const std::vector<MemoryInformation::SwapArea> areas = MemoryInformation::loadSwapAreas(root);
    for (const auto &a : areas)
        if (a.isFile)
            return QFileInfo(QString::fromStdString(a.path)).path();
    return areas.empty() ? QString() : QString::fromStdString(areas.front().path);
}

} // namespace

Memory_MenuController::Memory_MenuController(QObject *parent) : QObject(parent) {}

Memory_MenuController::~Memory_MenuController() = default;

void Memory_MenuController::addItems(QMenu &menu, int width)
{
    menu.addSeparator();
    static const char *const kCategoryNames[][2] = {
        {QT_TRANSLATE_NOOP("OrbStrings", "App Memory"), nullptr}, {QT_TRANSLATE_NOOP("OrbStrings", "Wired"), nullptr},
        {QT_TRANSLATE_NOOP("OrbStrings", "Compressed"), nullptr}, {QT_TRANSLATE_NOOP("OrbStrings", "Active"), nullptr},
        {QT_TRANSLATE_NOOP("OrbStrings", "Cached Files"), nullptr}, {QT_TRANSLATE_NOOP("OrbStrings", "Inactive"), nullptr},
        {QT_TRANSLATE_NOOP("OrbStrings", "Free"), nullptr},
    };
    const DetailRow::Columns figure{.width = width, .mark = true, .valueWidth = 84, .extraWidth = 76};
    for (int c = 0; c < kCategories; ++c) {
        categories_[static_cast<size_t>(c)] = DetailRow::addTo(menu, figure);
        categories_[static_cast<size_t>(c)]->setTexts(localized(kCategoryNames[c][0]));
    }
    categories_[CachedFiles]->setMarkVisible(false);
    menu.addSeparator();
    static const char *const kTotalNames[][2] = {
        {QT_TRANSLATE_NOOP("OrbStrings", "Used"), "memoryUsed"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Active + Wired"), "memoryDiff"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Available"), "memoryFree"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Installed"), "memoryTotal"},
    };
    for (int t = 0; t < kTotals; ++t) {
        totals_[static_cast<size_t>(t)] = DetailRow::addTo(menu, figure);
        totals_[static_cast<size_t>(t)]->setTexts(localized(kTotalNames[t][0], kTotalNames[t][1]));
    }
    totals_[ActiveWired]->setMarkVisible(false);
    totals_[Installed]->setMarkVisible(false);
    menu.addSeparator();
    static const char *const kFactNames[][2] = {
        {QT_TRANSLATE_NOOP("OrbStrings", "Page-ins"), "PageIn"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Page-outs"), "PageOut"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Pages"), "Paging"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Swap Total"), "Swap Total"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Swap Used"), "Swap Used"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Swap Available"), "Swap Avail"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Hibernation Image"), "Sleep Image"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Hibernation"), "Hibernate Mode"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Swap Location"), "DynamicPagerPath"},
    };
    for (int f = 0; f < kFacts; ++f) {
        const bool text = f == Hibernation || f == SwapLocation;
        facts_[static_cast<size_t>(f)] =
            DetailRow::addTo(menu, {.width = width, .valueWidth = text ? width - 150 : 180, .valueLeft = text});
        facts_[static_cast<size_t>(f)]->setTexts(localized(kFactNames[f][0], kFactNames[f][1]));
    }
    modules_ = DetailRow::addTo(menu, {.width = width, .valueWidth = 0});
    modules_->setMultiLine(true);
    modules_->action()->setVisible(false);
    menu.addSeparator();
    for (auto &row : processRows_) {
        row = DetailRow::addTo(menu, {.width = width, .valueWidth = 84});
        row->action()->setVisible(false);
    }
}

void Memory_MenuController::updateSettings(const QVariantMap &d)
{
    if (d.isSharedWith(settingsSource_))
        return;
    settingsSource_ = d;
    settings_.unit = d.value(QStringLiteral("Memory_Unit")).toInt();
    settings_.traditional = d.value(QStringLiteral("Memory_TradMemoryInfo")).toBool();
    settings_.categories = {colour(d, "B09"), colour(d, "B01"), colour(d, "B10"), colour(d, "B02"),
                            QColor(),        colour(d, "B03"), colour(d, "B04")};
    settings_.used = colour(d, "B05");
    settings_.available = colour(d, "B06");
}

Memory_MenuController::Totals Memory_MenuController::totals(const MemDatArray &f, uint64_t installed)
{
    Totals t;
    if (installed == 0)
        return t;
    // Whole per cents in 128-bit arithmetic: bytes × 100 does not fit 64 bits beyond 160 PiB.
    const auto share = [&](int64_t bytes) {
        const unsigned __int128 p = static_cast<unsigned __int128>(std::max<int64_t>(bytes, 0)) * 100u / installed;
        return static_cast<uint64_t>(p);
    };
    t.usedPer = share(f[7]);
    t.usinPer = share(f[6]);
    t.freePer = t.usedPer >= 100 ? 0 : 100 - t.usedPer;
    return t;
}

QString Memory_MenuController::categoryPercent(int64_t bytes, uint64_t installed)
{
    if (bytes < 1 || installed == 0)
        return localized("(---)");
    return QString::asprintf("(%.2f%%)", static_cast<double>(bytes) * 100.0 / static_cast<double>(installed));
}

QString Memory_MenuController::numberFormatterFromLong(qint64 value, const QLocale &locale)
{
    QLocale l = locale;
    l.setNumberOptions(l.numberOptions() & ~QLocale::OmitGroupSeparator);
    return l.toString(value);
}

std::vector<std::pair<QString, int64_t>> Memory_MenuController::topProcesses(const std::vector<SnapshotPtr> &history)
{
    std::vector<std::pair<QString, int64_t>> rows;
    if (history.empty() || !history.back())
        return rows;
    // Snapshots list their largest names first.
    for (const ProcessShare &e : history.back()->entries) {
        if (rows.size() >= kProcessRows)
            break;
        const double kib = std::trunc(e.value);
        const int64_t bytes = kib >= 9.0e15 ? INT64_MAX : static_cast<int64_t>(kib) * 1024;
        rows.emplace_back(e.name, bytes);
    }
    return rows;
}

void Memory_MenuController::loadBaseData(const std::optional<Sysroot> &root)
{
    swapFileCount_ = 0;
    swapTotalBytes_ = 0;
    swapKnown_ = false;
    if (!facts_[0])
        return;
    if (!root)
        return;
    facts_[Hibernation]->setTexts(facts_[Hibernation]->name(), MemoryInformation::loadloadHibernateMode(*root));
    facts_[SwapLocation]->setTexts(facts_[SwapLocation]->name(), swapLocation(*root));
    const QString slots = MemoryInformation::collectMemSlot(*root);
    modules_->setTexts(slots.isEmpty() ? QString() : localized("Memory Modules") + QLatin1Char('\n') + slots);
    modules_->action()->setVisible(!slots.isEmpty());
    replaceDelayData(root);
}

void Memory_MenuController::showSwapTotal()
{
    DetailRow *row = facts_[SwapTotal];
    if (!swapKnown_) {
        row->setTexts(row->name());
        return;
    }
    const QString size = OrbFormat::calcMemorySize(swapTotalBytes_, settings_.unit);
    QString text = size;
    if (swapFileCount_ == 1)
        text = localized("1 area: %1", "%ldfiles : %@ (one)").arg(size);
    else if (swapFileCount_ > 1)
        text = localized("%1 areas: %2", "%ldfiles : %@").arg(swapFileCount_).arg(size);
    row->setTexts(row->name(), text);
}

void Memory_MenuController::replaceDelayData(const std::optional<Sysroot> &root)
{
    if (!facts_[0] || !root)
        return;
    const QVariantMap facts = MemoryInformation::loadMemoryOptionDelayData(*root);
    DetailRow *image = facts_[SleepImage];
    if (facts.isEmpty()) {
        image->setTexts(image->name());
        facts_[SwapTotal]->setTexts(facts_[SwapTotal]->name());
        return;
    }
    swapFileCount_ = facts.value(QStringLiteral("swapFileCount")).toLongLong();
    showSwapTotal();
    // Linux writes its hibernation image into swap; the kernel's size goal for it is
    // the nearest thing to an image file's size.
    const qint64 sleepImage = facts.value(QStringLiteral("sleepImageSize")).toLongLong();
    QString imageText = sleepImage > 0 ? OrbFormat::calcMemorySize(sleepImage, settings_.unit) : QString();
    if (sleepImage <= 0) {
        bool ok = false;
        const auto hibernate = MemoryInformation::loadHibernate(*root);
        const qint64 goal = hibernate ? hibernate->value(QStringLiteral("image_size")).toLongLong(&ok) : 0;
        imageText = ok && goal > 0 ? QStringLiteral("≤ ") + OrbFormat::calcMemorySize(goal, settings_.unit)
                                   : QStringLiteral("---");
    }
    image->setTexts(image->name(), imageText);
}

void Memory_MenuController::replaceData(const QVariantMap &myDefaults, const MemDatArray &f, uint64_t pageSize,
                                        uint64_t installed, const std::shared_ptr<const ProcessHistories> &processes,
                                        const std::optional<Sysroot> &root)
{
    if (!categories_[0])
        return;
    updateSettings(myDefaults);

    // Marks: the rows making up the breakdown the status item draws.
    for (int c = 0; c < kCategories; ++c)
        categories_[static_cast<size_t>(c)]->setMark(settings_.categories[static_cast<size_t>(c)]);
    totals_[Used]->setMark(settings_.used);
    totals_[Available]->setMark(settings_.available);
    const bool trad = settings_.traditional;
    categories_[AppMemory]->setMarkVisible(!trad);
    categories_[Compressed]->setMarkVisible(!trad);
    categories_[Active]->setMarkVisible(trad);
    categories_[Inactive]->setMarkVisible(trad);
    categories_[Free]->setMarkVisible(trad);
    categories_[Wired]->setMarkVisible(true);

    const int unit = settings_.unit;
    if (pageSize == 0 || installed == 0 || pageSize == UINT64_MAX || installed == UINT64_MAX) {
        // No sizes to divide by: the figures are left empty.
        for (DetailRow *row : categories_)
            row->setTexts(row->name());
        for (DetailRow *row : totals_)
            row->setTexts(row->name());
        for (Fact fact : {PageIns, PageOuts, Paging})
            facts_[fact]->setTexts(facts_[fact]->name());
    } else {
        const int64_t bytes[kCategories] = {f[5], f[0], f[4], f[1], f[9], f[2], f[3]};
        for (int c = 0; c < kCategories; ++c) {
            DetailRow *row = categories_[static_cast<size_t>(c)];
            row->setTexts(row->name(), OrbFormat::calcMemorySize(bytes[c], unit), categoryPercent(bytes[c], installed));
        }
        const Totals t = totals(f, installed);
        const auto percent = [](uint64_t p) { return QString::asprintf("(%.2f%%)", static_cast<double>(p)); };
        totals_[Used]->setTexts(totals_[Used]->name(), OrbFormat::calcMemorySize(f[7], unit), percent(t.usedPer));
        totals_[ActiveWired]->setTexts(totals_[ActiveWired]->name(), OrbFormat::calcMemorySize(f[6], unit),
                                       percent(t.usinPer));
        totals_[Available]->setTexts(totals_[Available]->name(),
                                     OrbFormat::calcMemorySize(clampedBytes(installed) - std::min(f[7], clampedBytes(installed)), unit),
                                     percent(t.freePer));
        totals_[Installed]->setTexts(totals_[Installed]->name(), OrbFormat::calcTotalMemorySize(clampedBytes(installed), unit));
        facts_[PageIns]->setTexts(facts_[PageIns]->name(), numberFormatterFromLong(f[10]));
        facts_[PageOuts]->setTexts(facts_[PageOuts]->name(), numberFormatterFromLong(f[11]));
        facts_[Paging]->setTexts(facts_[Paging]->name(), numberFormatterFromLong(clampedBytes(installed / pageSize)));
    }

    if (root) {
        const auto swap = MemoryInformation::loadSwapUsage(*root);
        if (!swap) {
            swapKnown_ = false;
            for (Fact fact : {SwapTotal, SwapUsed, SwapAvailable})
                facts_[fact]->setTexts(facts_[fact]->name());
        } else {
            swapKnown_ = true;
            swapTotalBytes_ = clampedBytes((*swap)[0]);
            showSwapTotal();
            facts_[SwapUsed]->setTexts(facts_[SwapUsed]->name(), OrbFormat::calcMemorySize(clampedBytes((*swap)[2]), unit));
            facts_[SwapAvailable]->setTexts(facts_[SwapAvailable]->name(),
                                            OrbFormat::calcMemorySize(clampedBytes((*swap)[1]), unit));
        }
    }

    static const std::vector<SnapshotPtr> kNone;
    const auto top = topProcesses(processes ? processes->memory : kNone);
    for (size_t i = 0; i < processRows_.size(); ++i) {
        DetailRow *row = processRows_[i];
        if (i >= top.size()) {
            row->action()->setVisible(false);
            continue;
        }
        row->setTexts(top[i].first, OrbFormat::calcMemorySize(top[i].second, unit));
        row->action()->setVisible(true);
    }
}

} // namespace orb
