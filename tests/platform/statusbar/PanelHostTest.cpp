// The panel strip's layout and drawing, rendered off screen.
#include "platform/statusbar/PanelHost.h"
#include "platform/statusbar/PanelWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>
#include <QtTest/QTest>
#include <gtest/gtest.h>

using namespace orb;

namespace {

QImage itemImage(int widthPoints, const QColor &colour)
{
    QImage image(widthPoints * 2, 44, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    image.setDevicePixelRatio(2.0);
    return image;
}

TEST(PanelHostTest, ItemsSitLeftToRightInTheFixedOrderRightAlignedAtTheTop)
{
    PanelHost host;
    EXPECT_EQ(host.menuBarHeight(), 24.0);
    auto volume = host.createItem(QStringLiteral("volume"));
    auto cpu = host.createItem(QStringLiteral("cpu"));
    auto temp = host.createItem(QStringLiteral("temp"));
    volume->setImage(itemImage(50, Qt::blue), false);
    cpu->setImage(itemImage(70, Qt::red), false);
    temp->setImage(itemImage(21, Qt::green), false);

    PanelWindow *w = host.window();
    struct Row {
        StatusItemHost *item;
        double x, width;
    };
    // 4 margin, then cpu 70, temp 21, volume 50 with 4 between.
    const Row rows[] = {{cpu.get(), 4, 70}, {temp.get(), 78, 21}, {volume.get(), 103, 50}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.item->moduleKey().toStdString());
        EXPECT_EQ(w->itemRect(row.item), QRectF(row.x, 0, row.width, 24));
        EXPECT_EQ(w->itemAt(QPointF(row.x + 1, 12)), row.item);
    }
    EXPECT_EQ(w->contentWidth(), 157.0);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(w->geometry(), QRect(screen.right() + 1 - 157, screen.top(), 157, 24));
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->itemAt(QPointF(76, 12)), nullptr); // the gap between cpu and temp

    // The menu opens under the item's left edge.
    EXPECT_EQ(host.menuPosition(temp.get()), w->mapToGlobal(QPoint(78, 24)));

    // A wider image moves its right-hand neighbours; removing an item closes the gap.
    temp->setImage(itemImage(31, Qt::green), false);
    EXPECT_EQ(w->itemRect(volume.get()).left(), 113.0);
    EXPECT_EQ(w->width(), 167);
    temp.reset();
    EXPECT_EQ(w->itemRect(volume.get()).left(), 78.0);
    cpu.reset();
    volume.reset();
    EXPECT_FALSE(w->isVisible()); // nothing left to show
}

// An item with nothing to show yet (no network files, no first sample) takes no room in the
// strip, not even the spacing; once it has an image it sits in its place.
TEST(PanelHostTest, AnItemWithoutAnImageLeavesNoSlotUntilItHasOne)
{
    PanelHost host;
    auto general = host.createItem(QStringLiteral("general"));
    auto network = host.createItem(QStringLiteral("network"));
    auto cpu = host.createItem(QStringLiteral("cpu"));
    cpu->setImage(itemImage(70, Qt::red), false);
    general->setImage(itemImage(20, Qt::gray), false);
    network->setImage(QImage(), false);
    PanelWindow *w = host.window();
    EXPECT_TRUE(w->itemRect(network.get()).isEmpty());
    EXPECT_EQ(w->itemRect(general.get()).left(), 78.0);
    EXPECT_EQ(w->contentWidth(), 4 + 70 + 4 + 20 + 4.0);
    EXPECT_EQ(w->itemAt(QPointF(76, 12)), nullptr);

    network->setImage(itemImage(30, Qt::blue), false);
    EXPECT_EQ(w->itemRect(network.get()), QRectF(78, 0, 30, 24));
    EXPECT_EQ(w->itemRect(general.get()).left(), 112.0);
    EXPECT_EQ(w->width(), 4 + 70 + 4 + 30 + 4 + 20 + 4);
}

