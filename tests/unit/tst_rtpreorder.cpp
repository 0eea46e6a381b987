#include "camctl/RtpReorder.h"

#include <QTest>

class TestRtpReorder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Packets as they arrive (sequence number, milliseconds), then a look
    // at the clock: what comes out, in order, and what was given up on.
    void putsBackInOrder_data()
    {
        QTest::addColumn<QList<QPoint>>("arrivals");
        QTest::addColumn<int>("laterMs");
        QTest::addColumn<QList<int>>("released");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<int>("bytes"); // of each packet
        QTest::newRow("in order, straight through")
            << QList<QPoint>{{1, 0}, {2, 1}, {3, 2}} << 2 << QList<int>{1, 2, 3} << 0 << 4;
        QTest::newRow("swapped pair") << QList<QPoint>{{1, 0}, {3, 1}, {2, 2}} << 2 << QList<int>{1, 2, 3} << 0 << 4;
        QTest::newRow("swapped across the wrap")
            << QList<QPoint>{{65534, 0}, {0, 1}, {65535, 2}, {1, 3}} << 3 << QList<int>{65534, 65535, 0, 1} << 0 << 4;
        QTest::newRow("missing packet waited for, not past the wait")
            << QList<QPoint>{{1, 0}, {3, 10}, {4, 20}} << 59 << QList<int>{1} << 0 << 4;
        QTest::newRow("missing packet given up after the wait")
            << QList<QPoint>{{1, 0}, {3, 10}, {4, 20}} << 60 << QList<int>{1, 3, 4} << 1 << 4;
        QList<QPoint> full{{1, 0}};
        QList<int> all{1};
        for (int s = 3; s <= 34; ++s) {
            full << QPoint(s, 1);
            all << s;
        }
        QTest::newRow("missing packet given up when the window is full") << full << 1 << all << 1 << 4;
        QTest::newRow("missing packet given up at the byte bound")
            << full.mid(0, 6) << 1 << all.mid(0, 6) << 1 << 60000;
        QTest::newRow("repeat and latecomer dropped")
            << QList<QPoint>{{1, 0}, {2, 1}, {2, 2}, {1, 3}} << 3 << QList<int>{1, 2} << 0 << 4;
        QTest::newRow("camera's jump back taken up at once")
            << QList<QPoint>{{1000, 0}, {1001, 1}, {3, 2}, {4, 3}} << 3 << QList<int>{1000, 1001, 3, 4} << 0 << 4;
        QTest::newRow("camera's jump far ahead taken up at once")
            << QList<QPoint>{{1, 0}, {30001, 1}, {30002, 2}} << 2 << QList<int>{1, 30001, 30002} << 29999 << 4;
    }
    void putsBackInOrder()
    {
        QFETCH(QList<QPoint>, arrivals);
        QFETCH(int, laterMs);
        QFETCH(int, bytes);
        RtpReorder reorder;
        QList<int> released;
        const auto take = [&](const QList<QByteArray> &packets) {
            for (const QByteArray &p : packets)
                released << p.toInt();
        };
        for (const QPoint &a : arrivals) {
            take(reorder.push(quint16(a.x()), QByteArray::number(a.x()).leftJustified(bytes), a.y() * 1000));
            QVERIFY(reorder.heldBytes() <= StreamLimits::kMaxReorderBytes);
        }
        take(reorder.release(laterMs * 1000));
        QTEST(released, "released");
        QTEST(int(reorder.skippedPackets()), "skipped");
    }
};

QTEST_GUILESS_MAIN(TestRtpReorder)
#include "tst_rtpreorder.moc"
