#include "base/Errors.h"
#include "config/CameraEntry.h"
#include "config/LineList.h"

#include <QSignalSpy>
#include <QTest>

class TestCameraEntry : public QObject
{
    Q_OBJECT

    static QList<QByteArray> numbered(int count)
    {
        QList<QByteArray> lines;
        for (int i = 0; i < count; ++i)
            lines << "old" + QByteArray::number(i);
        return lines;
    }

private Q_SLOTS:
    void writesThreeLinesInOrder()
    {
        LineList dialog;
        LineList cameras;
        QList<QPair<QString, qsizetype>> writes;
        connect(&dialog, &LineList::changed, this, [&](qsizetype i) { writes.append({"dialog", i}); });
        connect(&cameras, &LineList::changed, this, [&](qsizetype i) { writes.append({"camera", i}); });
        CameraEntry{2, "s", "t", "n", {}}.writeInto(dialog, cameras);
        const QList<QPair<QString, qsizetype>> expected{{"dialog", 2},  {"camera", 2},  {"dialog", 21},
                                                        {"camera", 21}, {"camera", 11}, {"dialog", 11}};
        QCOMPARE(writes, expected);
    }

    void shortListStopsAtTheFirstLineBeyondItsEnd_data()
    {
        QTest::addColumn<int>("dialogCount");
        QTest::addColumn<int>("cameraCount");
        QTest::addColumn<int>("camera");
        QTest::addColumn<int>("failingIndex"); // -1: no failure
        QTest::addColumn<QList<int>>("dialogWritten");
        QTest::addColumn<QList<int>>("cameraWritten");
        QTest::newRow("both short: stream written, still fails on the dialog")
            << 10 << 10 << 0 << 19 << QList<int>{0} << QList<int>{0};
        QTest::newRow("bar list shorter: dialog still line already written")
            << 31 << 19 << 0 << 19 << QList<int>{0, 19} << QList<int>{0};
        QTest::newRow("exactly c+20 lines is enough") << 20 << 20 << 0 << -1 << QList<int>{0, 9, 19}
                                                      << QList<int>{0, 9, 19};
        QTest::newRow("camera 2 needs line 20") << 20 << 20 << 1 << 20 << QList<int>{1} << QList<int>{1};
        QTest::newRow("empty lists fail at once") << 0 << 0 << 0 << 0 << QList<int>{} << QList<int>{};
    }

    void shortListStopsAtTheFirstLineBeyondItsEnd()
    {
        QFETCH(int, dialogCount);
        QFETCH(int, cameraCount);
        QFETCH(int, camera);
        QFETCH(int, failingIndex);
        QFETCH(QList<int>, dialogWritten);
        QFETCH(QList<int>, cameraWritten);
        LineList dialog;
        LineList cameras;
        dialog.setLines(numbered(dialogCount));
        cameras.setLines(numbered(cameraCount));
        int failedAt = -1;
        try {
            CameraEntry{camera, "S", "T", "N", {}}.writeInto(dialog, cameras);
        } catch (const ListIndexError &error) {
            failedAt = int(error.index());
        }
        QCOMPARE(failedAt, failingIndex);
        QCOMPARE(dialog.count(), dialogCount);
        QCOMPARE(cameras.count(), cameraCount);
        auto written = [](const LineList &list) {
            QList<int> out;
            for (int i = 0; i < list.count(); ++i)
                if (!list.line(i).startsWith("old"))
                    out << i;
            return out;
        };
        QCOMPARE(written(dialog), dialogWritten);
        QCOMPARE(written(cameras), cameraWritten);
    }

    void subStreamWriteExtendsBothListsAndKeepsTheirLines_data()
    {
        QTest::addColumn<int>("dialogCount");
        QTest::addColumn<int>("cameraCount");
        QTest::newRow("a nominal list and a short one") << 31 << 5;
        QTest::newRow("lists longer than forty stay as long") << 44 << 41;
    }

    void subStreamWriteExtendsBothListsAndKeepsTheirLines()
    {
        QFETCH(int, dialogCount);
        QFETCH(int, cameraCount);
        LineList dialog;
        LineList cameras;
        dialog.setLines(numbered(dialogCount));
        cameras.setLines(numbered(cameraCount));
        CameraEntry{8, "S", "T", "N", "U"}.writeWithSubStreamInto(dialog, cameras);
        for (LineList *list : {&dialog, &cameras}) {
            QCOMPARE(list->count(), qMax<qsizetype>(list == &dialog ? dialogCount : cameraCount, 40));
            QCOMPARE(list->text(8), QStringLiteral("S"));
            QCOMPARE(list->text(17), QStringLiteral("N"));
            QCOMPARE(list->text(27), QStringLiteral("T"));
            QCOMPARE(list->text(39), QStringLiteral("U"));
            QCOMPARE(list->line(4), QByteArray("old4"));
        }
    }
};

QTEST_APPLESS_MAIN(TestCameraEntry)
#include "tst_cameraentry.moc"