TEST(PanelHostTest, DrawsImagesOnTheDarkStripWithTemplatesInTheTextColourAndTheOpenItemHighlighted)
{
    PanelHost host;
    auto cpu = host.createItem(QStringLiteral("cpu"));
    auto memory = host.createItem(QStringLiteral("memory"));
    QImage shape(40, 20, QImage::Format_ARGB32_Premultiplied); // 20 x 10 points, centred vertically
    shape.fill(Qt::black);
    shape.setDevicePixelRatio(2.0);
    cpu->setImage(itemImage(30, QColor(200, 30, 30)), false);
    memory->setImage(shape, true);
    QMenu menu;
    menu.addAction(QStringLiteral("Memory"));
    memory->setMenu(&menu);

    PanelWindow *w = host.window();
    QImage shot = w->grab().toImage();
    const QRectF m = w->itemRect(memory.get());
    EXPECT_EQ(shot.pixelColor(10, 12), QColor(200, 30, 30));
    EXPECT_EQ(shot.pixelColor(int(m.left()) + 5, 12), w->textColour());
    EXPECT_EQ(shot.pixelColor(int(m.left()) + 5, 3), w->backgroundColour());
    EXPECT_EQ(shot.pixelColor(1, 12), w->backgroundColour());

    memory->popUpMenu();
    ASSERT_TRUE(menu.isVisible());
    // Directly under the strip; moved left only as far as the screen edge needs.
    const QPoint under = host.menuPosition(memory.get());
    EXPECT_EQ(menu.y(), under.y());
    EXPECT_LE(menu.x(), under.x());
    EXPECT_EQ(menu.geometry().right(), std::min(QGuiApplication::primaryScreen()->geometry().right(),
                                                  under.x() + menu.width() - 1));
    shot = w->grab().toImage();
    EXPECT_EQ(shot.pixelColor(int(m.left()) + 5, 4), w->highlightColour());
    EXPECT_EQ(shot.pixelColor(int(m.left()) + 5, 12), w->textColour());
    memory->popUpMenu(); // a second click closes
    EXPECT_FALSE(menu.isVisible());
    shot = w->grab().toImage();
    EXPECT_EQ(shot.pixelColor(int(m.left()) + 5, 4), w->backgroundColour());
}

// Records the areas the strip repaints.
class PaintSpy : public QObject {
public:
    QRegion painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }
};

TEST(PanelHostTest, ANewImageOfTheSameWidthRepaintsOnlyThatItem)
{
    PanelHost host;
    auto cpu = host.createItem(QStringLiteral("cpu"));
    auto disk = host.createItem(QStringLiteral("disk"));
    cpu->setImage(itemImage(40, Qt::red), false);
    disk->setImage(itemImage(40, Qt::blue), false);
    PanelWindow *w = host.window();
    QCoreApplication::processEvents();
    PaintSpy spy;
    w->installEventFilter(&spy);

    disk->setImage(itemImage(40, Qt::yellow), false);
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.painted, QRegion(w->itemRect(disk.get()).toAlignedRect()));

    spy.painted = QRegion();
    disk->setImage(itemImage(44, Qt::yellow), false); // wider: everything moves
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.painted, QRegion(w->rect()));
    w->removeEventFilter(&spy);
}

} // namespace

TEST(PanelHostTest, ToolTipsShowNamesAsTextAndTheFullerFiguresOfTheHeadline)
{
    PanelHost host;
    auto general = host.createItem(QStringLiteral("general"));
    general->setImage(itemImage(18, Qt::blue), false);
    const auto plain = [](const QString &html) {
        QTextDocument doc;
        doc.setHtml(html);
        QString text = doc.toPlainText();
        text.replace(QChar::LineSeparator, QLatin1Char('\n')).replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        return text;
    };
    const auto boldAt = [](const QString &html, const QString &what) {
        QTextDocument doc;
        doc.setHtml(html);
        const QTextCursor found = doc.find(what);
        return !found.isNull() && found.charFormat().fontWeight() >= QFont::Bold;
    };
    struct Case {
        const char *name;
        QString title, text, headline;
        QString shown; // as the reader sees it; empty: no tool tip
    };
    const Case cases[] = {
        {"a device named like markup", "Orbmeter", "<b>Mouse</b> 40%\na & b", {}, "Orbmeter\n<b>Mouse</b> 40%\na & b"},
        {"the headline's figures win", "CPU", "23%", "User 20%\nSystem 3%", "CPU\nUser 20%\nSystem 3%"},
        {"a title like markup", "<i>x</i>", "", {}, "<i>x</i>"},
        {"nothing to say", "", "", {}, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TrayHeadline h;
        h.toolTip = c.headline;
        general->setHeadline(h);
        general->setToolTip(c.title, c.text);
        const QString html = PanelWindow::toolTipHtml(*general);
        EXPECT_EQ(html.isEmpty(), c.shown.isEmpty());
        if (html.isEmpty())
            continue;
        EXPECT_EQ(plain(html), c.shown);
        EXPECT_TRUE(boldAt(html, c.title)) << "the title stands out";
    }
    general->setHeadline({});
    general->setToolTip("Orbmeter", "<b>Mouse</b> 40%");
    EXPECT_FALSE(boldAt(PanelWindow::toolTipHtml(*general), "Mouse"));

    // Hovering the item shows it; hovering the margin shows nothing.
    PanelWindow *w = host.window();
    const QRectF cell = w->itemRect(general.get());
    ASSERT_FALSE(cell.isEmpty());
    const QPoint inside = cell.center().toPoint();
    QHelpEvent over(QEvent::ToolTip, inside, w->mapToGlobal(inside));
    QCoreApplication::sendEvent(w, &over);
    EXPECT_EQ(plain(QToolTip::text()), "Orbmeter\n<b>Mouse</b> 40%");
    QHelpEvent margin(QEvent::ToolTip, QPoint(1, 1), w->mapToGlobal(QPoint(1, 1)));
    QCoreApplication::sendEvent(w, &margin);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000)); // tool tips fade out
}
