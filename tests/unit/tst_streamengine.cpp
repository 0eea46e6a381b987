#include "camctl/MemoryBudgetPrivate.h"
#include "camctl/StreamEngine.h"
#include "support/QuickTimings.h"
#include "support/JpegFixture.h"
#include "support/ScriptedHttpServer.h"

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>


namespace {

const QByteArray kFrame = makeJpeg(64, 48, Qt::green);

void respond(QTcpSocket *socket, const QByteArray &statusLine, const QByteArray &headers, const QByteArray &body)
{
    socket->write("HTTP/1.1 " + statusLine + "\r\n" + headers + "Content-Length: " + QByteArray::number(body.size())
                  + "\r\n\r\n" + body);
}

QByteArray part(const QByteArray &body)
{
    return "--myboundary\r\nContent-Type: image/jpeg\r\nContent-Length: " + QByteArray::number(body.size())
           + "\r\n\r\n" + body + "\r\n";
}

QByteArray multipartHead()
{
    return "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=myboundary\r\n\r\n";
}

} // namespace

class TestStreamEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void streamsPictures();
    void decodesAtTargetScale();
    void chunkedTransfer();
    void onlyTheNewestOfPicturesReadTogetherIsDecoded();
    void singlePictureIsFetchedAgain();
    void blankAddressClosesConnection_data();
    void blankAddressClosesConnection();
    void newAddressClosesOldConnection();
    void reconnectsWithGrowingBackoff();
    void stalls();
    void slowCameraIsKept();
    void failingResponsesAreRetried_data();
    void failingResponsesAreRetried();
    void corruptPictureSkippedStreamGoesOn();
    void basicAuthentication();
    void rejectedPasswordCostsTwoRequestsAndStaysSecret();
    void redirectElsewhereGetsNoCredentials();
    void redirectHopsAreBounded();
    void fourteenStreamsFromOneHost();
    void cameraPastTheMemoryBudgetIsRefusedOthersGoOn();
};

void TestStreamEngine::streamsPictures()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) {
        ScriptedHttpServer::streamParts(s, {kFrame}, 20);
    });
    StreamEngine engine;
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(server.url("/axis-cgi/mjpg/video.cgi"));
    QTRY_VERIFY2_WITH_TIMEOUT(frames.size() >= 3, qPrintable(engine.stats().lastError), 5000);
    const QImage image = frames.first().at(0).value<QImage>();
    QCOMPARE(image.size(), QSize(64, 48));
    QCOMPARE(frames.first().at(1).toByteArray(), kFrame);
    QCOMPARE(engine.stats().connections, 1u);
    QVERIFY(server.requests().first().startsWith("GET /axis-cgi/mjpg/video.cgi HTTP/1.1"));
}

void TestStreamEngine::decodesAtTargetScale()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) {
        ScriptedHttpServer::streamParts(s, {kFrame}, 20);
    });
    StreamEngine engine;
    engine.setTargetSize(QSize(16, 12));
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(server.url());
    QVERIFY(frames.wait(5000));
    QCOMPARE(frames.first().at(0).value<QImage>().size(), QSize(16, 12));
}

void TestStreamEngine::chunkedTransfer()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) {
        QByteArray body = part(kFrame) + part(kFrame) + part(kFrame) + "--myboundary\r\n";
        QByteArray out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                         "Content-Type: multipart/x-mixed-replace;boundary=myboundary\r\n\r\n";
        // Chunks that cut parts at odd places.
        for (qsizetype at = 0; at < body.size(); at += 777) {
            const QByteArray chunk = body.mid(at, 777);
            out += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
        }
        s->write(out);
    });
    StreamEngine engine;
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(server.url());
    QTRY_COMPARE_WITH_TIMEOUT(engine.stats().received, 3u, 5000);
    // Pictures that arrive together: the newest replaces the one waiting.
    QTRY_VERIFY_WITH_TIMEOUT(frames.size() >= 1, 5000);
    QCOMPARE(frames.last().at(1).toByteArray(), kFrame);
}

