#pragma once
#include "collect/VolumeBase.h"
#include "modules/GraphMenuModule.h"
#include "modules/volume/VolumeFigures.h"
#include "modules/volume/VolumeSettings.h"

#include <QDBusConnection>
#include <QHash>
#include <QImage>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

namespace orb {

class Volume_MenuController;
class VolumeUnmounter;

// The Volume status item: how full the mounted volumes are, as one total or per volume
// (optionally behind each volume's icon with a change lamp), with a graph, level bar, circle
// chart, used/free text and percentage. The menu holds the disk utility command, the menu
// graph and one row per volume with open-in-file-manager and unmount.
class Volume_MenuModule : public GraphMenuModule {
    Q_OBJECT
public:
    static constexpr int kDiskUtilityTag = 211;
    static constexpr int kFirstVolumeTag = 301;

    explicit Volume_MenuModule(MenuModuleDelegate *delegate);
    ~Volume_MenuModule() override;

    // Takes the "Volume" history and the volume base. A new base closes an open menu (a volume
    // came or went) and rebuilds the rows.
    void setSensorData(const SensorData &data) override;
    const History<VolumeSample> &resumeArray() const { return resumeArray_; }
    const std::shared_ptr<const VolumeBase> &volumeBase() const { return base_; }

    // Settings laid over the module's own for the menu graph: graph only, all volumes together,
    // network volumes counted, no label.
    static QVariantMap menuGraphDefaults();

    // The figures of the newest sample (texts when the status image shows them), kept until
    // the history, descriptions or settings change.
    const std::optional<VolumeFigures> &checkUsedFree() const;

    // Element widths of the status image in points for the volumes drawn, before the gaps and
    // the label are added; `innerHeight` is the height less the top and bottom insets.
    static ElementWidths elementWidthsFor(const VolumeSettings &settings, const VolumeFigures &figures,
                                            double innerHeight);

    // The icon drawn for a volume: the desktop theme's, or a drawn one; 28 pixels square.
    static QImage volumeIcon(const VolumeEntry &entry);

    void initDrawStatusBar(StatusBarHost &host) override;
    // Listens on `bus` for udisks2 telling of a new label or mount point; the volumes are then
    // described again at the next volume sample. The running machine's system bus is watched
    // from the start when the item shows the running machine.
    bool watchUDisks(const QDBusConnection &bus);
    void redrawStatusItem() override;
    // Closes the menu when it is open.
    void menuAutoClose();

    QList<Volume_MenuController *> volumeMenus() const;

    // Opening a volume in the file manager (replaceable by tests).
    std::function<void(const QString &mountPath)> openPath;
    // Asks the user to confirm an unmount and calls `proceed` on yes (replaceable by tests).
    std::function<void(const VolumeEntry &entry, std::function<void()> proceed)> confirmUnmount;
    // Tells the user an unmount failed (replaceable by tests).
    std::function<void(const VolumeEntry &entry, const QString &message)> reportFailure;
    // Replaces the unmounter (tests use one on a private bus).
    void setUnmounter(VolumeUnmounter *unmounter);
    // Starts the unmount of a volume of the base: confirm, then ask udisks2.
    void unmountDisk(const QString &mountPath);

protected:
    bool hasData() const override;
    ElementWidths elementWidths(const OrbEdgeInsets &insets, double height) const override;
    std::unique_ptr<ModuleImageView> makeImageView() const override;
    void prepareView(ModuleImageView &view) const override;
    void addCommandItems(QMenu &menu) override;
    void addDetailItems(QMenu &menu) override;
    QString headline() const override;
    TrayHeadline compactHeadline() const override;
    std::optional<size_t> imageDigest() const override;
    std::optional<size_t> headlineDigest() const override;
    QString labelKey() const override { return QStringLiteral("Vlms_ShowMyLabel"); }
    QString paddingKey() const override { return QStringLiteral("Volume_Padding"); }

private Q_SLOTS:
    void udisksPropertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &invalidated);

private:
    const VolumeSettings &typedSettings() const;
    void rebuildIcons();
    void openWithFileManager(const QString &mountPath);

    History<VolumeSample> resumeArray_;
    std::shared_ptr<const VolumeBase> base_;
    QHash<QString, QImage> icons_;
    QList<QPointer<Volume_MenuController>> vlmsMenusArray_;
    QPointer<VolumeUnmounter> unmounter_;
    mutable QVariantMap settingsSource_;
    mutable VolumeSettings settings_;
    mutable History<VolumeSample> figuresHistory_;
    mutable std::shared_ptr<const VolumeBase> figuresBase_;
    mutable bool figuresWithText_ = false;
    mutable QVariantMap figuresSettings_;
    mutable std::optional<VolumeFigures> figures_;
    mutable VolumeFigures spareFigures_; // the figures of the pass before, whose storage is reused
};

} // namespace orb
