#include "TestCanvas.h"
#include "toolkit/KeptPictures.h"
#include "toolkit/OrbDrawLamps.h"

#include <gtest/gtest.h>

using orb::KeptPictures;
using orb::OrbCanvas;
using orb::OrbDrawLamps;
using orb::test::TestCanvas;

namespace {

// A ringed disc, as a lamp is drawn: an anti-aliased stroke reaching half a point beyond
// the frame, then a translucent fill.
void ringedDisc(const OrbCanvas &c, const QRectF &frame, const QColor &fill)
{
    c.setAntialiasing(true);
    QPainterPath path;
    c.addEllipse(path, frame);
    c.strokePath(path, QColor(20, 20, 160), 1.0);
    QPainterPath inner;
    c.addEllipse(inner, frame.adjusted(1, 1, -1, -1));
    c.fillPath(inner, fill);
}

struct Painting {
    double scale = 1.0;
    double opacity = 1.0;
    bool rotated = false;
};

// The disc over a background that is not uniform, through KeptPictures or in place.
QImage drawn(const QRectF &frame, const QColor &fill, bool kept, const Painting &setup = {})
{
    TestCanvas t(40, 24, setup.scale);
    QPainter &p = t.painter();
    p.fillRect(QRectF(0, 0, 40, 24), QColor(200, 210, 190));
    p.fillRect(QRectF(12, 0, 9, 24), QColor(10, 60, 30, 160));
    p.setOpacity(setup.opacity);
    if (setup.rotated) {
        p.translate(20, 12);
        p.rotate(30);
        p.translate(-20, -12);
    }
    KeptPictures::Key what("test disc");
    what.add(fill);
    const auto paint = [&](const OrbCanvas &c) { ringedDisc(c, frame, fill); };
    if (kept)
        KeptPictures::draw(t.canvas(), frame, 0.5, what, paint);
    else
        paint(t.canvas());
    return t.image();
}

} // namespace

TEST(KeptPictures, ACopyLooksAsTheDrawingMadeInPlaceAndIsComposedOnce)
{
    const QColor green(40, 200, 60, 230);
    struct Case {
        const char *what;
        QRectF frame;
        double scale;
    };
    const std::vector<Case> cases{
        {"on whole pixels", QRectF(10, 8, 7, 7), 1.0},
        {"a quarter pixel over and up", QRectF(10.25, 8.25, 7, 7), 1.0},
        {"half a pixel over", QRectF(10.5, 8, 7, 7), 1.0},
        {"larger", QRectF(10, 4, 12, 12), 1.0},
        {"two pixels per point", QRectF(10, 8, 7, 7), 2.0},
        {"one and a half pixels per point", QRectF(10.25, 8, 7, 7), 1.5},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QImage reference = drawn(c.frame, green, false, {c.scale});
        const quint64 before = KeptPictures::composedOnThisThread();
        const QImage first = drawn(c.frame, green, true, {c.scale});
        EXPECT_EQ(KeptPictures::composedOnThisThread(), before + 1);
        EXPECT_TRUE(orb::test::sameImage(first, reference));
        const QImage again = drawn(c.frame, green, true, {c.scale});
        EXPECT_EQ(KeptPictures::composedOnThisThread(), before + 1) << "the second drawing was not a copy";
        EXPECT_EQ(again, first);
    }
    // Another colour is another picture, not the one kept for green.
    const QRectF frame(10, 8, 7, 7);
    const quint64 before = KeptPictures::composedOnThisThread();
    const QImage red = drawn(frame, QColor(220, 30, 30), true);
    EXPECT_EQ(KeptPictures::composedOnThisThread(), before + 1);
    EXPECT_TRUE(orb::test::sameImage(red, drawn(frame, QColor(220, 30, 30), false)));
}

TEST(KeptPictures, PaintersACopyCannotServeDrawInPlace)
{
    const QRectF frame(10, 8, 7, 7);
    const QColor fill(40, 200, 60);
    struct Case {
        const char *what;
        Painting setup;
    };
    const std::vector<Case> cases{
        {"half opacity", {1.0, 0.5, false}},
        {"rotated", {1.0, 1.0, true}},
        {"wider than a kept picture may be", {10.0, 1.0, false}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const quint64 before = KeptPictures::composedOnThisThread();
        EXPECT_EQ(drawn(frame, fill, true, c.setup), drawn(frame, fill, false, c.setup));
        EXPECT_EQ(KeptPictures::composedOnThisThread(), before);
    }
    // A device with a pixel ratio of its own.
    QImage image(80, 48, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2.0);
    image.fill(Qt::transparent);
    QImage inPlace = image;
    const quint64 before = KeptPictures::composedOnThisThread();
    {
        QPainter p(&image);
        KeptPictures::draw(OrbCanvas(p, 24), frame, 0.5, KeptPictures::Key("test disc"),
                           [&](const OrbCanvas &c) { ringedDisc(c, frame, fill); });
    }
    {
        QPainter p(&inPlace);
        ringedDisc(OrbCanvas(p, 24), frame, fill);
    }
    EXPECT_EQ(KeptPictures::composedOnThisThread(), before);
    EXPECT_EQ(image, inPlace);
}

TEST(KeptPictures, StatusLampsAreComposedOnlyWhenOneChanges)
{
    const QColor frame(0, 0, 255), off(128, 128, 128), up(255, 0, 0), down(0, 255, 0);
    const auto lamps = [&](bool upOn, bool downOn) {
        TestCanvas t(10, 22);
        OrbDrawLamps::orbDrawVerticalTwoCircle(t.canvas(), upOn, downOn, frame, off, up, down, 2, 22, 6, 1, false);
        return t.image();
    };
    const QImage first = lamps(true, false);
    const quint64 before = KeptPictures::composedOnThisThread();
    EXPECT_EQ(lamps(true, false), first);
    EXPECT_EQ(KeptPictures::composedOnThisThread(), before);
    // The lower lamp lit: one new picture (lit green), the upper one copied again.
    const QImage both = lamps(true, true);
    EXPECT_EQ(KeptPictures::composedOnThisThread(), before + 1);
    EXPECT_NE(both, first);
    // Lamp centres, 11 + 3 and 11 - 7 + 3 points up from the bottom of a 22-point image.
    TestCanvas probe(10, 22);
    probe.painter().drawImage(0, 0, both);
    EXPECT_TRUE(orb::test::sameRgba(probe.at(5, 14), up));
    EXPECT_TRUE(orb::test::sameRgba(probe.at(5, 7), down));
}

// A meter turning through ever new values fills the table; what is drawn on every pass
// between them (a lamp) is kept through it and never composed again.
TEST(KeptPictures, PicturesInUseOutlastAStreamOfNewOnes)
{
    const QRectF frame(13.0, 6.0, 10.0, 10.0);
    const QColor everyPass(250, 40, 40);
    const QImage lamp = drawn(frame, everyPass, true);
    const quint64 before = KeptPictures::composedOnThisThread();
    const int fresh = static_cast<int>(KeptPictures::kMaxPictures) * 3;
    for (int i = 0; i < fresh; ++i) {
        drawn(frame, QColor(i % 256, 90 + i / 256, 140), true);
        ASSERT_EQ(drawn(frame, everyPass, true), lamp) << "after " << i + 1 << " new pictures";
    }
    EXPECT_EQ(KeptPictures::composedOnThisThread(), before + static_cast<quint64>(fresh));
}
