#include "camctl/TCamImage.h"
#include "support/CamSimProcess.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The picture control at a device pixel ratio of 2 (QT_SCALE_FACTOR=2).
class TestCamImageDpr : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picturesAreDecodedForTheDevicePixels()
    {
        // Columns two pixels wide: decoded at half size (the device pixels
        // of a 160 x 120 control) they stay sharp, at a quarter they melt.
        QImage stripes(640, 480, QImage::Format_Grayscale8);
        for (int x = 0; x < 640; ++x)
            for (int y = 0; y < 480; ++y)
                stripes.setPixel(x, y, (x / 2) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        QTemporaryDir frames;
        QVERIFY(stripes.save(frames.filePath(QStringLiteral("a.jpg")), "JPEG", 95));
        CamSimProcess camera({"--frames-dir", frames.path()});
        TCamImage control;
        control.resize(160, 120);
        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        QSignalSpy newImage(&control, &TCamImage::OnNewImage);
        control.setURL(camera.url(QStringLiteral("/axis-cgi/mjpg/video.cgi")));
        QVERIFY(newImage.wait(5000));
        const QImage shot = control.grab().toImage();
        QCOMPARE(shot.size(), QSize(320, 240));
        int sharpSteps = 0;
        for (int x = 0; x + 1 < shot.width(); ++x)
            sharpSteps += qAbs(qGray(shot.pixel(x, 120)) - qGray(shot.pixel(x + 1, 120))) > 100 ? 1 : 0;
        QVERIFY2(sharpSteps > 250, qPrintable(QString::number(sharpSteps)));
    }
};

QTEST_MAIN(TestCamImageDpr)
#include "tst_camimagedpr.moc"
