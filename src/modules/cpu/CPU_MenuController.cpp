#include "modules/cpu/CPU_MenuController.h"

#include "collect/CpuInformation.h"
#include "modules/BaseMenuItems.h"
#include "modules/DetailRow.h"
#include "modules/cpu/ImageProcessBar.h"
#include "platform/Logging.h"
#include "toolkit/OrbColors.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QHash>
#include <QIcon>
#include <QMenu>
#include <QPushButton>
#include <QWidgetAction>
#include <algorithm>
#include <cmath>

namespace orb {
namespace {

constexpr QSize kGraphSize(44, 14);
constexpr int kMaxRecentSnapshots = ProcessHistories::kCapacity;

QString localized(const char *text, const char *key = nullptr) { return QCoreApplication::translate("OrbStrings", text, key); }

QColor colour(const QVariantMap &d, const char *key) { return OrbColors::colorFromValue(d.value(QLatin1String(key))); }

int64_t percentOf(int64_t part, int64_t total)
{
    return total > 0 ? static_cast<int64_t>(std::llround(static_cast<double>(part) * 100.0 / static_cast<double>(total))) : 0;
}

} // namespace

CPU_MenuController::CPU_MenuController(QObject *parent) : QObject(parent) {}

CPU_MenuController::~CPU_MenuController() = default;

void CPU_MenuController::addItems(QMenu &menu, int width)
{
    width_ = width;
    menu.addSeparator();
    static const char *const kStates[] = {QT_TRANSLATE_NOOP("OrbStrings", "User"), QT_TRANSLATE_NOOP("OrbStrings", "System"),
                                          QT_TRANSLATE_NOOP("OrbStrings", "Nice"), QT_TRANSLATE_NOOP("OrbStrings", "Idle")};
    for (size_t i = 0; i < stateRows_.size(); ++i) {
        stateRows_[i] = DetailRow::addTo(menu, {.width = width, .mark = true, .valueWidth = 48});
        stateRows_[i]->setTexts(localized(kStates[i]), QStringLiteral("0%"));
    }
    menu.addSeparator();
    for (size_t i = 0; i < processRows_.size(); ++i) {
        processRows_[i] = DetailRow::addTo(menu, {.width = width, .image = kGraphSize, .valueWidth = 52});
        processActions_[i] = processRows_[i]->action();
        processActions_[i]->setVisible(false);
    }
    menu.addSeparator();

    // The machine's name, a link to a web search for it.
    auto *holder = new QWidget;
    auto *layout = new QHBoxLayout(holder);
    layout->setContentsMargins(10, 0, 12, 0);
    machineButton_ = new QPushButton(holder);
    machineButton_->setFlat(true);
    machineButton_->setCursor(Qt::PointingHandCursor);
    machineButton_->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 1px 4px; text-align: left; }"));
    layout->addWidget(machineButton_);
    layout->addStretch(1);
    holder->setFixedWidth(width);
    connect(machineButton_, &QPushButton::clicked, this, &CPU_MenuController::machinNameButtonClicked);
    machineAction_ = new QWidgetAction(&menu);
    machineAction_->setDefaultWidget(holder);
    menu.addAction(machineAction_);

    static const char *const kFacts[][2] = {
        {QT_TRANSLATE_NOOP("OrbStrings", "Processor"), "Cpu Type"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Uptime"), "Uptime"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Awake"), "Awake Time"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Scheduling"), "Scheduling Stat"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Load Average"), "Load Average"},
        {QT_TRANSLATE_NOOP("OrbStrings", "Host Name"), "Host Name"},
    };
    for (size_t i = 0; i < factRows_.size(); ++i) {
        factRows_[i] = DetailRow::addTo(menu, {.width = width, .valueWidth = width - 116, .valueLeft = true});
        factRows_[i]->setTexts(localized(kFacts[i][0], kFacts[i][1]));
    }
}

