#include "TestEnvironment.h"
#include "collect/DiskBase.h"
#include "modules/BaseMenuItems.h"
#include "modules/disk/Disk_MenuController.h"
#include "modules/disk/Disk_MenuModule.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QLabel>
#include <QMenu>
#include <QWidgetAction>
#include <gtest/gtest.h>

using namespace orb;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

NvmeHealthLog nvmeLog()
{
    NvmeHealthLog l;
    l.criticalWarning = 0;
    l.temperatureK = 310;
    l.availableSpare = 100;
    l.availableSpareThreshold = 10;
    l.percentageUsed = 3;
    l.dataUnitsRead = 1000000;  // 512 GB = 476.8 GiB
    l.dataUnitsWritten = 4194304; // 2 TiB + 1.6%
    l.hostReadCommands = 9876543;
    l.hostWriteCommands = 1234567;
    l.controllerBusyTime = 77;
    l.powerCycles = 512;
    l.powerOnHours = 4321;
    l.unsafeShutdowns = 29;
    l.mediaErrors = 0;
    l.errorLogEntries = 15;
    return l;
}

DiskDrive nvmeDrive()
{
    DiskDrive d;
    d.name = "nvme0n1";
    d.devicePath = "/dev/nvme0n1";
    d.model = "Samsung SSD 980 PRO 1TB";
    d.serial = "S5GXNF0R123456A";
    d.firmware = "5B2QGXA7";
    d.sizeBytes = 1000204886016;
    d.bus = DiskBus::Nvme;
    d.rotational = false;
    d.nvmeController = "nvme0";
    return d;
}

} // namespace

TEST(DiskHealthRows, nvmeLogGivesTheFourteenRows)
{
    DiskHealth h;
    h.nvme = nvmeLog();
    h.temperature = 40; // the log's own reading wins
    const QList<QPair<QString, QString>> expected{
        {"Available Spare (/Threshold)", "100% / 10%"},
        {"Data Units Read", "1,000,000 (477GB)"},
        {"Data Units Written", "4,194,304 (2.0TB)"},
        {"Host Read Commands", "9876543"},
        {"Host Write Commands", "1234567"},
        {"Percentage Used", "3"},
        {"Unsafe Shutdowns", "29"},
        {"Power Cycles", "512"},
        {"Power On Hours", "4321"},
        {"Device Temperature", "310K (36°C)"},
        {"Controller Busy Time", "77"},
        {"Media and Data Integrity Errors", "0"},
        {"Num of Error Info Log Entries", "15"},
        {"Critical Warning", "(No Warning)"}};
    EXPECT_EQ(Disk_MenuController::healthRows(h, kEnglish), expected);
}

TEST(DiskHealthRows, ataFromUDisksAndTemperatureAlone)
{
    UDisksDrive u;
    u.hasAta = true;
    u.smartSupported = true;
    u.smartEnabled = true;
    u.smartTemperatureK = 311.65;
    u.powerOnSeconds = 36000000;
    u.badSectors = 3;
    u.attributesFailing = 0;
    u.selfTestStatus = "success";
    UDisksDrive failing;
    failing.hasAta = failing.smartSupported = failing.smartEnabled = failing.smartFailing = true;
    UDisksDrive off;
    off.hasAta = off.smartSupported = true;
    DiskHealth healthy, failingWarm, switchedOff, nvmeOnly;
    healthy.udisks = u;
    failingWarm.udisks = failing;
    failingWarm.temperature = 37;
    switchedOff.udisks = off;
    nvmeOnly.temperature = 39;
    struct Case {
        const char *name;
        DiskHealth health;
        QList<QPair<QString, QString>> rows;
    };
    const std::vector<Case> cases{
        {"healthy ATA drive",
         healthy,
         {{"SMART Status", "OK"}, {"Device Temperature", "311K (38°C)"}, {"Power On Hours", "10000"},
          {"Bad Sectors", "3"}, {"Failing Attributes", "0"}, {"Last Self-test", "success"}}},
        {"failing drive without figures",
         failingWarm,
         {{"SMART Status", "Failing!"}, {"Device Temperature", "37°C"}}},
        {"SMART switched off", switchedOff, {{"SMART Status", "Disabled"}}},
        {"NVMe drive without the log", nvmeOnly, {{"Device Temperature", "39°C"}}},
        {"nothing known", DiskHealth{}, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Disk_MenuController::healthRows(c.health, kEnglish), c.rows);
    }
}

TEST(DiskHealthRows, criticalWarningBits)
{
    const struct {
        int64_t bits;
        const char *text;
    } cases[] = {{0, "(No Warning)"}, {4, "Warning! 00100b"}, {1, "Warning! 00001b"}, {0x25, "Warning! 100101b"}};
    for (const auto &c : cases)
        EXPECT_EQ(Disk_MenuController::criticalWarningText(c.bits), c.text) << c.bits;
}

TEST(DiskDetailView, namesSizeAndDescriptionsAsPlainText)
{
    DiskDrive d = nvmeDrive();
    EXPECT_EQ(Disk_MenuController::sizeText(d.sizeBytes, kEnglish), "1.00TB (1,000,204,886,016byte)");
    EXPECT_EQ(Disk_MenuController::descriptionLines(d),
              (QPair<QString, QString>{"Samsung SSD 980 PRO 1TB 5B2QGXA7", "NVMe SSD S5GXNF0R123456A"}));
    DiskDrive stick;
    stick.name = "sdc";
    stick.vendor = "<b>Evil</b> & Co";
    stick.model = "Stick";
    stick.bus = DiskBus::Usb;
    EXPECT_EQ(Disk_MenuController::descriptionLines(stick),
              (QPair<QString, QString>{"<b>Evil</b> & Co Stick", "USB"}));

    Disk_MenuController view;
    view.replaceBaseData(stick, QImage(), Qt::green, Qt::red, DiskHealth{}, kEnglish);
    const auto labels = view.findChildren<QLabel *>();
    bool found = false;
    for (const QLabel *l : labels) {
        if (l->text().contains("Evil")) {
            found = true;
            EXPECT_EQ(l->textFormat(), Qt::PlainText) << "a drive's texts are never markup";
        }
    }
    EXPECT_TRUE(found);
}

