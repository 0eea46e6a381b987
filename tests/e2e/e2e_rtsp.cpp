#include "support/CamSimProcess.h"
#include "support/RtspSimProcess.h"
#include "e2e/E2eHarness.h"

#include <QElapsedTimer>
#include <QTest>

using namespace E2e;

namespace {

// The demo camera list with camera 1 an H.264 RTSP camera and camera 5 one
// whose password is wrong; the others stay motion-JPEG over HTTP.
QByteArray mixedCameraList(const CamSimProcess &http, const RtspSimProcess &rtsp, const RtspSimProcess &locked)
{
    QList<QByteArray> lines = http.cameraList().split('\n');
    lines[0] = rtsp.url(QStringLiteral("cam1")).toLatin1() + '\r';
    lines[4] = locked.url(QStringLiteral("cam5"), QStringLiteral("ocel:wrong")).toLatin1() + '\r';
    return lines.join('\n');
}

QRect cellOf(const QRect &client, int index)
{
    const QSize cell(client.width() / 3, client.height() / 3);
    return QRect(client.topLeft() + QPoint((index % 3) * cell.width(), (index / 3) * cell.height()), cell);
}

} // namespace

class E2eRtsp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rtspCameraBesideHttpCameras()
    {
        CamSimProcess http;
        RtspSimProcess rtsp;
        RtspSimProcess locked({QStringLiteral("--user"), QStringLiteral("ocel"), QStringLiteral("--password"),
                               QStringLiteral("right")});
        QVERIFY(http.isRunning() && rtsp.isRunning() && locked.isRunning());
        Program program;
        program.writeFile(QStringLiteral("config.lst"), mixedCameraList(http, rtsp, locked));
        program.start();
        const QString bar = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY(!bar.isEmpty());
        QElapsedTimer sinceStart;
        sinceStart.start();

        // Camera 1 in the single view.
        click(barPoint(296 + 8, 0 + 8).x(), barPoint(296 + 8, 0 + 8).y());
        const QString single = waitForWindow(QStringLiteral("^Ocellane Mode AXIS$"));
        QVERIFY2(!single.isEmpty(), "the single view did not open");
        moveWindow(single, 560, 300);
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(window(single).geometry), 15000);
        QVERIFY(closeWindow(single, QStringLiteral("^Ocellane Mode AXIS$")));

        // Nine at once: the RTSP camera live in its colour, the HTTP ones
        // live, the locked one black.
        click(barPoint(58 + 10, 4 + 10).x(), barPoint(58 + 10, 4 + 10).y());
        const QString nine = waitForWindow(QStringLiteral("^Multivision 9$"));
        QVERIFY2(!nine.isEmpty(), "the nine-camera view did not open");
        const QRect client = window(nine).geometry;
        const QRect first = cellOf(client, 0);
        const QPoint sample = first.topLeft() + QPoint(first.width() / 10, first.height() / 2);
        QTRY_VERIFY_WITH_TIMEOUT(similar(screenshot().pixelColor(sample), QColor(250, 60, 155), 40), 20000);
        QVERIFY(showsLivePicture(first));
        for (int i : {1, 2, 3, 5, 6, 7, 8})
            QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(cellOf(client, i)), 15000);
        QVERIFY(coverage(screenshot(), cellOf(client, 4).adjusted(4, 4, -4, -4), Qt::black, 12) > 0.95);

        // The RTSP server goes away and comes back: so does the picture.
        rtsp.stop();
        QTRY_VERIFY_WITH_TIMEOUT(!showsLivePicture(first), 20000);
        QVERIFY(rtsp.restart());
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(first), 30000);

        // The wrong password was tried no faster than the backoff allows:
        // 0.5 s doubling to 8 s, a few from the single view's start too.
        const qint64 seconds = sinceStart.elapsed() / 1000;
        QVERIFY2(locked.connections() <= 8 + seconds / 8, qPrintable(QString::number(locked.connections())));
        QVERIFY(coverage(screenshot(), cellOf(client, 4).adjusted(4, 4, -4, -4), Qt::black, 12) > 0.95);

        key(nine, QStringLiteral("alt+F4"));
        key(bar, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
        QCOMPARE(program.process().exitCode(), 0);
    }

    // A camera that streams over UDP only (it refuses RTP inside the RTSP
    // connection) shows in the single view; a 12-megapixel motion-JPEG
    // camera shows, scaled, in its cell of the nine-camera window.
    void udpOnlyCameraAndTwelveMegapixels()
    {
        CamSimProcess http;
        RtspSimProcess udpOnly({QStringLiteral("--protocols"), QStringLiteral("udp")});
        QVERIFY(http.isRunning() && udpOnly.isRunning());
        QList<QByteArray> lines = http.cameraList().split('\n');
        lines[0] = udpOnly.url(QStringLiteral("cam1")).toLatin1() + '\r';
        lines[1] = http.url(QStringLiteral("/axis-cgi/mjpg/video.cgi?camera=2&resolution=4000x3000")).toLatin1() + '\r';
        Program program;
        program.writeFile(QStringLiteral("config.lst"), lines.join('\n'));
        program.start();
        const QString bar = waitForWindow(QStringLiteral("^Ocellane 5\\.03$"));
        QVERIFY(!bar.isEmpty());

        click(barPoint(296 + 8, 0 + 8).x(), barPoint(296 + 8, 0 + 8).y());
        const QString single = waitForWindow(QStringLiteral("^Ocellane Mode AXIS$"));
        QVERIFY2(!single.isEmpty(), "the single view did not open");
        moveWindow(single, 560, 300);
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(window(single).geometry), 20000);
        QVERIFY(udpOnly.setups().contains(QStringLiteral("udp")));
        QVERIFY(closeWindow(single, QStringLiteral("^Ocellane Mode AXIS$")));

        click(barPoint(58 + 10, 4 + 10).x(), barPoint(58 + 10, 4 + 10).y());
        const QString nine = waitForWindow(QStringLiteral("^Multivision 9$"));
        QVERIFY2(!nine.isEmpty(), "the nine-camera view did not open");
        QTRY_VERIFY_WITH_TIMEOUT(showsLivePicture(cellOf(window(nine).geometry, 1)), 30000);
        key(nine, QStringLiteral("alt+F4"));
        key(bar, QStringLiteral("ctrl+q"));
        QVERIFY(program.waitForExit());
    }
};

QTEST_GUILESS_MAIN(E2eRtsp)
#include "e2e_rtsp.moc"
