#pragma once
#include "collect/ProcessHistories.h"
#include "collect/Samples.h"
#include "platform/Sysroot.h"

#include <QColor>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class QMenu;
class QPushButton;
class QWidgetAction;

namespace orb {

class DetailRow;

// The detail panel of the CPU menu below its graph: the split of processor time, the
// busiest processes with their small graphs, and facts about the machine.
class CPU_MenuController : public QObject {
    Q_OBJECT
public:
    static constexpr int kProcessRows = 11;
    static constexpr int kRankedNames = 15;

    explicit CPU_MenuController(QObject *parent = nullptr);
    ~CPU_MenuController() override;

    // Adds the panel's rows to `menu`, `width` points wide.
    void addItems(QMenu &menu, int width);

    // Machine name, processor kind; the ranking is worked out anew at the next update.
    // `machineName`, `machineModel` and `iconName` are the identity settings
    // ("MacRealName", "MacRawName", "MacIconName"); without a name or model the
    // processor's brand names the machine.
    void loadBaseData(const std::optional<Sysroot> &root, const QString &machineName = {},
                      const QString &machineModel = {}, const QString &iconName = {});
    // State rows from the newest CPU sample, process rows from the process history, fact
    // rows from the tree (none without one).
    void replaceData(const QVariantMap &myDefaults, const History<CpuSample> &resumeArray,
                     const std::shared_ptr<const ProcessHistories> &processes, const std::optional<Sysroot> &root);

    // Whole per cents of user, system, nice and idle time in the newest sample's average
    // entry, each of the entry's own total; idle takes the rest, never below 0. All 0
    // without a sample.
    struct StateFigures {
        int64_t user = 0, system = 0, nice = 0, idle = 0;
        bool operator==(const StateFigures &) const = default;
    };
    static StateFigures stateFigures(const History<CpuSample> &resumeArray);

    // The busiest names over the snapshots of the last `recentSeconds` seconds (newest
    // first, at most that many snapshots): each snapshot adds its shares in whole tenths
    // of a per cent; highest total first, at most kRankedNames.
    static QStringList collectProcDescArray(const std::vector<SnapshotPtr> &history, qint64 recentSeconds);
    struct ProcessRow {
        QString name;
        double share = 0.0;
        bool operator==(const ProcessRow &) const = default;
    };
    // The rows to show: with `recentSeconds` above 0, the ranked names (`ranking`, filled
    // when empty) with their newest shares (0 when absent now); otherwise the newest
    // snapshot's busiest names. At most kProcessRows.
    static std::vector<ProcessRow> processRows(const std::vector<SnapshotPtr> &history, qint64 recentSeconds,
                                               QStringList &ranking);

    // The web search for a machine or model name: "/ " removed, the rest as the query.
    static QUrl machineSearchUrl(const QString &title);

    // Rows, for tests and snapshots.
    DetailRow *stateRow(int i) const { return stateRows_[static_cast<size_t>(i)]; }
    DetailRow *processRow(int i) const { return processRows_[static_cast<size_t>(i)]; }
    DetailRow *factRow(int i) const { return factRows_[static_cast<size_t>(i)]; }
    QString machineTitle() const { return machineTitle_; }
    const QStringList &ranking() const { return procDescArray_; }

private:
    struct Settings {
        qint64 recentSeconds = 0;
        std::array<QColor, 4> states;
        QColor process;
    };
    void updateSettings(const QVariantMap &myDefaults);
    void machinNameButtonClicked();

    QVariantMap settingsSource_;
    Settings settings_;
    std::array<DetailRow *, 4> stateRows_{};
    std::array<DetailRow *, kProcessRows> processRows_{};
    std::array<QWidgetAction *, kProcessRows> processActions_{};
    // Processor kind, uptime, awake time, threads and processes, load average, host name.
    std::array<DetailRow *, 6> factRows_{};
    QPushButton *machineButton_ = nullptr;
    QWidgetAction *machineAction_ = nullptr;
    QString machineTitle_;
    bool machineLinked_ = false;
    QStringList procDescArray_;
    int width_ = 452;
};

} // namespace orb
