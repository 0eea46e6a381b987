#include "camctl/StreamEngine.h"
#include "support/QuickTimings.h"
#include "camctl/TCamImage.h"
#include "support/CamSimProcess.h"
#include "support/JpegFixture.h"
#include "support/RtspSimProcess.h"

#include <QFile>
#include <QGridLayout>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kStream = QStringLiteral("/axis-cgi/mjpg/video.cgi");


} // namespace

// The picture control and its engine against the demo camera program.
class TestCamImageCamSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void reconnectsAfterCameraCloses();
    void blankAddressClosesConnection();
    void savedImageIsTheSentFrame();
    void savedRtspImageIsThePictureShown();
    void credentials_data();
    void credentials();
    void fourteenControlsOneHost();
    void faults_data();
    void faults();
    void stillAddressIsFetchedAgain();

private:
    std::unique_ptr<CamSimProcess> m_camera;
};

void TestCamImageCamSim::initTestCase()
{
    m_camera = std::make_unique<CamSimProcess>(QStringList{"--fps", "25"});
    QVERIFY(m_camera->isRunning());
}

void TestCamImageCamSim::reconnectsAfterCameraCloses()
{
    CamSimProcess camera;
    StreamEngine engine;
    engine.setTimings(quickTimings());
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(camera.url(kStream + "?fault=close-after:3&resolution=176x144"));
    QTRY_VERIFY_WITH_TIMEOUT(engine.stats().reconnects >= 3, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(camera.stat("accepted") >= 4, 5000);
    engine.stop();
    // Each connection's pictures up to its close are shown, the newest of
    // those that arrived together at least.
    QVERIFY2(frames.size() >= int(engine.stats().connections) - 1, qPrintable(QString::number(frames.size())));
    QCOMPARE(frames.first().at(0).value<QImage>().size(), QSize(176, 144));
    QTRY_COMPARE_WITH_TIMEOUT(camera.stat("open"), 0, 5000);
}

void TestCamImageCamSim::blankAddressClosesConnection()
{
    CamSimProcess camera;
    TCamImage control;
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(camera.url(kStream));
    QVERIFY(newImage.wait(5000));
    QCOMPARE(camera.stat("open"), 1);
    control.setURL(QStringLiteral(" "));
    QTRY_COMPARE_WITH_TIMEOUT(camera.stat("open"), 0, 5000);
    QCOMPARE(camera.stat("closed"), 1);
    QCOMPARE(camera.stat("accepted"), 1);
}

void TestCamImageCamSim::savedImageIsTheSentFrame()
{
    QTemporaryDir frames;
    const QByteArray sent = makeJpeg(320, 240, Qt::magenta);
    QFile file(frames.filePath("a.jpg"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(sent);
    file.close();
    CamSimProcess camera({"--frames-dir", frames.path()});
    QVERIFY(camera.isRunning());
    TCamImage control;
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(camera.url(kStream));
    QVERIFY(newImage.wait(5000));
    QTemporaryDir out;
    QVERIFY(control.SaveImage(out.filePath("test.jpg")));
    QFile saved(out.filePath("test.jpg"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), sent);
}

// An RTSP camera sends no JPEG: the picture drawn is encoded.
void TestCamImageCamSim::savedRtspImageIsThePictureShown()
{
    RtspSimProcess camera;
    QVERIFY(camera.isRunning());
    TCamImage control;
    control.resize(176, 144);
    QSignalSpy newImage(&control, &TCamImage::OnNewImage);
    control.setURL(camera.url(QStringLiteral("cam3")));
    QVERIFY(newImage.wait(15000));
    QTemporaryDir out;
    QVERIFY(control.SaveImage(out.filePath("test.jpg")));
    QImage saved;
    QVERIFY(saved.load(out.filePath("test.jpg"), "JPEG"));
    QCOMPARE(saved.size(), QSize(176, 144));
    // The camera's colour, in from the edge where its moving mark is not.
    QVERIFY(qAbs(saved.pixelColor(8, 72).blue() - 250) < 30 && saved.pixelColor(8, 72).red() < 100);
}

void TestCamImageCamSim::credentials_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("userInfo");
    QTest::addColumn<bool>("streams");
    for (const char *mode : {"basic", "digest", "digest-noqop"}) {
        QTest::addRow("%s_right_password", mode) << QString::fromLatin1(mode) << "admin:secret" << true;
        QTest::addRow("%s_wrong_password", mode) << QString::fromLatin1(mode) << "admin:guess" << false;
        QTest::addRow("%s_no_credentials", mode) << QString::fromLatin1(mode) << QString() << false;
    }
}

void TestCamImageCamSim::credentials()
{
    QFETCH(QString, mode);
    QFETCH(QString, userInfo);
    QFETCH(bool, streams);
    CamSimProcess camera;
    StreamEngine engine;
    engine.setTimings(streams ? patientTimings() : quickTimings());
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(camera.url(kStream + "?auth=" + mode, userInfo));
    if (streams) {
        QTRY_VERIFY2_WITH_TIMEOUT(frames.size() >= 3, qPrintable(engine.stats().lastError), 5000);
        QCOMPARE(engine.stats().reconnects, 0u);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(engine.stats().connections >= 3, 5000);
    engine.stop();
    QCOMPARE(frames.size(), 0);
    // At most the unauthenticated request and one answer per attempt.
    const QJsonObject stats = camera.stats();
    QVERIFY2(quint64(stats.value("requests").toInt()) <= 2 * engine.stats().connections,
             qPrintable(QString::number(stats.value("requests").toInt())));
    QVERIFY(!engine.stats().lastError.contains(QStringLiteral("guess")));
}

void TestCamImageCamSim::fourteenControlsOneHost()
{
    QWidget window;
    auto *grid = new QGridLayout(&window);
    std::vector<TCamImage *> controls;
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (int i = 0; i < 14; ++i) {
        auto *control = new TCamImage(&window);
        grid->addWidget(control, i / 4, i % 4);
        controls.push_back(control);
        spies.push_back(std::make_unique<QSignalSpy>(control, &TCamImage::OnNewImage));
    }
    window.resize(800, 600);
    window.show();
    const QJsonObject before = m_camera->stats();
    for (int i = 0; i < 14; ++i) {
        controls[i]->setVisible(false);
        controls[i]->setURL(m_camera->url(kStream + QStringLiteral("?camera=%1&resolution=352x288").arg(i % 4 + 1)));
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(spies.begin(), spies.end(), [](const auto &s) { return s->size() >= 2; }),
                             15000);
    QCOMPARE(m_camera->stat("open"), before.value("open").toInt() + 14);
    for (TCamImage *control : controls)
        control->setURL(QStringLiteral(" "));
    QTRY_COMPARE_WITH_TIMEOUT(m_camera->stat("open"), before.value("open").toInt(), 5000);
}

void TestCamImageCamSim::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("reconnects");
    QTest::addColumn<QString>("error");
    QTest::newRow("no_length") << "no-length" << false << QString();
    QTest::newRow("truncated_pictures_drawn") << "truncate" << false << QString();
    QTest::newRow("oversized_part_dropped") << "oversize:17000000" << false << QString();
    QTest::newRow("slow_answer") << "delay:300" << false << QString();
    QTest::newRow("reset") << "reset-after:2" << true << QString();
    QTest::newRow("stall") << "stall-after:2" << true << "no data";
    // Slow but never silent: kept, never dropped for being slow.
    QTest::newRow("drip") << "drip:2" << false << QString();
    QTest::newRow("html_page") << "html" << true << "not a picture stream";
    QTest::newRow("server_error") << "status:500" << true << "500";
    QTest::newRow("body_boundary_not_the_header_one") << "body-boundary" << false << QString();
    QTest::newRow("slow_link") << "slow-link:4000" << false << QString();
    QTest::newRow("endless_header_line") << "header-flood:header" << true << "too long";
    QTest::newRow("endless_continue_answers") << "header-flood:continue" << true << "headers longer";
}

void TestCamImageCamSim::faults()
{
    QFETCH(QString, fault);
    QFETCH(bool, reconnects);
    QFETCH(QString, error);
    StreamEngine engine;
    engine.setTimings(reconnects ? quickTimings() : patientTimings());
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(m_camera->url(kStream + "?resolution=176x144&fault=" + fault));
    if (reconnects) {
        QTRY_VERIFY2_WITH_TIMEOUT(engine.stats().reconnects >= 2, qPrintable(engine.stats().lastError), 20000);
        QVERIFY2(engine.stats().lastError.contains(error), qPrintable(engine.stats().lastError));
    } else {
        QTRY_VERIFY2_WITH_TIMEOUT(frames.size() >= 3, qPrintable(engine.stats().lastError), 30000);
        QCOMPARE(engine.stats().reconnects, 0u);
    }
}

void TestCamImageCamSim::stillAddressIsFetchedAgain()
{
    StreamEngine engine;
    engine.setTimings(patientTimings());
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(m_camera->url(QStringLiteral("/axis-cgi/jpg/video.cgi?resolution=176x144")));
    QTRY_VERIFY_WITH_TIMEOUT(frames.size() >= 3, 5000);
    QVERIFY(engine.stats().connections >= 3);
    QCOMPARE(engine.stats().reconnects, 0u);
}

QTEST_MAIN(TestCamImageCamSim)
#include "tst_camimagecamsim.moc"
