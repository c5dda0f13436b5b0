#pragma once
#include "modules/GraphMenuModule.h"
#include "modules/HistoryPeak.h"
#include "modules/disk/DiskActivity.h"
#include "modules/disk/DiskSettings.h"
#include "modules/disk/Disk_MenuController.h"

#include <QPointer>

#include <QImage>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace orb {

struct DiskBase;
struct DiskDrive;
class NvmeHealthReader;

// The Disk status item: read/write lamps, history graph and rate text for all disks
// together or for each physical disk (optionally behind its icon); the menu holds the
// disk utility command, the menu graph and one detail view per disk.
class Disk_MenuModule : public GraphMenuModule {
    Q_OBJECT
public:
    static constexpr int kDiskUtilityTag = 211;
    static constexpr int kFirstDiskTag = 301;
    // Bytes per second the compact gauge takes as full at the least, so the trickle of log
    // writes on an idle machine does not fill it.
    static constexpr double kQuietPeak = 1000.0 * 1000.0;

    explicit Disk_MenuModule(MenuModuleDelegate *delegate);
    ~Disk_MenuModule() override;

    // Takes the "Disk" history and the disk base.
    void setSensorData(const SensorData &data) override;
    const History<DiskSample> &resumeArray() const { return resumeArray_; }
    const std::shared_ptr<const DiskBase> &diskBase() const { return base_; }

    // Settings laid over the module's own for the menu graph: graph only, all disks
    // together, no labels.
    static QVariantMap menuGraphDefaults();

    // The read/write check table of the newest sample, nothing before the first sample; kept
    // until the history or the descriptions change.
    const std::optional<DiskRWTable> &checkAllReadWrite() const;

    // Element widths of the status image in points for `disks` disks (already repeated
    // per disk), before the gaps and the label are added.
    static ElementWidths elementWidthsFor(const DiskSettings &settings, std::size_t disks);

    // The icon drawn for a drive: the desktop theme's, or a drawn one when the theme has
    // none; 28 pixels square.
    static QImage driveIcon(const DiskDrive &drive);

    void redrawStatusItem() override;
    void menuWillOpen() override;

    // The detail views of the menu, in the menu's order.
    QList<Disk_MenuController *> diskMenus() const;
    // Health known per drive name (tests set what the helpers would have read).
    const std::map<QString, DiskHealth> &health() const { return health_; }
    void setHealth(const QString &driveName, const DiskHealth &health);
    // Replaces the NVMe health reader (tests use one with a stand-in launcher).
    void setNvmeHealthReader(std::unique_ptr<NvmeHealthReader> reader);

protected:
    bool hasData() const override;
    ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const override;
    std::unique_ptr<ModuleImageView> makeImageView() const override;
    void prepareView(ModuleImageView &view) const override;
    void addCommandItems(QMenu &menu) override;
    void addDetailItems(QMenu &menu) override;
    QString headline() const override;
    // Reads and writes of all disks together against the history's busiest interval (never
    // below kQuietPeak), the two rates as label ("R1.2M W40K") and their sum on the icon.
    TrayHeadline compactHeadline() const override;
    std::optional<size_t> imageDigest() const override;
    std::optional<size_t> headlineDigest() const override;
    QString labelKey() const override { return QStringLiteral("Disk_ShowMyLabel"); }
    QString paddingKey() const override { return QStringLiteral("Disk_Padding"); }

private:
    const DiskSettings &typedSettings() const;
    // The busiest interval of the history, read and write together, in bytes per second.
    double busiestRate() const;
    void rebuildIcons();
    // Health readings of the running machine, off the UI thread; only when the menu opens.
    void refreshHealth();
    void readNvmeHealth();

    History<DiskSample> resumeArray_;
    std::shared_ptr<const DiskBase> base_;
    std::vector<QImage> icons_; // per drive of base_
    std::map<QString, QImage> iconCache_;
    QList<QPointer<Disk_MenuController>> diskMenusArray_;
    std::map<QString, DiskHealth> health_;
    bool healthJobRunning_ = false;
    std::unique_ptr<NvmeHealthReader> nvmeReader_;
    bool nvmeRefused_ = false;
    qint64 nvmeReadAt_ = 0; // monotonic ms of the last reading, 0 for none
    mutable HistoryPeak<DiskSample, double> busiest_;
    mutable History<DiskSample> rwHistory_; // what rwTable_ was worked out from
    mutable std::shared_ptr<const DiskBase> rwBase_;
    mutable std::optional<DiskRWTable> rwTable_;
    mutable QVariantMap settingsSource_;
    mutable DiskSettings settings_;
};

} // namespace orb
