// Builds the two reference themes (colours, fonts, label and menu images) and the
// application icon. Output is committed under resources/; rerun after changing the art:
//   cmake --build build --target orb-themegen && build/orb-themegen resources
#include "settings/PlistCodec.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include "toolkit/OrbImageCapture.h"

#include <functional>

namespace {

using Draw = std::function<void(QPainter &)>;

QImage render(int w, int h, const Draw &draw)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return image;
}

// Label glyphs: template images (only alpha counts), 9 x 20 points at 2 pixels per point.
// Each glyph sits in a 16 x 22 pixel box centred vertically; strokes are 2 px on the grid.
constexpr int kLabelW = 18, kLabelH = 40;
constexpr double kTop = 9, kBottom = 31; // glyph box rows

QPen stroke(double width = 2.0) { return QPen(Qt::black, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin); }

void cpu(QPainter &p)
{
    p.setPen(stroke());
    p.drawRect(QRectF(4, 13, 10, 14));
    p.fillRect(QRectF(7, 17, 4, 6), Qt::black);
    for (double y : {15.0, 19.0, 23.0}) {
        p.fillRect(QRectF(0, y, 3, 2), Qt::black);
        p.fillRect(QRectF(15, y, 3, 2), Qt::black);
    }
    for (double x : {6.0, 10.0}) {
        p.fillRect(QRectF(x, kTop, 2, 3), Qt::black);
        p.fillRect(QRectF(x, kBottom - 3, 2, 3), Qt::black);
    }
}

void memory(QPainter &p)
{
    // A memory module standing upright: outline, three chips, contact notch.
    p.setPen(stroke());
    p.drawRect(QRectF(4, kTop + 1, 10, kBottom - kTop - 2));
    for (double y : {12.0, 17.0, 22.0})
        p.fillRect(QRectF(7, y, 4, 3), Qt::black);
    p.fillRect(QRectF(2, 26, 2, 2), Qt::black);
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.fillRect(QRectF(3, 18, 2, 3), Qt::transparent);
}

void network(QPainter &p)
{
    // Upload arrow on the left, download arrow on the right.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({{0.5, 15}, {5, kTop}, {9.5, 15}}));
    p.fillRect(QRectF(4, 15, 2, kBottom - 15), Qt::black);
    p.drawPolygon(QPolygonF({{8.5, 25}, {13, kBottom}, {17.5, 25}}));
    p.fillRect(QRectF(12, kTop, 2, 25 - kTop), Qt::black);
}

void disk(QPainter &p)
{
    // A stack of platters.
    p.setPen(stroke());
    p.setBrush(Qt::NoBrush);
    const QRectF top(2, kTop + 1, 14, 5);
    p.drawEllipse(top);
    QPainterPath body;
    body.moveTo(2, kTop + 3.5);
    body.lineTo(2, kBottom - 3.5);
    body.arcTo(QRectF(2, kBottom - 6, 14, 5), 180, 180);
    body.lineTo(16, kTop + 3.5);
    p.drawPath(body);
    QPainterPath mid;
    mid.moveTo(2, 20);
    mid.arcTo(QRectF(2, 17.5, 14, 5), 180, 180);
    p.drawPath(mid);
}

void volume(QPainter &p)
{
    // A drive enclosure with its activity light.
    p.setPen(stroke());
    QPainterPath box;
    box.addRoundedRect(QRectF(2, 12, 14, 16), 2, 2);
    p.drawPath(box);
    p.drawLine(QPointF(2, 22), QPointF(16, 22));
    p.fillRect(QRectF(11, 24, 3, 2), Qt::black);
}

void temperature(QPainter &p)
{
    p.setPen(stroke());
    p.setBrush(Qt::NoBrush);
    QPainterPath tube;
    tube.moveTo(7, 23);
    tube.lineTo(7, kTop + 2);
    tube.arcTo(QRectF(7, kTop, 4, 4), 180, -180);
    tube.lineTo(11, 23);
    p.drawPath(tube);
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(9, 26), 4.5, 4.5);
    p.fillRect(QRectF(8, 15, 2, 9), Qt::black);
    p.fillRect(QRectF(13, 13, 3, 1.5), Qt::black);
    p.fillRect(QRectF(13, 17, 3, 1.5), Qt::black);
}

