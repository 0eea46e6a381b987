#include "camctl/DecodePacer.h"

#include <QTest>

Q_DECLARE_METATYPE(DecodePacer::Skip)

class TestDecodePacer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Rows of (media time, read time) pairs, and the skip after the last.
    void skipsAsTheDecoderFallsBehind_data()
    {
        QTest::addColumn<QList<QPointF>>("packets");
        QTest::addColumn<DecodePacer::Skip>("skip");
        using S = DecodePacer::Skip;
        QTest::newRow("in step, whatever the clock offset") << QList<QPointF>{{100, 5}, {101, 6}, {102, 7}} << S::Nothing;
        QTest::newRow("network jitter is no lag") << QList<QPointF>{{0, 0}, {1, 1.15}, {2, 2.05}} << S::Nothing;
        QTest::newRow("a second behind") << QList<QPointF>{{0, 0}, {1, 1.2}, {2, 3}} << S::NonReference;
        QTest::newRow("three seconds behind") << QList<QPointF>{{0, 0}, {1, 2}, {2, 5}} << S::NonKey;
        QTest::newRow("catching up keeps skipping") << QList<QPointF>{{0, 0}, {1, 4}, {2, 3.3}} << S::NonKey;
        QTest::newRow("caught up again") << QList<QPointF>{{0, 0}, {1, 4}, {5, 5.1}} << S::Nothing;
        QTest::newRow("camera clock jumps back") << QList<QPointF>{{1000, 0}, {1001, 1}, {0, 2}, {1, 3}} << S::Nothing;
    }
    void skipsAsTheDecoderFallsBehind()
    {
        QFETCH(QList<QPointF>, packets);
        QFETCH(DecodePacer::Skip, skip);
        DecodePacer pacer;
        DecodePacer::Skip last = DecodePacer::Skip::Nothing;
        for (const QPointF &p : packets)
            last = pacer.update(p.x(), p.y());
        QCOMPARE(int(last), int(skip));
    }
};

QTEST_GUILESS_MAIN(TestDecodePacer)
#include "tst_decodepacer.moc"
