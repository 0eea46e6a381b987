#include "camctl/TCamImage.h"
#include "support/CamSimProcess.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <turbojpeg.h>

#include <vector>

namespace {

// Black and white columns two pixels wide: decoded at half size they stay
// one-pixel columns, at a quarter they melt into grey.
QByteArray stripes(int width, int height)
{
    std::vector<unsigned char> grey(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            grey[size_t(y) * size_t(width) + size_t(x)] = (x / 2) % 2 ? 255 : 0;
    tjhandle tj = tjInitCompress();
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    tjCompress2(tj, grey.data(), width, 0, height, TJPF_GRAY, &buffer, &size, TJSAMP_GRAY, 95, 0);
    QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    tjFree(buffer);
    tjDestroy(tj);
    return out;
}

} // namespace

// The picture control at a device pixel ratio of 2 (QT_SCALE_FACTOR=2, set
// before the application starts).
class TestCamImageDpr : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void picturesAreDecodedForTheDevicePixels()
    {
        QTemporaryDir frames;
        QFile file(frames.filePath(QStringLiteral("a.jpg")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(stripes(640, 480));
        file.close();
        CamSimProcess camera({"--frames-dir", frames.path()});
        QVERIFY(camera.isRunning());

        TCamImage control;
        control.resize(160, 120);
        control.show();
        QVERIFY(QTest::qWaitForWindowExposed(&control));
        QCOMPARE(control.devicePixelRatioF(), 2.0);
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

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestCamImageDpr test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_camimagedpr.moc"
