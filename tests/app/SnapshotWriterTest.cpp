// What `snapshot` writes for items that have something to show and items that have nothing yet.
#include "app/SnapshotWriter.h"
#include "platform/statusbar/StatusBarHost.h"

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orb;

namespace {

QImage wide(int pixelWidth, const QColor &colour)
{
    QImage image(pixelWidth, 40, QImage::Format_ARGB32);
    image.fill(colour);
    image.setDevicePixelRatio(2.0);
    return image;
}

TEST(SnapshotWriter, ItemsWithNothingToShowLeaveNoSlotAndNoSqueezedSquare)
{
    struct Case {
        const char *key;
        bool gaugeIcon;
        int imageWidth; // 0: no image
        double fraction; // below 0: no reading
        bool wideFile;
        bool compactFile;
    };
    const Case cases[] = {
        {"cpu", true, 100, -1.0, true, false},   // before its first reading
        {"memory", true, 60, 0.5, true, true},   // a reading
        {"network", true, 0, -1.0, false, false}, // nothing at all
        {"general", false, 40, -1.0, true, true}, // the program's icon
    };
    OffscreenHost host;
    std::vector<std::unique_ptr<StatusItemHost>> items;
    for (const Case &c : cases) {
        auto item = host.createItem(QString::fromLatin1(c.key));
        item->setGaugeIcon(c.gaugeIcon);
        if (c.imageWidth > 0)
            item->setImage(wide(c.imageWidth, Qt::darkGreen), false);
        TrayHeadline h;
        h.fraction = c.fraction;
        item->setHeadline(h);
        items.push_back(std::move(item));
    }
    QTemporaryDir dir;
    QString error;
    ASSERT_TRUE(SnapshotWriter::write(host, dir.path(), error)) << qPrintable(error);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.key);
        const QString key = QString::fromLatin1(c.key);
        EXPECT_EQ(QFileInfo::exists(dir.filePath(key + QStringLiteral(".png"))), c.wideFile);
        EXPECT_EQ(QFileInfo::exists(dir.filePath(key + QStringLiteral("-compact.png"))), c.compactFile);
    }
    // The bar holds the three images side by side, with no room kept for the fourth.
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("menubar.png"))).width(), 100 + 60 + 40);
}

} // namespace