void fan(QPainter &p)
{
    // Three blades around a hub.
    const QPointF c(9, 20);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (int i = 0; i < 3; ++i) {
        p.save();
        p.translate(c);
        p.rotate(i * 120.0 + 15);
        QPainterPath blade;
        blade.moveTo(0, 0);
        blade.cubicTo(QPointF(-5.5, -3), QPointF(-4, -9), QPointF(0, -9));
        blade.cubicTo(QPointF(2.5, -9), QPointF(2.5, -4), QPointF(0, 0));
        p.drawPath(blade);
        p.restore();
    }
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.drawEllipse(c, 2.2, 2.2);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawEllipse(c, 1.2, 1.2);
}

void vnc(QPainter &p)
{
    // A display on its stand.
    p.setPen(stroke());
    p.drawRect(QRectF(1, 12, 16, 11));
    p.fillRect(QRectF(8, 23, 2, 3), Qt::black);
    p.fillRect(QRectF(4, 26, 10, 2), Qt::black);
}

void gpu(QPainter &p)
{
    // A graphics card: board with fan, bracket and slot contacts.
    p.setPen(stroke());
    p.drawRect(QRectF(3, 13, 14, 10));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(10, 18), 2.5, 2.5);
    p.fillRect(QRectF(0, 11, 2, 17), Qt::black);
    p.fillRect(QRectF(6, 24, 8, 2), Qt::black);
}

// Volume menu icons, 16 x 16 points at 2 px per point, drawn in a mid grey so they read on
// light and dark menus alike.
constexpr int kIcon = 32;

void pencil(QPainter &p, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.save();
    p.translate(16, 16);
    p.rotate(45);
    p.drawRect(QRectF(-3, -11, 6, 16));
    p.drawPolygon(QPolygonF({{-3, 6.5}, {3, 6.5}, {0, 12}}));
    p.restore();
}

void slash(QPainter &p, const QColor &c)
{
    p.setPen(QPen(c, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(27, 27));
}

void eject(QPainter &p, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygonF({{6, 18}, {16, 6}, {26, 18}}));
    p.drawRect(QRectF(6, 22, 20, 4));
}

void usb(QPainter &p, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    QPainterPath plug;
    plug.addRoundedRect(QRectF(9, 12, 14, 16), 2, 2);
    p.drawPath(plug);
    p.drawRect(QRectF(11, 4, 10, 8));
    p.setCompositionMode(QPainter::CompositionMode_Clear);
    p.drawRect(QRectF(13, 6, 2, 3));
    p.drawRect(QRectF(17, 6, 2, 3));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void fixedDrive(QPainter &p, const QColor &c)
{
    p.setPen(QPen(c, 2.5));
    p.setBrush(Qt::NoBrush);
    QPainterPath box;
    box.addRoundedRect(QRectF(4, 9, 24, 15), 3, 3);
    p.drawPath(box);
    p.setBrush(c);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(22, 16.5), 2, 2);
}

void unmountButton(QPainter &p, const QColor &c)
{
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QRectF(1, 1, 30, 30));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF({{9, 18}, {16, 9.5}, {23, 18}}));
    p.drawRect(QRectF(9, 20.5, 14, 3));
}

// The application icon: a round gauge with a coloured arc, 60 x 60 points at 2 px per point.
QImage appIcon(int size)
{
    return render(size, size, [size](QPainter &p) {
        const double s = size / 120.0;
        p.scale(s, s);
        QLinearGradient bg(0, 0, 0, 120);
        bg.setColorAt(0, QColor(52, 64, 84));
        bg.setColorAt(1, QColor(24, 30, 42));
        p.setPen(Qt::NoPen);
        p.setBrush(bg);
        p.drawRoundedRect(QRectF(6, 6, 108, 108), 24, 24);
        const QRectF arc(22, 24, 76, 76);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 50), 10, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(arc, -40 * 16, 260 * 16);
        QConicalGradient ramp(arc.center(), -40);
        ramp.setColorAt(0.0, QColor(235, 64, 52));
        ramp.setColorAt(0.35, QColor(245, 180, 40));
        ramp.setColorAt(0.72, QColor(60, 200, 100));
        p.setPen(QPen(QBrush(ramp), 10, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(arc, 60 * 16, 160 * 16);
        p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap));
        const QPointF c = arc.center();
        const double a = 60 * M_PI / 180;
        p.drawLine(c, c + QPointF(std::cos(a) * 30, -std::sin(a) * 30));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(c, 7, 7);
    });
}