void CPU_MenuController::loadBaseData(const std::optional<Sysroot> &root, const QString &machineName,
                                      const QString &machineModel, const QString &iconName)
{
    procDescArray_.clear();
    QString kind;
    if (root) {
        QString brand = CpuInformation::cpuGetBrandNameNew(*root);
        if (brand.isEmpty())
            brand = CpuInformation::cpuGetRareNameNew(*root).value_or(QString());
        const int cores = CpuInformation::LoadNumberOfCpuPsyCores(*root);
        const int threads = CpuInformation::logicalProcessorCount(*root);
        kind = brand;
        if (cores > 0 && threads > 0)
            kind += QLatin1Char(' ') + localized("%1 cores, %2 threads", "%dcores %d threads").arg(cores).arg(threads);
        if (machineName.isEmpty() && machineModel.isEmpty())
            machineTitle_ = brand;
    }
    if (!machineName.isEmpty() && machineName != QLatin1String("(Probably VM)")) {
        machineTitle_ = machineName + QStringLiteral(" / ") + machineModel;
        machineLinked_ = true;
    } else if (!machineModel.isEmpty()) {
        machineTitle_ = machineModel;
        machineLinked_ = false;
    } else {
        machineLinked_ = !machineTitle_.isEmpty();
    }
    if (machineButton_) {
        machineButton_->setText(BaseMenuItems::escaped(machineTitle_));
        QFont font = machineButton_->font();
        font.setUnderline(machineLinked_);
        machineButton_->setFont(font);
        QPalette palette = machineButton_->palette();
        const QColor link = OrbColors::darkAppearance() ? QColor(255, 214, 10) : QColor(0, 102, 214);
        palette.setColor(QPalette::ButtonText, machineLinked_ ? link : palette.color(QPalette::WindowText));
        machineButton_->setPalette(palette);
        machineButton_->setIcon(iconName.isEmpty() ? QIcon() : QIcon::fromTheme(iconName));
        machineAction_->setText(BaseMenuItems::escaped(machineTitle_));
    }
    if (factRows_[0] && !kind.isEmpty())
        factRows_[0]->setTexts(factRows_[0]->name(), kind);
}

void CPU_MenuController::updateSettings(const QVariantMap &d)
{
    if (d.isSharedWith(settingsSource_))
        return;
    settingsSource_ = d;
    settings_.recentSeconds = d.value(QStringLiteral("Cpu_ProcessRecentSec")).toLongLong();
    settings_.states = {colour(d, "A01"), colour(d, "A02"), colour(d, "A03"), colour(d, "A04")};
    settings_.process = colour(d, "A10");
}

CPU_MenuController::StateFigures CPU_MenuController::stateFigures(const History<CpuSample> &resumeArray)
{
    StateFigures f;
    if (resumeArray.empty() || resumeArray.back().empty())
        return f;
    const CpuTicks &t = resumeArray.back().back();
    const int64_t total = std::max<int64_t>(t.user, 0) + std::max<int64_t>(t.system, 0) + std::max<int64_t>(t.nice, 0)
                          + std::max<int64_t>(t.idle, 0);
    f.user = percentOf(std::max<int64_t>(t.user, 0), total);
    f.system = percentOf(std::max<int64_t>(t.system, 0), total);
    f.nice = percentOf(std::max<int64_t>(t.nice, 0), total);
    f.idle = total > 0 ? std::max<int64_t>(0, 100 - (f.user + f.system + f.nice)) : 0;
    return f;
}