void TestStreamEngine::onlyTheNewestOfPicturesReadTogetherIsDecoded()
{
    const QList<QByteArray> sent{makeJpeg(8, 8), makeJpeg(16, 8), makeJpeg(24, 8), makeJpeg(32, 8)};
    ScriptedHttpServer server([sent](QTcpSocket *s, const QByteArray &) {
        QByteArray burst = multipartHead();
        for (const QByteArray &jpeg : sent)
            burst += part(jpeg);
        s->write(burst + "--myboundary\r\n");
    });
    StreamEngine engine;
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(server.url());
    QTRY_COMPARE_WITH_TIMEOUT(engine.stats().received, 4u, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(engine.stats().frames + engine.stats().replaced, 4u, 5000);
    QVERIFY2(engine.stats().replaced >= 1, qPrintable(QString::number(engine.stats().replaced)));
    QCOMPARE(frames.last().at(1).toByteArray(), sent.last());
}

void TestStreamEngine::singlePictureIsFetchedAgain()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) {
        respond(s, "200 OK", "Content-Type: image/jpeg\r\n", kFrame);
    });
    StreamEngine engine;
    engine.setTimings(quickTimings());
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(server.url("/axis-cgi/jpg/image.cgi"));
    QTRY_VERIFY_WITH_TIMEOUT(frames.size() >= 3, 5000);
    QVERIFY(engine.stats().connections >= 3);
    QCOMPARE(engine.stats().reconnects, 0u);
    QCOMPARE(frames.last().at(1).toByteArray(), kFrame);
}

void TestStreamEngine::blankAddressClosesConnection_data()
{
    QTest::addColumn<QString>("blank");
    QTest::newRow("one_space") << QStringLiteral(" ");
    QTest::newRow("empty") << QString();
    QTest::newRow("all_blank") << QStringLiteral(" \t  ");
}

void TestStreamEngine::blankAddressClosesConnection()
{
    QFETCH(QString, blank);
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) {
        ScriptedHttpServer::streamParts(s, {kFrame}, 20);
    });
    StreamEngine engine;
    engine.setTimings(quickTimings());
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(server.url());
    QVERIFY(frames.wait(5000));
    engine.setUrl(blank);
    QCOMPARE(engine.url(), blank);
    QVERIFY(!engine.isConnected());
    QTRY_COMPARE_WITH_TIMEOUT(server.closed(), 1, 5000);
    QVERIFY(!engine.retryPending());
    QCOMPARE(server.accepted(), 1);
}

void TestStreamEngine::newAddressClosesOldConnection()
{
    ScriptedHttpServer first([](QTcpSocket *s, const QByteArray &) {
        ScriptedHttpServer::streamParts(s, {kFrame}, 20);
    });
    const QByteArray other = makeJpeg(32, 32, Qt::blue);
    ScriptedHttpServer second([other](QTcpSocket *s, const QByteArray &) {
        ScriptedHttpServer::streamParts(s, {other}, 20);
    });
    StreamEngine engine;
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(first.url());
    QVERIFY(frames.wait(5000));
    engine.setUrl(second.url());
    QTRY_COMPARE_WITH_TIMEOUT(first.closed(), 1, 5000);
    frames.clear();
    QVERIFY(frames.wait(5000));
    QCOMPARE(frames.last().at(1).toByteArray(), other);
    QCOMPARE(second.open(), 1);
}

void TestStreamEngine::reconnectsWithGrowingBackoff()
{
    QList<qint64> arrivals;
    QElapsedTimer clock;
    clock.start();
    ScriptedHttpServer server([&](QTcpSocket *s, const QByteArray &) {
        arrivals << clock.elapsed();
        s->write(multipartHead() + part(kFrame).left(100));
        s->disconnectFromHost();
    });
    StreamEngine engine;
    engine.setTimings(quickTimings());
    engine.setUrl(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(arrivals.size() >= 6, 10000);
    engine.stop();
    QVERIFY(engine.stats().reconnects >= 5);
    QVERIFY(!engine.stats().lastError.isEmpty());
    // 40, 80, 160, then capped at 160 (timers may fire a little early).
    const QList<int> least{36, 72, 144, 144, 144};
    for (int i = 0; i < least.size(); ++i)
        QVERIFY2(arrivals[i + 1] - arrivals[i] >= least[i], qPrintable(QString::number(i)));
}

void TestStreamEngine::stalls()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) { s->write(multipartHead() + part(kFrame)); });
    StreamEngine engine;
    engine.setTimings(quickTimings());
    engine.setUrl(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(server.accepted() >= 2, 5000);
    QVERIFY2(engine.stats().lastError.startsWith("no data"), qPrintable(engine.stats().lastError));
    QVERIFY(engine.stats().reconnects >= 1);
    QTRY_VERIFY_WITH_TIMEOUT(server.closed() >= 1, 5000);
}

