#include "e2e/E2eHarness.h"

#include <QTest>

using namespace E2e;

class E2eStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void barStandsFramelessAtItsPlace()
    {
        Program program;
        program.start();
        const QString id = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY2(!id.isEmpty(), "the bar never appeared");
        const Window bar = window(id);
        QCOMPARE(bar.frameGeometry, QRect(197, 108, 438, 74));
        QCOMPARE(bar.geometry, bar.frameGeometry);

        // Type into the address box so the lime text shows.
        click(197 + 1 + 100, 108 + 1 + 38);
        type(id, QStringLiteral("WWWWWWWWWWWWWWWW"));
        QImage shot;
        QTRY_VERIFY_WITH_TIMEOUT((shot = screenshot(), coverage(shot, QRect(197 + 1 + 12, 108 + 1 + 31, 150, 14),
                                                                QColor(0, 255, 0), 80) > 0.05),
                                 10000);
        const QColor slate(51, 52, 100);
        // Background spots clear of every control.
        QVERIFY(similar(shot.pixelColor(197 + 1 + 292, 108 + 1 + 60), slate));
        QVERIFY(similar(shot.pixelColor(197 + 1 + 4, 108 + 1 + 68), slate));
        QVERIFY(similar(shot.pixelColor(197 + 1 + 292, 108 + 1 + 10), slate));
        // The address box is black behind its lime text.
        QVERIFY(coverage(shot, QRect(197 + 1 + 12, 108 + 1 + 31, 250, 14), Qt::black, 30) > 0.5);
        // The bar's outer edge is its border; outside it the root is not slate.
        QVERIFY(!similar(shot.pixelColor(197 - 2, 108 + 30), slate));
        shot.save(QStringLiteral("e2e_bar.png"));

        QVERIFY(program.process().state() == QProcess::Running);
        key(id, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
    }

    void shortListShowsErrorAndEnds()
    {
        Program program;
        QByteArray ten;
        for (int i = 0; i < 10; ++i)
            ten += "line\r\n";
        program.writeFile(QStringLiteral("config.lst"), ten);
        program.start();
        const QString box = waitForWindow(QStringLiteral("^Ocellane 4$"));
        QVERIFY2(!box.isEmpty(), "no error box");
        // The bar was never created, let alone mapped.
        QVERIFY(findWindows(QStringLiteral("^Ocellane 5\\.03$"), false).isEmpty());
        const Window boxWindow = window(box);
        QTRY_VERIFY_WITH_TIMEOUT(readText(screenshot(), boxWindow.frameGeometry).contains(
                                     QStringLiteral("List index out of bounds (10)")),
                                 20000);
        key(box, QStringLiteral("Return"));
        QVERIFY(program.waitForExit());
        QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.process().exitCode(), 0);
        QVERIFY(findWindows(QStringLiteral("^Ocellane 5\\.03$"), false).isEmpty());
    }
};

QTEST_GUILESS_MAIN(E2eStartup)
#include "e2e_startup.moc"