QStringList CPU_MenuController::collectProcDescArray(const std::vector<SnapshotPtr> &history, qint64 recentSeconds)
{
    QHash<QString, qint64> totals;
    if (history.empty() || recentSeconds <= 0)
        return {};
    const double newest = history.back() ? history.back()->time : 0.0;
    qint64 walked = 0;
    for (auto it = history.rbegin(); it != history.rend() && walked < std::min<qint64>(recentSeconds, kMaxRecentSnapshots);
         ++it, ++walked) {
        if (!*it)
            continue;
        // Scans are five seconds apart while the menu is closed: the setting counts seconds.
        if (walked > 0 && newest - (*it)->time >= static_cast<double>(recentSeconds))
            break;
        for (const ProcessShare &e : (*it)->entries)
            if (e.value > 0.0)
                totals[e.name] += static_cast<qint64>(e.value * 10.0);
    }
    std::vector<std::pair<QString, qint64>> sorted;
    sorted.reserve(static_cast<size_t>(totals.size()));
    for (auto it = totals.cbegin(); it != totals.cend(); ++it)
        sorted.emplace_back(it.key(), it.value());
    std::sort(sorted.begin(), sorted.end(), [](const auto &a, const auto &b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    QStringList names;
    for (const auto &[name, total] : sorted) {
        if (names.size() >= kRankedNames)
            break;
        names << name;
    }
    return names;
}

std::vector<CPU_MenuController::ProcessRow> CPU_MenuController::processRows(const std::vector<SnapshotPtr> &history,
                                                                             qint64 recentSeconds, QStringList &ranking)
{
    std::vector<ProcessRow> rows;
    if (history.empty() || !history.back())
        return rows;
    const ProcessSnapshot &newest = *history.back();
    if (recentSeconds > 0) {
        if (ranking.isEmpty())
            ranking = collectProcDescArray(history, recentSeconds);
        for (const QString &name : ranking) {
            if (rows.size() >= kProcessRows)
                break;
            rows.push_back({name, newest.value(name)});
        }
        return rows;
    }
    for (const ProcessShare &e : newest.entries) {
        if (rows.size() >= kProcessRows)
            break;
        rows.push_back({e.name, e.value});
    }
    return rows;
}

void CPU_MenuController::replaceData(const QVariantMap &myDefaults, const History<CpuSample> &resumeArray,
                                     const std::shared_ptr<const ProcessHistories> &processes,
                                     const std::optional<Sysroot> &root)
{
    if (!stateRows_[0])
        return;
    updateSettings(myDefaults);

    const StateFigures f = stateFigures(resumeArray);
    const int64_t values[] = {f.user, f.system, f.nice, f.idle};
    for (size_t i = 0; i < stateRows_.size(); ++i) {
        stateRows_[i]->setMark(settings_.states[i]);
        stateRows_[i]->setTexts(stateRows_[i]->name(), QString::number(values[i]) + QLatin1Char('%'));
        stateRows_[i]->setDimmed(values[i] < 1);
    }

    if (root) {
        const QStringList facts = CpuInformation::cpuGetOptionData(*root);
        // Boot uptime, awake time, threads and processes, load average, host name.
        if (facts.size() >= 5)
            for (size_t i = 0; i < 5; ++i)
                factRows_[i + 1]->setTexts(factRows_[i + 1]->name(), facts[static_cast<qsizetype>(i)]);
    }

    static const std::vector<SnapshotPtr> kNone;
    const std::vector<SnapshotPtr> &history = processes ? processes->cpu : kNone;
    const std::vector<ProcessRow> rows = processRows(history, settings_.recentSeconds, procDescArray_);
    for (size_t i = 0; i < processRows_.size(); ++i) {
        DetailRow *row = processRows_[i];
        if (i >= rows.size()) {
            processActions_[i]->setVisible(false);
            continue;
        }
        row->setImage(settings_.recentSeconds > 0
                          ? ImageProcessBar::redrawWithSize(QSizeF(kGraphSize), history, rows[i].name, settings_.process)
                          : QImage());
        row->setTexts(rows[i].name, QString::asprintf("%.1f%%", rows[i].share));
        processActions_[i]->setVisible(true);
    }
}

QUrl CPU_MenuController::machineSearchUrl(const QString &title)
{
    QString query = title;
    query.remove(QStringLiteral("/ "));
    query = query.simplified();
    return QUrl::fromEncoded("https://www.google.com/search?q=" + QUrl::toPercentEncoding(query), QUrl::StrictMode);
}

void CPU_MenuController::machinNameButtonClicked()
{
    if (!machineLinked_ || machineTitle_.isEmpty())
        return;
    const QUrl url = machineSearchUrl(machineTitle_);
    if (!QDesktopServices::openUrl(url))
        qCWarning(lcModules) << "no browser opened the search for" << machineTitle_;
}

} // namespace orb