void TestStreamEngine::slowCameraIsKept()
{
    // One picture in pieces over several idle bounds, never silent for one.
    constexpr int kSlowStallMs = 1500;
    const QByteArray bytes = multipartHead() + part(kFrame);
    constexpr int kPieces = 9;
    ScriptedHttpServer server([&](QTcpSocket *s, const QByteArray &) {
        auto *timer = new QTimer(s);
        auto sent = std::make_shared<int>(0);
        QObject::connect(timer, &QTimer::timeout, s, [s, timer, sent, bytes] {
            const qsizetype piece = bytes.size() / kPieces + 1;
            s->write(bytes.mid(*sent * piece, piece));
            if (++*sent == kPieces)
                timer->stop();
        });
        timer->start(kSlowStallMs / 3);
    });
    StreamEngine engine;
    StreamTimings timings = quickTimings();
    // Long enough that a piece late on a loaded machine is not a stall.
    timings.byteStallMs = kSlowStallMs;
    engine.setTimings(timings);
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(server.url());
    QVERIFY(frames.wait(10000));
    QCOMPARE(engine.stats().connections, 1u);
    QCOMPARE(engine.stats().reconnects, 0u);
}

void TestStreamEngine::failingResponsesAreRetried_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<QString>("reason");
    QTest::newRow("html_page") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\n<p>x")
                               << QStringLiteral("not a picture stream");
    QTest::newRow("not_found") << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n")
                               << QStringLiteral("HTTP status 404");
    QTest::newRow("closing_delimiter") << multipartHead() + part(kFrame) + "--myboundary--\r\n"
                                       << QStringLiteral("the camera closed the stream");
    QTest::newRow("no_http_head") << QByteArray("--myboundary\r\nContent-Type: image/jpeg\r\n\r\n")
                                  << QStringLiteral("no HTTP status line");
    QTest::newRow("header_block_too_long")
        << multipartHead() + "--myboundary\r\nX: " + QByteArray(20000, 'h') << QStringLiteral("part headers longer");
}

void TestStreamEngine::failingResponsesAreRetried()
{
    QFETCH(QByteArray, response);
    QFETCH(QString, reason);
    ScriptedHttpServer server([response](QTcpSocket *s, const QByteArray &) { s->write(response); });
    StreamEngine engine;
    engine.setTimings(quickTimings());
    engine.setUrl(server.url());
    QTRY_VERIFY_WITH_TIMEOUT(server.accepted() >= 3, 5000);
    QVERIFY2(engine.stats().lastError.contains(reason), qPrintable(engine.stats().lastError));
    QVERIFY(engine.stats().reconnects >= 2);
}

void TestStreamEngine::corruptPictureSkippedStreamGoesOn()
{
    // Cut inside its picture data: a cut before it leaves nothing to draw.
    const qsizetype scan = kFrame.indexOf("\xff\xda");
    const QByteArray truncated = kFrame.left((scan + kFrame.size()) / 2);
    ScriptedHttpServer server([truncated](QTcpSocket *s, const QByteArray &) {
        // A part is passed on when the next one begins, a whole picture as
        // soon as it is in: whatever precedes the whole one arrives with it
        // and is replaced unseen, so the truncated picture comes before a
        // second non-picture.
        ScriptedHttpServer::streamParts(s, {"garbage, not a jpeg", truncated, "more garbage", kFrame}, 30);
        s->write("--myboundary\r\nContent-Type: audio/basic\r\n\r\nsound\r\n");
    });
    StreamEngine engine;
    QList<QByteArray> shown;
    connect(&engine, &StreamEngine::frameReady, this, [&](const QImage &, const QByteArray &jpeg) { shown << jpeg; });
    engine.setUrl(server.url());
    // The truncated picture is drawn as far as it decodes.
    QTRY_VERIFY_WITH_TIMEOUT(shown.contains(truncated) && shown.contains(kFrame), 5000);
    QVERIFY(engine.stats().decodeErrors >= 1);
    QCOMPARE(engine.stats().skippedParts, 1u);
    QCOMPARE(engine.stats().connections, 1u);
}

void TestStreamEngine::basicAuthentication()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &head) {
        if (!head.contains("Authorization: Basic " + QByteArray("admin:secret").toBase64() + "\r\n")) {
            respond(s, "401 Unauthorized", "WWW-Authenticate: Basic realm=\"cam\"\r\n", "no");
            return;
        }
        ScriptedHttpServer::streamParts(s, {kFrame}, 20);
    });
    StreamEngine engine;
    QSignalSpy frames(&engine, &StreamEngine::frameReady);
    engine.setUrl(server.url("/video", "admin:secret"));
    QVERIFY(frames.wait(5000));
    QVERIFY(server.requests().size() <= 2);
}

void TestStreamEngine::rejectedPasswordCostsTwoRequestsAndStaysSecret()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) {
        respond(s, "401 Unauthorized", "WWW-Authenticate: Basic realm=\"cam\"\r\n", "no");
    });
    StreamEngine engine;
    engine.setTimings(quickTimings());
    engine.setUrl(server.url("/video", "admin:w0rdPass"));
    QTRY_VERIFY_WITH_TIMEOUT(engine.stats().connections >= 3, 5000);
    engine.stop();
    QVERIFY(quint64(server.requests().size()) <= 2 * engine.stats().connections);
    const QString error = engine.stats().lastError;
    QVERIFY(!error.isEmpty());
    QVERIFY2(!error.contains("w0rdPass") && !error.contains("admin"), qPrintable(error));
}

