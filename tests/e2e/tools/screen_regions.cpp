// Compares two screenshots and prints what appeared or changed between them, one line per
// region: "box X Y W H" (8-connected changed pixels, regions closer than 3 pixels joined),
// left to right. The desktop tests find tray icons and menus this way without knowing how a
// host draws. Usage: screen_regions BEFORE AFTER [X Y W H] [--min-area N]
//        screen_regions colour FILE X Y          (prints "colour R G B")
//        screen_regions contrast FILE X Y W H    (prints "contrast C": the highest contrast
//        ratio of any pixel in the area against the area's most common colour)
//        screen_regions foreground FILE X Y W H  (boxes of what differs from the area's most
//        common colour, as for two screenshots)
//        screen_regions tiles FILE X Y W H       (boxes of Orbmeter's compact icons, found by
//        the colour of their rim; trays draw them at the pixel size sent, so it stays exact)
//        screen_regions appeared BEFORE AFTER X Y W H  (boxes of what changed in the area,
//        less those whose new pixels BEFORE drew elsewhere in it: a host's own icon that only
//        moved aside for new ones is left out)
#include "platform/statusbar/CompactIcon.h"

#include <QGuiApplication>
#include <QHash>
#include <cmath>
#include <QImage>
#include <QRect>
#include <QStringList>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool differs(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 24;
}

