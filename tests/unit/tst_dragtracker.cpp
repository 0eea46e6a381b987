#include "base/DragTracker.h"

#include <QTest>

using B = DragTracker::Button;

class TestDragTracker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leftPressThenMoveGivesOffset()
    {
        DragTracker drag;
        drag.press(B::Left, 100, 30);
        QCOMPARE(drag.move(110, 35), std::optional<QPoint>(QPoint(10, 5)));
    }

    void rightOrMiddlePressRecordsButDoesNotDrag_data()
    {
        QTest::addColumn<int>("button");
        QTest::newRow("right") << int(B::Right);
        QTest::newRow("middle") << int(B::Middle);
    }

    void rightOrMiddlePressRecordsButDoesNotDrag()
    {
        QFETCH(int, button);
        DragTracker drag;
        drag.press(B(button), 40, 20);
        QVERIFY(!drag.move(50, 25).has_value());
        QCOMPARE(drag.dragStartX(), 40);
        QCOMPARE(drag.dragStartY(), 20);
    }

    void rightPressDuringDragReplacesStartAndReleaseEnds()
    {
        DragTracker drag;
        drag.press(B::Left, 10, 10);
        drag.press(B::Right, 30, 40);
        QVERIFY(drag.dragging());
        QCOMPARE(drag.move(31, 41), std::optional<QPoint>(QPoint(1, 1)));
        drag.release();
        QVERIFY(!drag.dragging());
        QVERIFY(!drag.move(100, 100).has_value());
    }
};

QTEST_APPLESS_MAIN(TestDragTracker)
#include "tst_dragtracker.moc"
