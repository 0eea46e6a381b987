#include "e2e/E2eHarness.h"

#include <QTcpServer>
#include <QTcpSocket>
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

    // A Wayland desktop at a device pixel ratio of 2, no runtime folder, a
    // camera that fails. The program runs on X (XWayland; here the test's
    // X server): had it tried the Wayland display, which does not exist,
    // the Wayland library would have complained on the terminal, which must
    // stay empty. The layout holds at twice the size.
    void waylandDesktopAtScaleTwoRunsOnXQuietly()
    {
        QTcpServer camera; // takes each connection and closes it at once
        QVERIFY(camera.listen(QHostAddress::LocalHost));
        int connections = 0;
        QObject::connect(&camera, &QTcpServer::newConnection, &camera, [&] {
            while (QTcpSocket *socket = camera.nextPendingConnection()) {
                ++connections;
                socket->close();
                socket->deleteLater();
            }
        });
        Program program;
        program.writeFile(QStringLiteral("config.lst"),
                          "http://127.0.0.1:" + QByteArray::number(camera.serverPort()) + "/video\r\n" +
                              QByteArray(30, '\n').replace("\n", "\r\n"));
        QProcessEnvironment env = program.process().processEnvironment();
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("ocellane-no-such-display"));
        env.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        program.process().setProcessEnvironment(env);
        program.process().setProcessChannelMode(QProcess::MergedChannels);
        program.start();
        const QString id = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY2(!id.isEmpty(), "the bar never appeared");
        QTRY_COMPARE_WITH_TIMEOUT(window(id).frameGeometry, QRect(2 * 197, 2 * 108, 2 * 438, 2 * 74), 10000);
        const auto at = [](int x, int y) { return QPoint(2 * (197 + 1 + x), 2 * (108 + 1 + y)); };
        QImage shot;
        // Background spots clear of every control, the address box's black,
        // and camera button 1's light face filling its doubled place.
        QTRY_VERIFY_WITH_TIMEOUT((shot = screenshot(), similar(shot.pixelColor(at(292, 60)), QColor(51, 52, 100)) &&
                                                           similar(shot.pixelColor(at(100, 38)), Qt::black) &&
                                                           shot.pixelColor(at(296 + 3, 3)).lightness() > 160 &&
                                                           shot.pixelColor(at(296 + 14, 14)).lightness() > 160),
                                 10000);
        click(at(296 + 8, 8).x(), at(296 + 8, 8).y()); // camera 1
        QTRY_VERIFY_WITH_TIMEOUT(connections >= 2, 15000); // it failed, and was asked again
        key(id, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
        QCOMPARE(program.process().readAll(), QByteArray());
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