void TestStreamEngine::redirectElsewhereGetsNoCredentials()
{
    ScriptedHttpServer elsewhere([](QTcpSocket *s, const QByteArray &) {
        respond(s, "401 Unauthorized", "WWW-Authenticate: Basic realm=\"cam\"\r\n", "no");
    });
    const QByteArray location = QStringLiteral("http://localhost:%1/video").arg(elsewhere.port()).toLatin1();
    ScriptedHttpServer camera([location](QTcpSocket *s, const QByteArray &head) {
        if (!head.contains("Authorization: "))
            respond(s, "401 Unauthorized", "WWW-Authenticate: Basic realm=\"cam\"\r\n", "no");
        else
            respond(s, "302 Found", "Location: " + location + "\r\n", {});
    });
    StreamEngine engine;
    engine.setTimings(quickTimings());
    engine.setUrl(camera.url("/video", "admin:secret"));
    QTRY_VERIFY_WITH_TIMEOUT(elsewhere.requests().size() >= 2, 5000);
    engine.stop();
    for (const QByteArray &request : elsewhere.requests())
        QVERIFY2(!request.contains("Authorization"), request.constData());
}

void TestStreamEngine::redirectHopsAreBounded()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &head) {
        const int hop = head.mid(5, head.indexOf(' ', 5) - 5).toInt();
        respond(s, "302 Found", "Location: /" + QByteArray::number(hop + 1) + "\r\n", {});
    });
    StreamEngine engine;
    engine.setTimings(quickTimings());
    engine.setUrl(server.url("/0"));
    // The second attempt has begun and its first request reached the server.
    QTRY_VERIFY_WITH_TIMEOUT(engine.stats().connections >= 2 && server.requests().size() >= 7, 5000);
    engine.stop();
    // The first attempt: the request and five redirects.
    QVERIFY(server.requests().at(5).startsWith("GET /5 "));
    QVERIFY(server.requests().at(6).startsWith("GET /0 "));
}

void TestStreamEngine::fourteenStreamsFromOneHost()
{
    ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) {
        ScriptedHttpServer::streamParts(s, {kFrame}, 40);
    });
    std::vector<std::unique_ptr<StreamEngine>> engines;
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (int i = 0; i < 14; ++i) {
        engines.push_back(std::make_unique<StreamEngine>());
        spies.push_back(std::make_unique<QSignalSpy>(engines.back().get(), &StreamEngine::frameReady));
        engines.back()->setUrl(server.url(QStringLiteral("/axis-cgi/mjpg/video.cgi?camera=%1").arg(i % 4 + 1)));
    }
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(spies.begin(), spies.end(), [](const auto &s) { return s->size() >= 2; }),
                             10000);
    QCOMPARE(server.open(), 14);
}

void TestStreamEngine::cameraPastTheMemoryBudgetIsRefusedOthersGoOn()
{
    MemoryBudgetPrivate::setLimit(4 * 1024 * 1024);
    const auto restore = qScopeGuard([] { MemoryBudgetPrivate::setLimit(0); });
    // Picture data the size of the whole budget, arriving slowly.
    ScriptedHttpServer greedy([](QTcpSocket *s, const QByteArray &) {
        s->write(multipartHead() + "--myboundary\r\nContent-Type: image/jpeg\r\nContent-Length: 8000000\r\n\r\n");
        s->write(QByteArray(5 * 1024 * 1024, 'x'));
    });
    ScriptedHttpServer modest([](QTcpSocket *s, const QByteArray &) {
        ScriptedHttpServer::streamParts(s, {kFrame}, 20);
    });
    StreamEngine big;
    big.setTimings(patientTimings());
    big.setUrl(greedy.url());
    StreamEngine small;
    QSignalSpy frames(&small, &StreamEngine::frameReady);
    small.setUrl(modest.url());
    QTRY_VERIFY_WITH_TIMEOUT(big.stats().reconnects >= 1, 10000);
    QVERIFY2(big.stats().lastError.contains("memory budget"), qPrintable(big.stats().lastError));
    QTRY_VERIFY_WITH_TIMEOUT(frames.size() >= 3, 5000);
    big.stop();
    small.stop();
    QTRY_COMPARE_WITH_TIMEOUT(MemoryBudgetPrivate::reservedBytes(), 0, 5000);
}

QTEST_GUILESS_MAIN(TestStreamEngine)
#include "tst_streamengine.moc"
