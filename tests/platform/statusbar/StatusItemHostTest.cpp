#include "platform/statusbar/StatusBarHost.h"
#include "platform/statusbar/StatusItemHost.h"

#include <QImage>
#include <gtest/gtest.h>
#include <cstring>
#include <vector>

using namespace orb;

namespace {

QImage striped(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 7 % 256, y * 13 % 256, (x + y) % 256, 255));
    return image;
}

} // namespace

// The host hears of an image only when its pixels or its template flag changed: the same
// pixels in another buffer (rows padded differently, even) are no change, one pixel is.
TEST(StatusItemHost, OnlyChangedPixelsReachTheHost)
{
    OffscreenHost host;
    std::unique_ptr<StatusItemHost> item = host.createItem(QStringLiteral("cpu"));
    int changes = 0;
    QObject::connect(item.get(), &StatusItemHost::imageChanged, [&] { ++changes; });

    const QImage first = striped(30, 20);
    item->setImage(first, false);
    ASSERT_EQ(changes, 1);
    item->setImage(first.copy(), false);
    EXPECT_EQ(changes, 1) << "the same pixels, drawn again";

    // The same picture in a buffer whose rows are padded with bytes that differ.
    std::vector<uchar> padded(std::size_t(20) * (30 * 4 + 12), 0xAB);
    for (int y = 0; y < 20; ++y)
        std::memcpy(padded.data() + std::size_t(y) * (30 * 4 + 12), first.constScanLine(y), 30 * 4);
    const QImage wide(padded.data(), 30, 20, 30 * 4 + 12, QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(StatusItemHost::pixelHash(wide), StatusItemHost::pixelHash(first));
    item->setImage(wide, false);
    EXPECT_EQ(changes, 1) << "the same pixels, rows padded";

    QImage oneOff = first.copy();
    oneOff.setPixel(29, 19, qRgba(0, 0, 0, 0));
    item->setImage(oneOff, false);
    EXPECT_EQ(changes, 2) << "the last pixel changed";
    item->setImage(oneOff, true);
    EXPECT_EQ(changes, 3) << "now a template";
    item->setImage(striped(20, 30), true);
    EXPECT_EQ(changes, 4) << "another size";
    item->setImage(QImage(), true);
    EXPECT_EQ(changes, 5) << "no image";
    item->setImage(QImage(), true);
    EXPECT_EQ(changes, 5);
}