// Battery images of the General item, 60 x 60 points at 2 px per point: a horizontal cell
// whose fill shows the charge in tenths ("batt00".."batt10"), the cell without a reading
// ("battnn"), and overlays drawn over them: a plug while on the charger but not charging
// ("battc0".."battc3") and a bolt while charging ("battb0".."battb4"), each frame a step of
// a slow pulse; frame 4 of the bolt (and 3 of the plug) is the steady symbol.
constexpr int kBatt = 120;
const QRectF kCell(8, 32, 96, 56);
const QRectF kInside(17, 41, 78, 38);
const QColor kCellLine(140, 140, 146);

void battCell(QPainter &p)
{
    p.setPen(QPen(kCellLine, 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(kCell, 12, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(kCellLine);
    p.drawRoundedRect(QRectF(106, 50, 9, 20), 3, 3);
}

QImage battLevel(int tenths)
{
    return render(kBatt, kBatt, [tenths](QPainter &p) {
        battCell(p);
        // Empty still shows a red sliver, so "almost nothing" never looks like "no reading".
        const double w = tenths == 0 ? 5.0 : kInside.width() * tenths / 10.0;
        const QColor fill = tenths <= 1 ? QColor(230, 56, 54) : tenths == 2 ? QColor(245, 160, 30) : QColor(52, 180, 84);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(kInside.left(), kInside.top(), w, kInside.height()), 5, 5);
    });
}

QImage battUnknown()
{
    return render(kBatt, kBatt, [](QPainter &p) {
        battCell(p);
        p.setPen(QPen(kCellLine, 7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath q;
        q.moveTo(46, 52);
        q.cubicTo(46, 38, 66, 38, 66, 50);
        q.cubicTo(66, 58, 56, 58, 56, 66);
        p.drawPath(q);
        p.setPen(Qt::NoPen);
        p.setBrush(kCellLine);
        p.drawEllipse(QPointF(56, 76), 4.5, 4.5);
    });
}

// A symbol in the middle of the cell: white with a dark rim so it reads over any fill.
QImage battSymbol(const QPainterPath &shape, double opacity)
{
    return render(kBatt, kBatt, [&](QPainter &p) {
        p.setOpacity(opacity);
        p.setPen(QPen(QColor(0, 0, 0, 170), 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawPath(shape);
    });
}

QPainterPath bolt()
{
    QPainterPath b;
    b.addPolygon(QPolygonF({{62, 30}, {40, 64}, {55, 64}, {50, 90}, {74, 54}, {59, 54}, {62, 30}}));
    return b;
}

QPainterPath plug()
{
    QPainterPath c;
    c.addRoundedRect(QRectF(42, 48, 28, 22), 5, 5);
    c.addRect(QRectF(47, 36, 5, 13));
    c.addRect(QRectF(60, 36, 5, 13));
    c.addRect(QRectF(53.5, 69, 5, 14));
    c.setFillRule(Qt::WindingFill);
    return c.simplified();
}

QVariantList rgba(double r, double g, double b, double a = 1.0) { return {r, g, b, a}; }

QVariantMap colours(bool dark)
{
    // Text and frames follow the panel: near-black on light panels, near-white on dark ones.
    const QVariantList text = dark ? rgba(1, 1, 1, 0.9) : rgba(0, 0, 0, 0.85);
    const QVariantList frame = dark ? rgba(1, 1, 1, 0.6) : rgba(0, 0, 0, 0.55);
    const QVariantList trough = dark ? rgba(1, 1, 1, 0.12) : rgba(0, 0, 0, 0.08);
    const QVariantList idle = dark ? rgba(1, 1, 1, 0.10) : rgba(0, 0, 0, 0.06);
    // Hues are a shade brighter on dark panels so they keep their contrast.
    auto hue = [dark](double r, double g, double b, double a = 1.0) {
        if (!dark)
            return rgba(r, g, b, a);
        return rgba(r + (1 - r) * 0.25, g + (1 - g) * 0.25, b + (1 - b) * 0.25, a);
    };
    const QVariantList blue = hue(0.16, 0.47, 0.92), red = hue(0.90, 0.22, 0.21), orange = hue(0.96, 0.60, 0.08),
                       green = hue(0.20, 0.68, 0.33), purple = hue(0.58, 0.36, 0.86), teal = hue(0.10, 0.65, 0.72);
    QVariantMap c{
        {"A01", blue}, {"A02", red}, {"A03", purple}, {"A04", idle}, {"A05", frame}, {"A06", frame},
        {"A07", text}, {"A08", teal}, {"A09", orange}, {"A10", hue(0.16, 0.47, 0.92, 0.65)},
        {"B01", red}, {"B02", orange}, {"B03", blue}, {"B04", idle}, {"B05", text},
        {"B06", dark ? rgba(1, 1, 1, 0.65) : rgba(0, 0, 0, 0.6)}, {"B07", frame}, {"B08", frame}, {"B09", orange},
        {"B10", purple},
        {"C01", red}, {"C02", blue}, {"C03", frame}, {"C04", trough}, {"C05", green}, {"C06", orange},
        {"D01", green}, {"D02", red}, {"D03", frame}, {"D04", trough},
        {"E01", blue}, {"E02", trough}, {"E03", frame}, {"E04", frame}, {"E05", green}, {"E06", orange},
        {"E07", red},
        {"F01", green}, {"F02", orange}, {"F03", red}, {"F04", text},
        {"G01", green}, {"G02", orange}, {"G03", red}, {"G04", text},
        {"H01", green}, {"H02", orange}, {"H03", red}, {"H04", frame}, {"H05", frame},
        // Shadow lifts text off the panel: a light halo on light panels, a dark one on dark.
        {"Z01", dark ? rgba(0, 0, 0, 0.55) : rgba(1, 1, 1, 0.55)},
        {"Z03", dark ? rgba(1, 1, 1, 0.25) : rgba(0, 0, 0, 0.2)},
    };
    return c;
}

QVariantMap images()
{
    const std::pair<const char *, void (*)(QPainter &)> labels[] = {
        {"L01", cpu}, {"L02", memory}, {"L03", network}, {"L04", disk}, {"L05", volume},
        {"L06", temperature}, {"L07", fan}, {"L08", vnc}, {"L09", gpu}};
    QVariantMap m;
    for (const auto &[key, draw] : labels)
        m.insert(key, orb::OrbImageCapture::pngData(render(kLabelW, kLabelH, draw)));
    const QColor grey(128, 128, 134);
    const QColor dim(128, 128, 134, 110);
    const std::pair<const char *, Draw> icons[] = {
        {"M01", [&](QPainter &p) { pencil(p, grey); }},
        {"M02", [&](QPainter &p) { pencil(p, dim); slash(p, grey); }},
        {"M03", [&](QPainter &p) { eject(p, grey); }},
        {"M04", [&](QPainter &p) { eject(p, dim); slash(p, grey); }},
        {"M05", [&](QPainter &p) { usb(p, grey); }},
        {"M06", [&](QPainter &p) { fixedDrive(p, grey); }},
        {"M12", [&](QPainter &p) { unmountButton(p, grey); }},
        {"M11", [&](QPainter &p) { fixedDrive(p, grey); }},
    };
    for (const auto &[key, draw] : icons)
        m.insert(key, orb::OrbImageCapture::pngData(render(kIcon, kIcon, draw)));
    // Menu and item icons: the application's own; at run time the desktop's icons replace them.
    const QByteArray app = orb::OrbImageCapture::pngData(appIcon(120));
    for (const char *key : {"N01", "N03", "O01", "O02", "O11", "O12", "O13", "O21", "O22", "O31", "O32", "O41", "O42"})
        m.insert(key, app);
    return m;
}

QVariantMap theme(bool dark)
{
    QVariantMap t = colours(dark);
    t.insert(images());
    t.insert("_Name", dark ? "Orbmeter Dark" : "Orbmeter Light");
    t.insert("_Author", "Orbmeter");
    t.insert("_Credit", "Reference theme shipped with Orbmeter");
    t.insert("_ForDarkAppearance", dark);
    t.insert("_AlternativeTheme", dark ? "_light_theme.plist" : "_dark_theme.plist");
    t.insert("_FontName", "DejaVu Sans Mono");
    t.insert("_FontStyle", "Bold");
    t.insert("_FontPostScriptName", "DejaVuSansMono-Bold");
    t.insert("_FontAdjust", qint64(0));
    t.insert("_FontSizeDiff", qint64(0));
    return t;
}

bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("wrote %s (%lld bytes)\n", qPrintable(path), static_cast<long long>(bytes.size()));
    return true;
}

// A look at both themes: labels (tinted as templates) and every colour on the panel they
// are made for, at 1x and zoomed 3x.
bool preview(const QString &root, const QString &out)
{
    const int W = 1000, H = 760;
    QImage sheet(W, H, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    int y0 = 0;
    for (const char *name : {"_light_theme", "_dark_theme"}) {
        QFile f(root + "/themes/" + name + ".plist");
        if (!f.open(QIODevice::ReadOnly))
            return false;
        const QVariantMap t = orb::PlistCodec::parse(f.readAll()).value_or(QVariant()).toMap();
        const bool dark = t.value("_ForDarkAppearance").toBool();
        p.fillRect(QRect(0, y0, W, H / 2), dark ? QColor(40, 40, 44) : QColor(236, 236, 236));
        const QVariantList tc = t.value("A07").toList();
        const QColor text = QColor::fromRgbF(tc[0].toFloat(), tc[1].toFloat(), tc[2].toFloat(), tc[3].toFloat());
        int x = 10;
        for (int i = 1; i <= 9; ++i) {
            QImage label = QImage::fromData(t.value(QString("L0%1").arg(i)).toByteArray())
                               .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            QPainter lp(&label);
            lp.setCompositionMode(QPainter::CompositionMode_SourceIn);
            lp.fillRect(label.rect(), text);
            lp.end();
            p.drawImage(QPoint(x, y0 + 10), label);
            p.drawImage(QRect(x, y0 + 60, label.width() * 3, label.height() * 3), label);
            x += 70;
        }
        int ix = 660, iy = y0 + 10;
        for (const char *k : {"M01", "M02", "M03", "M04", "M05", "M06", "M11", "M12", "N01"}) {
            const QImage icon = QImage::fromData(t.value(k).toByteArray());
            p.drawImage(QRect(ix, iy, 64, 64), icon);
            ix += 70;
            if (ix > W - 64) {
                ix = 660;
                iy += 70;
            }
        }
        int sx = 10, sy = y0 + 230;
        for (auto it = t.constBegin(); it != t.constEnd(); ++it) {
            if (it.value().typeId() != QMetaType::QVariantList)
                continue;
            const QVariantList c = it.value().toList();
            p.fillRect(QRect(sx, sy, 30, 18),
                       QColor::fromRgbF(c[0].toFloat(), c[1].toFloat(), c[2].toFloat(), c[3].toFloat()));
            p.setPen(text);
            p.setFont(QFont("DejaVu Sans Mono", 8));
            p.drawText(QPoint(sx + 34, sy + 13), it.key());
            sx += 70;
            if (sx > 560) {
                sx = 10;
                sy += 24;
            }
        }
        y0 += H / 2;
    }
    p.end();
    return sheet.save(out);
}

bool writeBatteryImages(const QString &dir)
{
    QDir().mkpath(dir);
    bool ok = true;
    auto save = [&](const QString &name, const QImage &image) {
        ok = write(dir + "/" + name + ".png", orb::OrbImageCapture::pngData(image)) && ok;
    };
    for (int t = 0; t <= 10; ++t)
        save(QString::asprintf("batt%02d", t), battLevel(t));
    save("battnn", battUnknown());
    for (int n = 0; n <= 4; ++n)
        save(QString("battb%1").arg(n), battSymbol(bolt(), 0.4 + 0.15 * n));
    for (int n = 0; n <= 3; ++n)
        save(QString("battc%1").arg(n), battSymbol(plug(), 0.55 + 0.15 * n));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources");
    if (argc > 3 && QByteArray(argv[2]) == "--preview")
        return preview(root, QString::fromLocal8Bit(argv[3])) ? 0 : 1;
    QDir().mkpath(root + "/themes");
    QDir().mkpath(root + "/icons");
    bool ok = write(root + "/themes/_light_theme.plist", orb::PlistCodec::toXml(theme(false)));
    ok = write(root + "/themes/_dark_theme.plist", orb::PlistCodec::toXml(theme(true))) && ok;
    ok = write(root + "/icons/orbmeter.png", orb::OrbImageCapture::pngData(appIcon(256))) && ok;
    ok = writeBatteryImages(root + "/icons/battery") && ok;
    return ok ? 0 : 1;
}
