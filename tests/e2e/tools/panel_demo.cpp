// Drives the panel host with three synthetic items so the end-to-end test can check the strip
// on a real X server: placement, order, widths, colours and menus. Prints one line per fact.
#include "platform/statusbar/PanelColours.h"
#include "platform/statusbar/PanelHost.h"
#include "platform/statusbar/PanelWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

QImage itemImage(double widthPoints, double heightPoints, const QColor &colour)
{
    QImage image(qRound(widthPoints * 2), qRound(heightPoints * 2), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.fillRect(QRectF(0, 2, widthPoints, heightPoints - 4), colour);
    return image;
}

struct DemoItem {
    QString key;
    double width;
    QColor colour;
    bool isTemplate;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("artifacts"), QStringLiteral("Directory for screenshots."), QStringLiteral("dir")});
    parser.addOption({QStringLiteral("timeout"), QStringLiteral("Seconds before quitting."), QStringLiteral("s"),
                      QStringLiteral("60")});
    parser.process(app);
    const QString artifacts = parser.value(QStringLiteral("artifacts"));
    if (!artifacts.isEmpty())
        QDir().mkpath(artifacts);

    orb::PanelHost host;
    // Created out of order on purpose: the strip must still show cpu, memory, network.
    const std::vector<DemoItem> demo{{QStringLiteral("network"), 90, Qt::black, true},
                                     {QStringLiteral("cpu"), 60, QColor(220, 40, 40), false},
                                     {QStringLiteral("memory"), 30, QColor(40, 200, 60), false}};
    std::vector<std::unique_ptr<orb::StatusItemHost>> items;
    std::vector<std::unique_ptr<QMenu>> menus;
    const double height = host.menuBarHeight() - 2;

    auto grab = [&](const QString &file, const QRect &region) {
        if (artifacts.isEmpty())
            return QImage();
        QScreen *screen = QGuiApplication::primaryScreen();
        const QImage shot = screen->grabWindow(0, region.x(), region.y(), region.width(), region.height()).toImage();
        shot.save(artifacts + QLatin1Char('/') + file);
        return shot;
    };

    for (const DemoItem &d : demo) {
        auto item = host.createItem(d.key);
        auto menu = std::make_unique<QMenu>();
        menu->addAction(QStringLiteral("%1 details").arg(d.key));
        menu->addAction(QStringLiteral("Open %1 preferences…").arg(d.key));
        menu->addSeparator();
        menu->addAction(QStringLiteral("Quit"));
        QMenu *raw = menu.get();
        const QString key = d.key;
        QObject::connect(raw, &QMenu::aboutToShow, raw, [&, raw, key] {
            QTimer::singleShot(300, raw, [&, raw, key] {
                const QRect g = raw->geometry();
                say(QStringLiteral("menu-shown %1 %2 %3 %4 %5").arg(key).arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()));
                const QRect screen = QGuiApplication::primaryScreen()->geometry();
                grab(QStringLiteral("panel-menu.png"), QRect(screen.width() - 400, 0, 400, g.bottom() + 10));
            });
        });
        QObject::connect(raw, &QMenu::aboutToHide, raw, [key] { say(QStringLiteral("menu-hidden %1").arg(key)); });
        item->setMenu(raw);
        item->setToolTip(d.key, QStringLiteral("demo"));
        item->setImage(itemImage(d.width, height, d.colour), d.isTemplate);
        items.push_back(std::move(item));
        menus.push_back(std::move(menu));
    }

    QTimer::singleShot(700, &app, [&] {
        orb::PanelWindow *w = host.window();
        const QRect g = w->geometry();
        say(QStringLiteral("panel %1 %2 %3 %4").arg(g.x()).arg(g.y()).arg(g.width()).arg(g.height()));
        const QImage shot = grab(QStringLiteral("panel.png"), g);
        const QColor text = w->textColour(), back = w->backgroundColour();
        say(QStringLiteral("text %1 %2 %3").arg(text.red()).arg(text.green()).arg(text.blue()));
        if (!shot.isNull()) {
            const QColor edge = shot.pixelColor(1, g.height() / 2);
            say(QStringLiteral("background %1 %2 %3 contrast %4")
                    .arg(edge.red()).arg(edge.green()).arg(edge.blue())
                    .arg(orb::PanelColours::contrast(text, edge) >= orb::PanelColours::kMinimumContrast ? "ok" : "low"));
        }
        Q_UNUSED(back);
        for (orb::StatusItemHost *item : host.itemsInOrder()) {
            const QRectF cell = w->itemRect(item);
            const QPoint global = w->mapToGlobal(cell.topLeft().toPoint());
            say(QStringLiteral("item %1 %2 %3").arg(item->moduleKey()).arg(global.x()).arg(cell.width()));
            if (!shot.isNull()) {
                const QColor c = shot.pixelColor(cell.center().toPoint());
                say(QStringLiteral("pixel %1 %2 %3 %4").arg(item->moduleKey()).arg(c.red()).arg(c.green()).arg(c.blue()));
            }
        }
        say(QStringLiteral("ready"));
    });
    QTimer::singleShot(parser.value(QStringLiteral("timeout")).toInt() * 1000, &app, &QApplication::quit);
    return app.exec();
}
