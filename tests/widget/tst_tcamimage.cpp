#include "camctl/StreamEngine.h"
#include "camctl/TCamImage.h"
#include "support/JpegFixture.h"
#include "support/ScriptedHttpServer.h"

#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kFrame = makeJpeg(160, 120, Qt::red);

bool allBlack(const QImage &image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != 0)
                return false;
        }
    }
    return true;
}

// The picture drawn over the whole client area: red from the first to the
// last pixel (stretched, not centred or tiled).
bool filledWithPicture(const QImage &image)
{
    for (QPoint p : {QPoint(0, 0), QPoint(image.width() - 1, image.height() - 1),
                     QPoint(image.width() / 2, image.height() / 2)}) {
        if (qRed(image.pixel(p)) < 200 || qGreen(image.pixel(p)) > 60)
            return false;
    }
    return true;
}

} // namespace

class TestTCamImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void blackBeforePictureThenDrawn();
    void oneNewImagePerPicture();
    void hiddenControlKeepsStreaming();
    void minimisedWindowDecodesNothingUntilRestored();
    void newAddressShowsBlackAtOnce();
    void saveImageWritesSentBytes();
    void saveImageWithoutPicture_data();
    void saveImageWithoutPicture();
    void leftClickReportsClientPixels();
    void otherButtonsAreNoClick();
    void blankAddressClosesConnection();
    void pictureAPixelLargerLosesItsEdges();

private:
    std::unique_ptr<ScriptedHttpServer> m_server;
};

void TestTCamImage::init()
{
    m_server = std::make_unique<ScriptedHttpServer>([](QTcpSocket *s, const QByteArray &) {
        ScriptedHttpServer::streamParts(s, {kFrame}, 25);
    });
}

void TestTCamImage::blackBeforePictureThenDrawn()
{
    TCamImage control;
    control.resize(200, 100);
    control.show();
    QVERIFY(allBlack(control.grab().toImage()));
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(m_server->url("/axis-cgi/mjpg/video.cgi"));
    QCOMPARE(control.URL(), m_server->url("/axis-cgi/mjpg/video.cgi"));
    QVERIFY(allBlack(control.grab().toImage()));
    QVERIFY(newImage.wait(5000));
    QVERIFY(filledWithPicture(control.grab().toImage()));
}

void TestTCamImage::oneNewImagePerPicture()
{
    TCamImage control;
    control.resize(100, 80);
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(m_server->url());
    QTRY_VERIFY_WITH_TIMEOUT(newImage.size() >= 5, 5000);
    control.setURL(QStringLiteral(" "));
    QCOMPARE(quint64(newImage.size()), control.engine()->stats().frames);
}

void TestTCamImage::hiddenControlKeepsStreaming()
{
    QWidget window;
    TCamImage control(&window);
    window.show();
    control.setVisible(false);
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(m_server->url());
    // The windows' pattern: shown again on the first picture.
    connect(&control, &TCamImage::OnNewImage, &control, [&control] { control.setVisible(true); });
    QVERIFY(newImage.wait(5000));
    QVERIFY(control.isVisible());
    control.setVisible(false);
    const qsizetype seen = newImage.size();
    QTRY_VERIFY_WITH_TIMEOUT(newImage.size() >= seen + 3, 5000);
}

void TestTCamImage::minimisedWindowDecodesNothingUntilRestored()
{
    QWidget window;
    TCamImage control(&window);
    window.show();
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(m_server->url());
    QVERIFY(newImage.wait(5000));
    window.showMinimized();
    const quint64 unseenBefore = control.engine()->stats().unseen;
    QTRY_VERIFY_WITH_TIMEOUT(control.engine()->stats().unseen >= unseenBefore + 3, 5000);
    // A picture decoded before the window went may still have been on its way.
    const qsizetype shown = newImage.size();
    QTRY_VERIFY_WITH_TIMEOUT(control.engine()->stats().unseen >= unseenBefore + 6, 5000);
    QVERIFY(newImage.size() <= shown + 1);
    window.showNormal();
    QVERIFY(newImage.wait(5000));
    QCOMPARE(control.engine()->stats().connections, 1u);
}

void TestTCamImage::newAddressShowsBlackAtOnce()
{
    TCamImage control;
    control.resize(64, 48);
    control.show();
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(m_server->url("/a"));
    QVERIFY(newImage.wait(5000));
    control.setURL(m_server->url("/b"));
    QVERIFY(allBlack(control.grab().toImage()));
    QVERIFY(!control.SaveImage(QDir::temp().filePath("never.jpg")));
}

void TestTCamImage::saveImageWritesSentBytes()
{
    QTemporaryDir dir;
    TCamImage control;
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(m_server->url());
    QVERIFY(newImage.wait(5000));
    const QString file = dir.filePath("test.jpg");
    QVERIFY(control.SaveImage(file));
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), kFrame);
}

void TestTCamImage::saveImageWithoutPicture_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("never_given_an_address") << QString();
    QTest::newRow("stopped") << QStringLiteral(" ");
    QTest::newRow("camera_never_answers") << QStringLiteral("http://127.0.0.1:1/video");
}

void TestTCamImage::saveImageWithoutPicture()
{
    QFETCH(QString, url);
    QTemporaryDir dir;
    TCamImage control;
    control.setURL(url);
    QVERIFY(!control.SaveImage(dir.filePath("test.jpg")));
    QVERIFY(!QFile::exists(dir.filePath("test.jpg")));
}

void TestTCamImage::leftClickReportsClientPixels()
{
    TCamImage control;
    control.resize(320, 240);
    control.show();
    QSignalSpy click(&control, &TCamImage::OnClick);
    QTest::mouseClick(&control, Qt::LeftButton, {}, QPoint(37, 201));
    QCOMPARE(click.size(), 1);
    QCOMPARE(click.first().at(0).toInt(), 37);
    QCOMPARE(click.first().at(1).toInt(), 201);
}

void TestTCamImage::otherButtonsAreNoClick()
{
    TCamImage control;
    control.resize(100, 100);
    control.show();
    QSignalSpy click(&control, &TCamImage::OnClick);
    QTest::mouseClick(&control, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(&control, Qt::MiddleButton, {}, QPoint(10, 10));
    QCOMPARE(click.size(), 0);
}

void TestTCamImage::blankAddressClosesConnection()
{
    TCamImage control;
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(m_server->url());
    QVERIFY(newImage.wait(5000));
    control.setURL(QStringLiteral(" "));
    QTRY_COMPARE_WITH_TIMEOUT(m_server->closed(), 1, 5000);
    QCOMPARE(control.URL(), QStringLiteral(" "));
}

// A picture decoded a pixel larger each side than the control (the decoder
// scales by eighths) loses its outer rows and columns, not inner ones.
void TestTCamImage::pictureAPixelLargerLosesItsEdges()
{
    TCamImage control;
    control.resize(174, 142);
    control.show();
    QVERIFY(QTest::qWaitForWindowExposed(&control));
    QImage picture(176, 144, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter(&picture).fillRect(1, 1, 174, 142, Qt::green);
    Q_EMIT control.engine()->frameReady(picture, QByteArray());
    const QImage shot = control.grab().toImage();
    QCOMPARE(shot.size(), QSize(174, 142));
    for (QPoint p : {QPoint(0, 0), QPoint(173, 141), QPoint(0, 141), QPoint(173, 0)})
        QCOMPARE(shot.pixel(p) & 0xFFFFFF, QColor(Qt::green).rgb() & 0xFFFFFF);
}

QTEST_MAIN(TestTCamImage)
#include "tst_tcamimage.moc"