TEST(DiskDetailView, heightGrowsOnlyWithHealthRows)
{
    Disk_MenuController view;
    view.replaceBaseData(nvmeDrive(), QImage(), Qt::green, Qt::red, DiskHealth{}, kEnglish);
    EXPECT_EQ(view.height(), Disk_MenuController::kPlainHeight);
    EXPECT_TRUE(view.shownRows().isEmpty());
    DiskHealth h;
    h.nvme = nvmeLog();
    view.replaceBaseData(nvmeDrive(), QImage(), Qt::green, Qt::red, h, kEnglish);
    EXPECT_EQ(view.shownRows().size(), 14);
    EXPECT_GT(view.height(), Disk_MenuController::kPlainHeight + 14 * 8);
    view.replaceBaseData(nvmeDrive(), QImage(), Qt::green, Qt::red, DiskHealth{}, kEnglish);
    EXPECT_EQ(view.height(), Disk_MenuController::kPlainHeight) << "rows of an earlier reading are gone";
}

TEST(DiskDetailView, idleDriveIsDimmed)
{
    Disk_MenuController view;
    view.replaceBaseData(nvmeDrive(), QImage(), QColor(0, 200, 0), QColor(200, 0, 0), DiskHealth{}, kEnglish);
    DiskRW rw;
    rw.readActive = true;
    rw.readText = "2.1MB/s";
    rw.writeText = "0.0B/s";
    view.replaceDetailData(rw);
    EXPECT_EQ(view.readText(), "2.1MB/s");
    EXPECT_EQ(view.writeText(), "0.0B/s");
    // Wells: the colour at full strength when active, at 30 % when idle; labels at half.
    QList<int> wellAlpha;
    QList<double> labelAlpha;
    for (const QLabel *l : view.findChildren<QLabel *>()) {
        if (l->pixmap().width() == 10)
            wellAlpha.append(l->pixmap().toImage().pixelColor(5, 5).alpha());
        if (l->text() == "2.1MB/s" || l->text() == "0.0B/s")
            labelAlpha.append(l->palette().color(QPalette::WindowText).alphaF());
    }
    EXPECT_EQ(wellAlpha, (QList<int>{255, 77}));
    ASSERT_EQ(labelAlpha.size(), 2);
    EXPECT_DOUBLE_EQ(labelAlpha[0], 1.0);
    EXPECT_NEAR(labelAlpha[1], 0.5, 0.01);
}

TEST(DiskMenu, oneDetailViewPerDiskInNameOrder)
{
    test::ScopedHome home;
    OffscreenHost host;
    Disk_MenuModule m(nullptr);
    m.setMyDefaults({{"DiskItemSortArray", QVariantList{1}}, {"Disk_Display_Indicator", true},
                     {"Disk_ShowEachDisk", true}, {"Disk_GraphWidth", 30}, {"PrefName", "Disk"}});
    m.initDrawStatusBar(host);
    auto base = std::make_shared<DiskBase>();
    for (const char *n : {"sdb", "nvme0n1", "sda&b"}) {
        DiskDrive d;
        d.name = n;
        d.devicePath = QStringLiteral("/dev/") + n;
        base->drives.push_back(d);
    }
    SensorData data;
    DiskSample s;
    s.disks = {{"/dev/sdb", {0, 0}}, {"/dev/nvme0n1", {0, 0}}, {"/dev/sda&b", {0, 0}}};
    data.disk = History<DiskSample>().appended(s).appended(s);
    data.diskBase = base;
    m.setSensorData(data);

    QStringList titles;
    QList<int> tags;
    for (const QAction *a : m.statusMenu()->actions()) {
        if (qobject_cast<const QWidgetAction *>(a) && BaseMenuItems::tag(a) >= Disk_MenuModule::kFirstDiskTag) {
            titles.append(a->text());
            tags.append(BaseMenuItems::tag(a));
        }
    }
    EXPECT_EQ(titles, (QStringList{"nvme0n1", "sda&&b", "sdb"}));
    EXPECT_EQ(tags, (QList<int>{301, 302, 303}));

    // Health read for a drive shows in its view at the next redraw.
    DiskHealth h;
    h.temperature = 41;
    m.setHealth("sdb", h);
    m.menuWillOpen();
    const auto views = m.diskMenus();
    ASSERT_EQ(views.size(), 3);
    EXPECT_EQ(views[2]->nameText(), "sdb");
    EXPECT_EQ(views[2]->shownRows(), (QList<QPair<QString, QString>>{{"Device Temperature", "41°C"}}));
    EXPECT_TRUE(views[0]->shownRows().isEmpty());

    // A disk pulled: the menu gets one view fewer, and the gone drive's health is dropped.
    auto smaller = std::make_shared<DiskBase>(*base);
    smaller->drives.erase(smaller->drives.begin());
    data.diskBase = smaller;
    m.setSensorData(data);
    EXPECT_EQ(m.diskMenus().size(), 2);
    EXPECT_EQ(m.health().count("sdb"), 0u);
    m.menuDidClose();
}