double luminance(QRgb c)
{
    const auto ch = [](int v) {
        const double f = v / 255.0;
        return f <= 0.03928 ? f / 12.92 : std::pow((f + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * ch(qRed(c)) + 0.7152 * ch(qGreen(c)) + 0.0722 * ch(qBlue(c));
}

int usage()
{
    std::fprintf(stderr, "usage: screen_regions BEFORE AFTER [X Y W H] [--min-area N]\n"
                         "       screen_regions colour FILE X Y\n");
    return 2;
}

QRgb dominant(const QImage &image, const QRect &area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb colour = 0;
    int most = 0;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() > most) {
            most = it.value();
            colour = it.key();
        }
    return colour;
}

// Regions of pixels that differ between the two images inside `area`: 8-connected, regions
// closer than 3 pixels joined, those of fewer than `minArea` pixels dropped.
std::vector<QRect> changedRegions(const QImage &before, const QImage &after, const QRect &area, int minArea)
{
    const int w = area.width(), h = area.height();
    std::vector<char> changed(static_cast<size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            changed[static_cast<size_t>(y) * w + x] =
                differs(before.pixel(area.x() + x, area.y() + y), after.pixel(area.x() + x, area.y() + y));

    std::vector<char> seen(changed.size(), 0);
    std::vector<QRect> boxes;
    std::vector<int> stack;
    constexpr int kJoin = 3;
    for (int start = 0; start < w * h; ++start) {
        if (!changed[start] || seen[start])
            continue;
        QRect box(start % w, start / w, 1, 1);
        int count = 0;
        stack.assign(1, start);
        seen[start] = 1;
        while (!stack.empty()) {
            const int at = stack.back();
            stack.pop_back();
            ++count;
            const int x = at % w, y = at / w;
            box = box.united(QRect(x, y, 1, 1));
            for (int dy = -kJoin; dy <= kJoin; ++dy)
                for (int dx = -kJoin; dx <= kJoin; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= w || ny >= h)
                        continue;
                    const int n = ny * w + nx;
                    if (changed[n] && !seen[n]) {
                        seen[n] = 1;
                        stack.push_back(n);
                    }
                }
        }
        if (count >= minArea)
            boxes.push_back(box.translated(area.topLeft()));
    }
    return boxes;
}

// Whether the pixels of `box` in `after` are drawn somewhere inside `area` of `before`
// (all but a few pixels alike).
bool drawnIn(const QImage &before, const QRect &area, const QImage &after, const QRect &box)
{
    const int allowed = box.width() * box.height() / 50;
    for (int y = area.top(); y + box.height() <= area.bottom() + 1; ++y)
        for (int x = area.left(); x + box.width() <= area.right() + 1; ++x) {
            int misses = 0;
            for (int dy = 0; dy < box.height() && misses <= allowed; ++dy)
                for (int dx = 0; dx < box.width() && misses <= allowed; ++dx)
                    misses += differs(before.pixel(x + dx, y + dy), after.pixel(box.x() + dx, box.y() + dy));
            if (misses <= allowed)
                return true;
        }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args[0] == QLatin1String("colour")) {
        const QImage image(args[1]);
        const QPoint at(args[2].toInt(), args[3].toInt());
        if (image.isNull() || !image.rect().contains(at))
            return usage();
        const QRgb px = image.pixel(at);
        std::printf("colour %d %d %d\n", qRed(px), qGreen(px), qBlue(px));
        return 0;
    }
    if (args.size() == 6 && args[0] == QLatin1String("contrast")) {
        const QImage image = QImage(args[1]).convertToFormat(QImage::Format_RGB32);
        const QRect area =
            QRect(args[2].toInt(), args[3].toInt(), args[4].toInt(), args[5].toInt()).intersected(image.rect());
        if (area.isEmpty())
            return usage();
        QHash<QRgb, int> counts;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                ++counts[image.pixel(x, y)];
        QRgb background = 0;
        int most = 0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            if (it.value() > most) {
                most = it.value();
                background = it.key();
            }
        const double lb = luminance(background);
        double best = 1.0;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            const double l = luminance(it.key());
            best = std::max(best, (std::max(l, lb) + 0.05) / (std::min(l, lb) + 0.05));
        }
        std::printf("contrast %.2f background %d %d %d\n", best, qRed(background), qGreen(background), qBlue(background));
        return 0;
    }
    int minArea = 12;
    if (const qsizetype i = args.indexOf(QStringLiteral("--min-area")); i >= 0 && i + 1 < args.size()) {
        minArea = args[i + 1].toInt();
        args.remove(i, 2);
    }
    if (args.size() == 7 && args[0] == QLatin1String("appeared")) {
        const QImage before = QImage(args[1]).convertToFormat(QImage::Format_RGB32);
        const QImage after = QImage(args[2]).convertToFormat(QImage::Format_RGB32);
        if (before.isNull() || before.size() != after.size())
            return usage();
        const QRect area =
            QRect(args[3].toInt(), args[4].toInt(), args[5].toInt(), args[6].toInt()).intersected(after.rect());
        if (area.isEmpty())
            return usage();
        // What changed, less what only moved: a box whose new pixels were drawn elsewhere before.
        std::vector<QRect> boxes = changedRegions(before, after, area, minArea);
        std::sort(boxes.begin(), boxes.end(), [](const QRect &a, const QRect &b) { return a.x() < b.x(); });
        for (const QRect &b : boxes) {
            if (drawnIn(before, area, after, b))
                continue;
            std::printf("box %d %d %d %d\n", b.x(), b.y(), b.width(), b.height());
        }
        return 0;
    }
    QImage before, after;
    if (args.size() == 6 && args[0] == QLatin1String("tiles")) {
        // Rim pixels against an image of anything else: only they count as changed.
        after = QImage(args[1]).convertToFormat(QImage::Format_RGB32);
        const QRgb rim = orb::CompactIcon::rimColour().rgb();
        before = after.copy();
        for (int y = 0; y < after.height(); ++y)
            for (int x = 0; x < after.width(); ++x) {
                const QRgb px = after.pixel(x, y);
                const bool isRim = std::abs(qRed(px) - qRed(rim)) + std::abs(qGreen(px) - qGreen(rim))
                        + std::abs(qBlue(px) - qBlue(rim)) <= 18;
                before.setPixel(x, y, isRim ? qRgb(0, 0, 0) : px);
                after.setPixel(x, y, isRim ? qRgb(255, 255, 255) : px);
            }
        args[0] = args[1];
    } else if (args.size() == 6 && args[0] == QLatin1String("foreground")) {
        // Against a plain image of the area's most common colour.
        after = QImage(args[1]).convertToFormat(QImage::Format_RGB32);
        const QRect area = QRect(args[2].toInt(), args[3].toInt(), args[4].toInt(), args[5].toInt()).intersected(after.rect());
        if (area.isEmpty())
            return usage();
        before = QImage(after.size(), QImage::Format_RGB32);
        before.fill(dominant(after, area));
        args[0] = args[1];
    } else {
        if (args.size() != 2 && args.size() != 6)
            return usage();
        before = QImage(args[0]).convertToFormat(QImage::Format_RGB32);
        after = QImage(args[1]).convertToFormat(QImage::Format_RGB32);
    }
    if (before.isNull() || after.isNull() || before.size() != after.size()) {
        std::fprintf(stderr, "screen_regions: cannot read two screenshots of one size\n");
        return 1;
    }
    QRect area = after.rect();
    if (args.size() == 6)
        area = QRect(args[2].toInt(), args[3].toInt(), args[4].toInt(), args[5].toInt()).intersected(after.rect());

    std::vector<QRect> boxes = changedRegions(before, after, area, minArea);
    std::sort(boxes.begin(), boxes.end(), [](const QRect &a, const QRect &b) { return a.x() < b.x(); });
    for (const QRect &b : boxes)
        std::printf("box %d %d %d %d\n", b.x(), b.y(), b.width(), b.height());
    return 0;
}
