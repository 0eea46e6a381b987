#include "camctl/CameraClientPrivate.h"
#include "camctl/HttpClient.h"
#include "camctl/StreamLimits.h"
#include "support/ScriptedHttpServer.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>

namespace {

using Failure = HttpOutcome::Failure;

// Records what the worker reports, back on the test's thread.
class Recorder : public HttpHandler
{
public:
    explicit Recorder(QObject *receiver)
        : m_receiver(receiver)
    {
    }
    bool body(const HttpHead &, QByteArrayView bytes) override
    {
        bodyBytes += bytes.size();
        return true;
    }
    void finished(const HttpOutcome &outcome) override
    {
        QMetaObject::invokeMethod(m_receiver, [this, outcome] { result = outcome; done = true; },
                                  Qt::QueuedConnection);
    }

    std::atomic<qint64> bodyBytes{0};
    HttpOutcome result;
    bool done = false;

private:
    QObject *m_receiver;
};

// Writes `unit` again and again as fast as the client reads it, never
// holding more than a little unsent, until the client goes (or a bound).
void flood(QTcpSocket *socket, const QByteArray &prefix, const QByteArray &unit)
{
    socket->write(prefix);
    auto more = [socket, unit] {
        QByteArray block;
        while (block.size() < 16 * 1024)
            block += unit;
        if (socket->bytesToWrite() < 64 * 1024 && socket->property("sent").toLongLong() < 256 * 1024 * 1024) {
            socket->write(block);
            socket->setProperty("sent", socket->property("sent").toLongLong() + block.size());
        }
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, more);
    more();
}

// The longest the test's thread went without running its event loop.
class GapMeter
{
public:
    GapMeter()
    {
        m_clock.start();
        QObject::connect(&m_tick, &QTimer::timeout, [this] {
            m_longest = qMax(m_longest, m_clock.restart());
        });
        m_tick.start(5);
    }
    qint64 longestMs() const { return m_longest; }

private:
    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_longest = 0;
};

const QByteArray kStaleChallenge = "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"cam\", "
                                   "nonce=\"n\", qop=\"auth\", stale=true\r\nContent-Length: 0\r\n\r\n";

} // namespace

class TestHttpClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void postSendsItsBodyAndKeepsAFaultOnlyWhenAsked_data()
    {
        QTest::addColumn<bool>("keepErrorBody");
        QTest::addColumn<QByteArray>("statusLine");
        QTest::addColumn<qint64>("delivered");
        QTest::addColumn<Failure>("failure");
        QTest::newRow("2xx body delivered") << false << QByteArray("HTTP/1.1 200 OK") << qint64(6) << Failure::None;
        QTest::newRow("fault body dropped by default") << false << QByteArray("HTTP/1.1 500 Error") << qint64(0)
                                                       << Failure::Status;
        QTest::newRow("fault body kept when asked") << true << QByteArray("HTTP/1.1 500 Error") << qint64(6)
                                                    << Failure::Status;
    }

    void postSendsItsBodyAndKeepsAFaultOnlyWhenAsked()
    {
        QFETCH(bool, keepErrorBody);
        QFETCH(QByteArray, statusLine);
        QFETCH(qint64, delivered);
        QFETCH(Failure, failure);
        ScriptedHttpServer server([&](QTcpSocket *s, const QByteArray &) {
            s->write(statusLine + "\r\nContent-Type: application/soap+xml\r\nContent-Length: 6\r\n\r\n<a/>\r\n");
        });
        auto recorder = std::make_shared<Recorder>(this);
        HttpRequest request;
        request.url = QUrl(server.url(QStringLiteral("/onvif/device_service")));
        request.postBody = "<Envelope/>";
        request.contentType = "application/soap+xml; charset=utf-8";
        request.keepErrorBody = keepErrorBody;
        auto transfer = HttpClient::start(request, recorder);
        QTRY_VERIFY_WITH_TIMEOUT(recorder->done, 15000);
        QCOMPARE(recorder->result.failure, failure);
        QCOMPARE(recorder->bodyBytes.load(), delivered);
        QCOMPARE(server.requests().size(), 1);
        const QByteArray head = server.requests().constFirst();
        QVERIFY2(head.startsWith("POST /onvif/device_service "), head.constData());
        QVERIFY(head.contains("\r\nContent-Type: application/soap+xml; charset=utf-8\r\n"));
        QVERIFY(head.contains("\r\nContent-Length: 11\r\n"));
        QVERIFY(!head.contains("Expect:"));
    }

    void hostileAnswersEndTheTransfer_data()
    {
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<QByteArray>("unit");
        QTest::addColumn<int>("mostRequests");
        QTest::newRow("endless status line") << QByteArray("HTTP/1.1 200 ") << QByteArray("O") << 1;
        QTest::newRow("endless header line") << QByteArray("HTTP/1.1 200 OK\r\nX-A: ") << QByteArray("a") << 1;
        QTest::newRow("endless continue answers") << QByteArray() << QByteArray("HTTP/1.1 100 Continue\r\n\r\n") << 1;
        QTest::newRow("endless chunk size line")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nTransfer-Encoding: chunked\r\n\r\n1;")
            << QByteArray("x") << 1;
        QTest::newRow("stale nonce on every answer") << QByteArray() << QByteArray() << 1 + StreamLimits::kMaxChallenges;
    }

    void hostileAnswersEndTheTransfer()
    {
        QFETCH(QByteArray, prefix);
        QFETCH(QByteArray, unit);
        QFETCH(int, mostRequests);
        ScriptedHttpServer server([&](QTcpSocket *s, const QByteArray &) {
            if (unit.isEmpty())
                s->write(kStaleChallenge);
            else
                flood(s, prefix, unit);
        });
        GapMeter gaps;
        auto recorder = std::make_shared<Recorder>(this);
        HttpRequest request;
        request.url = QUrl(server.url(QStringLiteral("/video"), QStringLiteral("admin:se%2Fcret")));
        request.idleTimeoutMs = 1000;
        auto transfer = HttpClient::start(request, recorder);
        QTRY_VERIFY_WITH_TIMEOUT(recorder->done, 15000);
        QVERIFY2(recorder->result.failure != Failure::None, qPrintable(recorder->result.error));
        QVERIFY(!recorder->result.error.contains(QLatin1String("se")));
        QCOMPARE(recorder->bodyBytes.load(), 0);
        QVERIFY2(server.requests().size() <= mostRequests, qPrintable(QString::number(server.requests().size())));
        // Nothing is read once it ended: the server sees every connection go.
        QTRY_COMPARE_WITH_TIMEOUT(server.open(), 0, 5000);
        QCOMPARE(CameraClientPrivate::runningThreads(), 0);
        QVERIFY2(gaps.longestMs() < 500, qPrintable(QString::number(gaps.longestMs())));
    }

    void cancelDropsTheConnectionAtOnce()
    {
        ScriptedHttpServer server([](QTcpSocket *s, const QByteArray &) {
            flood(s, "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=b\r\n\r\n", "--b\r\n\r\nx\r\n");
        });
        auto recorder = std::make_shared<Recorder>(this);
        HttpRequest request;
        request.url = QUrl(server.url());
        auto transfer = HttpClient::start(request, recorder);
        QTRY_VERIFY_WITH_TIMEOUT(recorder->bodyBytes > 0, 5000);
        QElapsedTimer clock;
        clock.start();
        transfer.reset();
        QVERIFY(clock.elapsed() < 50);
        QTRY_COMPARE_WITH_TIMEOUT(server.open(), 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(CameraClientPrivate::runningThreads(), 0, 5000);
        const qint64 read = recorder->bodyBytes;
        QTRY_COMPARE_WITH_TIMEOUT(server.closed(), 1, 5000);
        QCOMPARE(recorder->bodyBytes.load(), read);
        QVERIFY(!recorder->done);
    }
};

QTEST_MAIN(TestHttpClient)
#include "tst_httpclient.moc"
