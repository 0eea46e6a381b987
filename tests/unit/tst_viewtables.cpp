#include "views/ViewTables.h"

#include <QTest>

class TestViewTables : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void zoomSizes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("size");
        QTest::newRow("x1") << 1 << QSize(352, 288);
        QTest::newRow("x1.5") << 2 << QSize(528, 432);
        QTest::newRow("x2") << 3 << QSize(704, 576);
        QTest::newRow("mode 4 is the half size") << 4 << QSize(176, 144);
        QTest::newRow("no mode 0") << 0 << QSize();
        QTest::newRow("nothing past 4") << 5 << QSize();
    }

    void zoomSizes()
    {
        QFETCH(int, mode);
        QFETCH(QSize, size);
        QCOMPARE(ViewTables::zoomSize(mode), size);
    }

    void nineGrid_data()
    {
        QTest::addColumn<QSize>("panel");
        QTest::addColumn<QSize>("cell");
        QTest::addColumn<QSize>("uncovered");
        QTest::newRow("stored size fills exactly") << QSize(528, 432) << QSize(176, 144) << QSize(0, 0);
        QTest::newRow("700 x 500 leaves 1 right and 2 below") << QSize(700, 500) << QSize(233, 166) << QSize(1, 2);
        QTest::newRow("multiples of 3 leave nothing") << QSize(300, 90) << QSize(100, 30) << QSize(0, 0);
        QTest::newRow("below 3 pixels gives empty cells") << QSize(2, 1) << QSize(0, 0) << QSize(2, 1);
    }

    void nineGrid()
    {
        QFETCH(QSize, panel);
        QFETCH(QSize, cell);
        QFETCH(QSize, uncovered);
        const QList<QRect> cells = ViewTables::nineGrid(panel);
        QCOMPARE(cells.size(), 9);
        for (int i = 0; i < 9; ++i)
            QCOMPARE(cells[i], QRect(QPoint((i % 3) * cell.width(), (i / 3) * cell.height()), cell));
        QCOMPARE(panel.width() - 3 * cell.width(), uncovered.width());
        QCOMPARE(panel.height() - 3 * cell.height(), uncovered.height());
    }

    void quadCellsFillTheClientArea()
    {
        QCOMPARE(ViewTables::quadCell(0), QRect(0, 0, 352, 288));
        QCOMPARE(ViewTables::quadCell(1), QRect(352, 0, 352, 288));
        QCOMPARE(ViewTables::quadCell(2), QRect(0, 288, 352, 288));
        QCOMPARE(ViewTables::quadCell(3), QRect(352, 288, 352, 288));
    }
};

QTEST_APPLESS_MAIN(TestViewTables)
#include "tst_viewtables.moc"
