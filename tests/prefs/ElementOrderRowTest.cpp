#include "PrefsTestSupport.h"
#include "prefs/ElementOrderRow.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace orb;

namespace {

// The boundaries between slots lie half a gap before each next slot's left edge.
struct SlotCase {
    const char *what;
    double r, w, g;
    int n;
    int expected;
};

class TargetIndex : public ::testing::TestWithParam<SlotCase> {};

TEST_P(TargetIndex, CountsTheBoundariesReached)
{
    const SlotCase &c = GetParam();
    EXPECT_EQ(ElementOrderRow::targetIndex(c.r, c.w, c.g, c.n), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TargetIndex,
    ::testing::Values(
        // Four elements 30 wide with gaps of 10: boundaries at 35, 75 and 115.
        SlotCase{"far left", 0, 30, 10, 4, 0}, SlotCase{"just before the first boundary", 34.9, 30, 10, 4, 0},
        SlotCase{"on the first boundary", 35, 30, 10, 4, 1}, SlotCase{"just before the second", 74.99, 30, 10, 4, 1},
        SlotCase{"on the second", 75, 30, 10, 4, 2}, SlotCase{"on the third", 115, 30, 10, 4, 3},
        SlotCase{"far right never passes the last slot", 900, 30, 10, 4, 3},
        SlotCase{"negative positions stay first", -40, 30, 10, 4, 0},
        // Five elements with a gap of 1: boundaries at 30.5, 61.5, 92.5, 123.5.
        SlotCase{"tight row, below 30.5", 30.4, 30, 1, 5, 0}, SlotCase{"tight row, on 92.5", 92.5, 30, 1, 5, 3},
        SlotCase{"tight row, far right", 400, 30, 1, 5, 4},
        // Two draggable elements have one boundary.
        SlotCase{"two elements, before", 34, 30, 10, 2, 0}, SlotCase{"two elements, after", 35, 30, 10, 2, 1},
        SlotCase{"a single element never moves", 500, 30, 10, 1, 0}));

class ElementOrderRowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        row = new ElementOrderRow({16, 10, 77, 3}, &window);
        for (const char *title : {"Graph", "Bar", "Circle", "Text"})
            row->addElement(QString::fromLatin1(title));
        window.resize(row->sizeHint() + QSize(40, 40));
        row->move(10, 10);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    double slotX(int index) const { return 16 + index * (ElementOrderRow::kElementWidth + 10); }

    QWidget window;
    ElementOrderRow *row = nullptr;
};

} // namespace

TEST_F(ElementOrderRowTest, DraggingTheTextToTheFarLeftPutsItFirst)
{
    QSignalSpy changed(row, &ElementOrderRow::orderChanged);
    test::dragBy(row->view(4), -600);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.first().first().value<QList<int>>(), (QList<int>{4, 1, 2, 3}));
    EXPECT_EQ(row->order(), (QList<int>{4, 1, 2, 3}));
    // Everything lands in its slot once the slide has finished.
    EXPECT_TRUE(QTest::qWaitFor([&] { return row->view(4)->x() == int(slotX(0)); }, 2000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return row->view(3)->x() == int(slotX(3)); }, 2000));
}

TEST_F(ElementOrderRowTest, ADragEndingWhereItStartedChangesNothing)
{
    QSignalSpy changed(row, &ElementOrderRow::orderChanged);
    QWidget *graph = row->view(1);
    // Over the next slot's boundary and back again.
    const QPoint start = graph->rect().center();
    const QPoint origin = graph->mapTo(&window, start);
    test::sendMouse(graph, QEvent::MouseButtonPress, start, Qt::LeftButton);
    test::sendMouse(graph, QEvent::MouseMove, graph->mapFrom(&window, origin + QPoint(ElementOrderRow::kElementWidth + 10, 0)), Qt::LeftButton);
    EXPECT_EQ(row->order().first(), 2) << "the order follows the mouse during the drag";
    test::sendMouse(graph, QEvent::MouseMove, graph->mapFrom(&window, origin), Qt::LeftButton);
    test::sendMouse(graph, QEvent::MouseButtonRelease, graph->mapFrom(&window, origin), Qt::NoButton);
    EXPECT_EQ(changed.count(), 0) << "moved away and back is no change";
    EXPECT_EQ(row->order(), (QList<int>{1, 2, 3, 4}));

    changed.clear();
    test::dragBy(row->view(2), 3);
    EXPECT_EQ(changed.count(), 0) << "a small wiggle is not a move";
}

TEST_F(ElementOrderRowTest, DraggedElementStaysInsideTheRowAndOthersFadeWhileDragging)
{
    row->setElementEnabled(3, false);
    QWidget *graph = row->view(1);
    const QPoint start = graph->rect().center();
    test::sendMouse(graph, QEvent::MouseButtonPress, start, Qt::LeftButton);
    EXPECT_DOUBLE_EQ(row->view(1)->opacity(), 1.0);
    EXPECT_DOUBLE_EQ(row->view(2)->opacity(), 0.5);
    test::sendMouse(graph, QEvent::MouseMove, start + QPoint(2000, 0), Qt::LeftButton);
    EXPECT_EQ(graph->x(), int(row->rightLimit()));
    test::sendMouse(graph, QEvent::MouseButtonRelease, start + QPoint(2000, 0), Qt::NoButton);
    EXPECT_EQ(row->order(), (QList<int>{2, 3, 4, 1}));
    // Opacities come back as they were before the drag: the switched-off element stays faint.
    EXPECT_DOUBLE_EQ(row->view(2)->opacity(), 1.0);
    EXPECT_DOUBLE_EQ(row->view(3)->opacity(), 0.3);
}

TEST_F(ElementOrderRowTest, KeyboardMovesTheFocusedElement)
{
    QSignalSpy changed(row, &ElementOrderRow::orderChanged);
    row->view(2)->setFocus();
    QTest::keyClick(row->view(2), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(row->order(), (QList<int>{1, 3, 2, 4}));
    QTest::keyClick(row->view(1), Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(row->order(), (QList<int>{1, 3, 2, 4})) << "the first element cannot move further left";
    QTest::keyClick(row->view(2), Qt::Key_Right);
    EXPECT_EQ(changed.count(), 1) << "arrows without Ctrl only move the focus";
    EXPECT_TRUE(row->view(2)->accessibleDescription().contains("3 of 4"));
}

TEST_F(ElementOrderRowTest, StoredOrderIsRepairedSoEveryElementHasOnePlace)
{
    // A code twice, one unknown code, two codes missing.
    row->setOrder({4, 4, 9, 1});
    EXPECT_EQ(row->order(), (QList<int>{4, 9, 1, 2, 3}));
    // The unknown code keeps its slot empty.
    EXPECT_EQ(row->view(4)->x(), int(slotX(0)));
    EXPECT_EQ(row->view(1)->x(), int(slotX(2)));
    EXPECT_EQ(row->view(3)->x(), int(slotX(4)));
}

TEST_F(ElementOrderRowTest, EventsOfUnknownElementsAreIgnored)
{
    QSignalSpy changed(row, &ElementOrderRow::orderChanged);
    row->orbMouseAction(7, ElementWrapView::MouseDown, {100, 10});
    row->orbMouseAction(7, ElementWrapView::MouseDragged, {10, 10});
    row->orbMouseAction(7, ElementWrapView::MouseUp, {10, 10});
    row->orbMouseAction(2, 9, {10, 10});
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(row->order(), (QList<int>{1, 2, 3, 4}));
}
