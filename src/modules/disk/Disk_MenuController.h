#pragma once
#include "collect/DiskBase.h"
#include "collect/NvmeHealthLog.h"
#include "collect/UDisksDrives.h"
#include "modules/disk/DiskActivity.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QLocale>
#include <QPair>
#include <QWidget>
#include <optional>

class QGridLayout;
class QLabel;

namespace orb {

// What is known about a drive's health: the NVMe health log (read through the root helper),
// udisks2's ATA SMART figures, and the current temperature from the drive's own sensor.
struct DiskHealth {
    std::optional<NvmeHealthLog> nvme;
    std::optional<UDisksDrive> udisks;
    std::optional<int> temperature; // whole degrees Celsius
};

// One disk's detail view in the Disk menu: icon, name, size, two description lines, the
// current read and write rates beside their colours, and the drive's health rows.
class Disk_MenuController : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 362;
    static constexpr int kPlainHeight = 90;

    explicit Disk_MenuController(QWidget *parent = nullptr);

    // The device path of the disk this view shows ("/dev/sda").
    void setMntPath(const QString &path) { mntPath_ = path; }
    const QString &mntPath() const { return mntPath_; }

    // Fills the whole view. Texts from the drive are shown as plain text.
    void replaceBaseData(const DiskDrive &drive, const QImage &icon, const QColor &readColor, const QColor &writeColor,
                         const DiskHealth &health, const QLocale &locale = QLocale());
    // Refreshes the rates only.
    void replaceDetailData(const std::optional<DiskRW> &rw);
    // Empties the health rows.
    void clsTextField();

    // Title/value rows for a drive's health: the fourteen rows of the NVMe health log when it
    // was read, else the ATA SMART rows udisks2 gives, else the temperature alone.
    static QList<QPair<QString, QString>> healthRows(const DiskHealth &health, const QLocale &locale);
    // "Warning! 00100b" for the critical warning bits, "(No Warning)" for none.
    static QString criticalWarningText(int64_t bits);
    // "%1 (%2byte)": the decimal size and the exact count of bytes.
    static QString sizeText(int64_t bytes, const QLocale &locale);
    // The two description lines: vendor, model, firmware; bus, medium type, serial.
    static QPair<QString, QString> descriptionLines(const DiskDrive &drive);

    // Texts shown (tests read them).
    QString nameText() const;
    QString sizeLabelText() const;
    QString readText() const;
    QString writeText() const;
    QList<QPair<QString, QString>> shownRows() const { return rows_; }

private:
    void setWell(QLabel *well, const QColor &color, bool active);

    QString mntPath_;
    QColor readColor_, writeColor_;
    QLabel *volumeImage_ = nullptr;
    QLabel *volumeNameLabel_ = nullptr;
    QLabel *volumeSpaceLabel_ = nullptr;
    QLabel *descript1Label_ = nullptr;
    QLabel *descript2Label_ = nullptr;
    QLabel *readImageWell_ = nullptr;
    QLabel *writImageWell_ = nullptr;
    QLabel *readTitle_ = nullptr;
    QLabel *writTitle_ = nullptr;
    QLabel *readLabel_ = nullptr;
    QLabel *writLabel_ = nullptr;
    QWidget *rowsBox_ = nullptr;
    QGridLayout *rowsGrid_ = nullptr;
    QList<QPair<QString, QString>> rows_;
};

} // namespace orb
