#include "toolkit/OrbBandedFill.h"

#include <QGuiApplication>
#include <mutex>
#include <QImage>
#include <QSemaphore>
#include <QThreadPool>
#include <functional>
#include <gtest/gtest.h>

using namespace orb;

namespace {

struct Shape {
    const char *name;
    QSize size;
    double scale;
    QPainterPath path;
    QRectF clip; // empty: none
};

QPainterPath wedge(QRectF box, double startDegrees, double sweepDegrees)
{
    QPainterPath path(box.center());
    path.arcTo(box, startDegrees, sweepDegrees);
    path.closeSubpath();
    return path;
}

QPainterPath ring(QRectF outer, double width)
{
    QPainterPath path;
    path.addEllipse(outer);
    path.addEllipse(outer.adjusted(width, width, -width, -width));
    return path; // odd-even: the hole stays empty
}

QPainterPath roundedTile(double side)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(0.3, 0.7, side - 1.0, side - 1.2), side * 0.18, side * 0.18);
    return path;
}

std::vector<Shape> shapes()
{
    return {
        {"pie wedge at fractional places", QSize(22, 22), 1.0, wedge(QRectF(1.5, 1.5, 19, 19), 90, -263), {}},
        {"ring with a hole", QSize(20, 20), 1.0, ring(QRectF(0.5, 0.5, 19, 19), 3.2), {}},
        {"48 pixel rounded tile", QSize(48, 48), 1.0, roundedTile(48), {}},
        {"wedge at twice the pixels", QSize(44, 44), 2.0, wedge(QRectF(1.25, 0.75, 19.5, 20), 30, 200), {}},
        {"wedge inside a clip", QSize(22, 22), 1.0, wedge(QRectF(1, 1, 20, 20), 0, 300), QRectF(3, 2.5, 15, 13)},
        {"wider than the banded limit", QSize(120, 30), 1.0, wedge(QRectF(2, 2, 110, 26), 10, 250), {}},
    };
}

QImage draw(const Shape &shape, const std::function<void(QPainter &, const QPainterPath &)> &fill)
{
    QImage image(shape.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(shape.scale, shape.scale);
    if (!shape.clip.isEmpty())
        p.setClipRect(shape.clip);
    fill(p, shape.path);
    p.end();
    return image;
}

const QColor kFill(30, 160, 220, 200);

// Holds the global pool's only thread until released (or until `limit` passes), so any
// work handed to the pool meanwhile cannot run. Reports whether it was released in time.
class PoolBlocker {
public:
    explicit PoolBlocker(int limitMs)
    {
        QThreadPool::globalInstance()->setMaxThreadCount(1);
        { std::lock_guard lock(handOff_); } // orders this construction before the task, for TSan
        QThreadPool::globalInstance()->start([this, limitMs] {
            { std::lock_guard lock(handOff_); }
            started_.release();
            const bool inTime = release_.tryAcquire(1, limitMs);
            std::lock_guard lock(handOff_);
            releasedInTime_ = inTime;
        });
        started_.acquire();
    }
    ~PoolBlocker() { QThreadPool::globalInstance()->setMaxThreadCount(QThread::idealThreadCount()); }
    // Lets the pool go; true when nothing had to wait for it before now.
    bool releaseAndReport()
    {
        release_.release();
        QThreadPool::globalInstance()->waitForDone();
        std::lock_guard lock(handOff_);
        return releasedInTime_;
    }

private:
    // Qt's own hand-overs (the pool, QSemaphore) are invisible to ThreadSanitizer.
    std::mutex handOff_;
    QSemaphore started_;
    QSemaphore release_;
    bool releasedInTime_ = false;
};

} // namespace

TEST(OrbBandedFill, FillsTheSamePixelsAsOneFill)
{
    for (const Shape &shape : shapes()) {
        SCOPED_TRACE(shape.name);
        const QImage whole = draw(shape, [](QPainter &p, const QPainterPath &path) { p.fillPath(path, kFill); });
        const QImage banded = draw(shape, [](QPainter &p, const QPainterPath &path) {
            OrbBandedFill::fillPath(p, path, kFill);
        });
        int covered = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x) {
                ASSERT_EQ(banded.pixel(x, y), whole.pixel(x, y)) << "at " << x << "," << y;
                covered += qAlpha(whole.pixel(x, y)) > 0;
            }
        EXPECT_GT(covered, 40); // the shape was drawn at all
    }
}

// The point of banding: an icon's fill never waits for Qt's thread pool. The pool's one
// thread is held while filling; a fill that handed spans to the pool could only finish after
// the blocker gave up.
TEST(OrbBandedFill, AnIconFillNeverWaitsForThePool)
{
    const Shape tile{"48 pixel rounded tile", QSize(48, 48), 1.0, roundedTile(48), {}};
    {
        PoolBlocker blocker(1000);
        draw(tile, [](QPainter &p, const QPainterPath &path) { p.fillPath(path, kFill); });
        if (blocker.releaseAndReport())
            GTEST_SKIP() << "this Qt fills the tile without its thread pool; nothing to avoid";
    }
    for (const Shape &shape : shapes()) {
        if (shape.size.width() > OrbBandedFill::kMaxBandedWidth)
            continue;
        SCOPED_TRACE(shape.name);
        PoolBlocker blocker(5000);
        draw(shape, [](QPainter &p, const QPainterPath &path) { OrbBandedFill::fillPath(p, path, kFill); });
        EXPECT_TRUE(blocker.releaseAndReport());
    }
}
