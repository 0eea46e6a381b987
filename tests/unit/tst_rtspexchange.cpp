#include "camctl/CameraClientPrivate.h"
#include "camctl/RtspExchange.h"
#include "camctl/StreamLimits.h"
#include "support/RtspSimProcess.h"
#include "support/ScriptedRtspServer.h"

#include <QTest>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>

namespace {

using Request = ScriptedRtspServer::Request;

// Counts what the attempt hands on; its end and transport are read back on
// the test's thread. Packets whose first payload byte is 'X' should never
// have reached it.
class Recorder : public RtspHandler
{
public:
    explicit Recorder(QObject *receiver) : m_receiver(receiver) {}
    std::optional<QByteArray> choose(QByteArrayView sdp, QString *) override
    {
        ++chosen;
        const QByteArray text = sdp.toByteArray();
        const qsizetype control = text.indexOf("a=control:", text.indexOf("m=video"));
        return text.mid(control + 10, text.indexOf('\r', control) - control - 10);
    }
    void playing(const QString &transport) override
    {
        QMetaObject::invokeMethod(m_receiver, [this, transport] { this->transport = transport; }, Qt::QueuedConnection);
    }
    bool packet(bool isRtcp, QByteArrayView bytes, QString *) override
    {
        ++(bytes.size() > 12 && bytes[12] == 'X' ? strays : isRtcp ? rtcp : rtp);
        return true;
    }
    bool caughtUp(QString *) override { return true; }
    void finished(const QString &why) override
    {
        QMetaObject::invokeMethod(m_receiver, [this, why] { reason = why; ++ends; }, Qt::QueuedConnection);
    }

    std::atomic<int> chosen{0}, rtp{0}, rtcp{0}, strays{0};
    QString transport, reason;
    int ends = 0;

private:
    QObject *m_receiver;
};

const QByteArray kSdp = "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=cam\r\nt=0 0\r\na=control:*\r\n"
                        "m=video 0 RTP/AVP 96\r\na=rtpmap:96 H264/90000\r\na=control:track1\r\n";

// A camera as the test scripts it; every field a way cameras got it wrong.
struct Camera
{
    bool silent = false;
    QByteArray redirectsToItself;  // at this method
    QByteArray sdp = kSdp;
    QByteArray tcpAnswer = "200 OK\r\nTransport: RTP/AVP/TCP;unicast;interleaved=0-1";
    QByteArray udpAnswer = "200 OK";
    QByteArray timeout = "60";
    QByteArray keepAliveAnswer = "200 OK";
    QByteArray credentials;  // Basic, when asked for
};

// Answers as Camera says; once playing, writes a packet every 20 ms on the
// chosen channels, or as datagrams from the camera's address, with strays
// (other channels, another address) that must be dropped.
void serve(const Camera &c, QTcpSocket *s, const Request &r)
{
    const QByteArray session = "Session: 5E55;timeout=" + c.timeout;
    if (c.silent)
        return;
    if (!c.credentials.isEmpty() && r.header("Authorization") != "Basic " + c.credentials.toBase64())
        return ScriptedRtspServer::answer(s, r, "401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"cam\"");
    if (s->property("playing").toBool() && r.method != "TEARDOWN")
        return ScriptedRtspServer::answer(s, r, c.keepAliveAnswer + "\r\n" + session);
    if (r.method == c.redirectsToItself)
        return ScriptedRtspServer::answer(s, r, "302 Moved\r\nLocation: " + r.uri());
    if (r.method == "OPTIONS")
        return ScriptedRtspServer::answer(s, r, "200 OK\r\nPublic: OPTIONS, DESCRIBE, SETUP, PLAY, GET_PARAMETER");
    if (r.method == "DESCRIBE")
        return ScriptedRtspServer::answer(s, r, "200 OK\r\nContent-Type: application/sdp", c.sdp);
    if (r.method == "SETUP" && r.header("Transport").contains("/TCP"))
        return ScriptedRtspServer::answer(s, r, c.tcpAnswer + "\r\n" + session);
    if (r.method == "SETUP") {
        s->setProperty("udp", r.header("Transport").split('=').last().split('-').first().toInt());
        const QByteArray transport = "\r\nTransport: " + r.header("Transport") + "\r\n";
        return ScriptedRtspServer::answer(s, r, c.udpAnswer + transport + session);
    }
    ScriptedRtspServer::answer(s, r, "200 OK\r\n" + session);
    if (r.method != "PLAY")
        return;
    s->setProperty("playing", true);
    const quint16 udp = quint16(s->property("udp").toInt());
    auto *camera = new QUdpSocket(s);  // from 127.0.0.1, where the camera's answers come from
    auto *other = new QUdpSocket(s);
    other->bind(QHostAddress(QStringLiteral("127.0.0.2")));
    auto *timer = new QTimer(s);
    QObject::connect(timer, &QTimer::timeout, s, [s, udp, camera, other] {
        const auto packet = [](char tag) {
            return QByteArray("\x80\x60\0\0\0\0\0\0\0\0\0\0", 12) + QByteArray(100, tag);
        };
        for (char channel : {0, 1, 5}) {
            if (udp == 0)
                s->write("$" + QByteArray(1, channel) + QByteArray("\0\x70", 2) + packet(channel == 5 ? 'X' : 'C'));
            else if (channel < 2)
                camera->writeDatagram(packet('C'), QHostAddress::LocalHost, udp + channel);
            else
                other->writeDatagram(packet('X'), QHostAddress::LocalHost, udp);
        }
    });
    timer->start(20);
}

} // namespace

Q_DECLARE_METATYPE(Camera)

class TestRtspExchange : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<Recorder> run(const QString &url, std::unique_ptr<CameraAttempt> *attempt, int stallMs = 5000)
    {
        auto recorder = std::make_shared<Recorder>(this);
        *attempt = RtspExchange::start(QUrl(url), stallMs, recorder);
        return recorder;
    }

private Q_SLOTS:
    // Each camera ends its attempt with a bound's reason, few requests,
    // and nothing held past the bound.
    void faultyCameraEndsBounded_data()
    {
        QTest::addColumn<Camera>("camera");
        QTest::addColumn<QString>("userInfo");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("mostRequests");
        QTest::addColumn<bool>("described");
        Camera c;
        c.silent = true;
        QTest::newRow("answers nothing") << c << "" << "no data for 2000 ms" << 1 << false;
        c = {};
        c.redirectsToItself = "OPTIONS";
        QTest::newRow("redirects to itself")
            << c << "" << "more than 5 redirects" << StreamLimits::kMaxRedirects + 1 << false;
        c.redirectsToItself = "DESCRIBE";
        QTest::newRow("redirects to itself after OPTIONS")
            << c << "" << "more than 5 redirects" << StreamLimits::kMaxSetupRequests << false;
        c = {};
        c.sdp = kSdp + QByteArray("a=source-filter: incl IN IP4 * 192.0.2.1\r\n").repeated(2400);
        QTest::newRow("description of 96 KB") << c << "" << "longer than 32768 bytes" << 2 << false;
        c.sdp = kSdp + QByteArray("a=source-filter: incl IN IP4 * 1\r\n").repeated(600);
        QTest::newRow("many source-filter lines") << c << "" << "more than 256 lines" << 2 << false;
        c = {};
        c.tcpAnswer = c.udpAnswer = "461 Unsupported Transport";
        QTest::newRow("refuses every transport")
            << c << "" << "RTP over TCP (RTSP status 461), and RTP over UDP (RTSP status 461" << 4 << true;
        c = {};
        c.credentials = "ocel:right";
        QTest::newRow("wrong password") << c << "ocel:wr%2Fong" << "(RTSP status 401)" << 2 << false;
    }
    void faultyCameraEndsBounded()
    {
        QFETCH(Camera, camera);
        QFETCH(QString, userInfo);
        QFETCH(QString, reason);
        QFETCH(int, mostRequests);
        QFETCH(bool, described);
        ScriptedRtspServer server([&](QTcpSocket *s, const Request &r) { serve(camera, s, r); });
        std::unique_ptr<CameraAttempt> attempt;
        auto recorder = run(server.url(userInfo), &attempt, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(recorder->ends, 1, 15000);
        QVERIFY2(recorder->reason.contains(reason), qPrintable(recorder->reason));
        for (const char *secret : {"wr/ong", "wr%2Fong", "b2NlbDp3ci9vbmc"})
            QVERIFY(!recorder->reason.contains(QLatin1String(secret), Qt::CaseInsensitive));
        QVERIFY2(server.requests().size() <= mostRequests, qPrintable(QString::number(server.requests().size())));
        QCOMPARE(recorder->chosen.load(), described ? 1 : 0);
        QTRY_COMPARE_WITH_TIMEOUT(server.open(), 0, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(CameraClientPrivate::runningThreads(), 0, 5000);
    }

    // Keep-alives at the session's pace, never per packet, however the
    // camera answers them; the packets go on meanwhile, those on channels
    // other than the media's dropped.
    void keepAlivesKeepTheirPace_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::newRow("session timeout=1") << QByteArray("200 OK");
        QTest::newRow("keep-alive answered 401 stale=true")
            << QByteArray("401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"cam\", nonce=\"n2\", stale=true");
    }
    void keepAlivesKeepTheirPace()
    {
        QFETCH(QByteArray, answer);
        Camera camera;
        camera.timeout = "1";
        camera.keepAliveAnswer = answer;
        ScriptedRtspServer server([&](QTcpSocket *s, const Request &r) { serve(camera, s, r); });
        std::unique_ptr<CameraAttempt> attempt;
        auto recorder = run(server.url(), &attempt);
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rtp >= 1, 10000);
        const qint64 playing = server.nowMs();
        QTRY_VERIFY_WITH_TIMEOUT(recorder->rtp >= 150, 30000);  // three seconds' worth, or more when loaded
        const QList<Request> keepAlives = server.requests("GET_PARAMETER") + server.requests("OPTIONS", playing);
        const qint64 seconds = (server.nowMs() - playing) / 1000;
        // One a second; a camera refusing both methods is asked once with each.
        const bool refused = !answer.startsWith("200");
        QVERIFY2(refused ? keepAlives.size() == 2 : qAbs(keepAlives.size() - seconds) <= 1,
                 qPrintable(QStringLiteral("%1 in %2 s").arg(keepAlives.size()).arg(seconds)));
        QCOMPARE(recorder->ends, 0);
        QCOMPARE(recorder->strays.load(), 0);
        QVERIFY(recorder->rtcp > 0);
    }

    // A camera that will not send over TCP sends over UDP in the same
    // attempt, only from its own address, and is asked for UDP first the
    // next time.
    void refusedTcpFallsBackToUdp_data()
    {
        QTest::addColumn<QByteArray>("tcpAnswer");
        QTest::addColumn<QByteArrayList>("setups");  // the second attempt's first SETUP last
        QTest::newRow("461 to TCP, then UDP")
            << QByteArray("461 Unsupported Transport") << QByteArrayList{"SETUP tcp", "SETUP udp", "SETUP udp"};
        QTest::newRow("answers TCP with UDP")
            << QByteArray("200 OK\r\nTransport: RTP/AVP;unicast;client_port=5000-5001")
            << QByteArrayList{"SETUP tcp", "TEARDOWN", "SETUP udp", "SETUP udp"};
    }
    void refusedTcpFallsBackToUdp()
    {
        QFETCH(QByteArray, tcpAnswer);
        QFETCH(QByteArrayList, setups);
        Camera camera;
        camera.tcpAnswer = tcpAnswer;
        ScriptedRtspServer server([&](QTcpSocket *s, const Request &r) { serve(camera, s, r); });
        QByteArrayList seen;
        for (int attempts = 0; attempts < 2; ++attempts) {
            std::unique_ptr<CameraAttempt> attempt;
            auto recorder = run(server.url(), &attempt);
            QTRY_VERIFY_WITH_TIMEOUT(recorder->rtp >= 10 && recorder->rtcp >= 10 && !recorder->transport.isEmpty(),
                                     10000);
            QCOMPARE(recorder->transport, QStringLiteral("udp"));
            QCOMPARE(recorder->strays.load(), 0);
            attempt.reset();
            QTRY_COMPARE_WITH_TIMEOUT(server.open(), 0, 5000);
        }
        for (const Request &r : server.requests()) {
            if (r.method == "SETUP")
                seen << (r.header("Transport").contains("/TCP") ? "SETUP tcp" : "SETUP udp");
            else if (r.method == "TEARDOWN" && seen.size() == 1)  // of the session set up over the wrong one
                seen << r.method;
        }
        QCOMPARE(seen, setups);
    }

    // GStreamer's server offering one transport: played over that one, and
    // a second attempt at the UDP-only one asks for UDP straight away.
    void playsGstreamerOverItsOnlyTransport_data()
    {
        QTest::addColumn<QString>("protocols");
        QTest::addColumn<QStringList>("setups");
        QTest::newRow("udp only") << "udp" << QStringList{"tcp", "udp", "udp"};
        QTest::newRow("tcp only") << "tcp" << QStringList{"tcp", "tcp"};
    }
    void playsGstreamerOverItsOnlyTransport()
    {
        QFETCH(QString, protocols);
        QFETCH(QStringList, setups);
        RtspSimProcess server({QStringLiteral("--protocols"), protocols});
        QVERIFY(server.isRunning());
        for (int attempts = 0; attempts < 2; ++attempts) {
            std::unique_ptr<CameraAttempt> attempt;
            auto recorder = run(server.url(QStringLiteral("h264")), &attempt);
            QTRY_VERIFY_WITH_TIMEOUT(recorder->rtp >= 20 && !recorder->transport.isEmpty(), 20000);
            QCOMPARE(recorder->transport, protocols);
        }
        QTRY_COMPARE_WITH_TIMEOUT(server.setups(), setups, 5000);
    }
};

QTEST_GUILESS_MAIN(TestRtspExchange)
#include "tst_rtspexchange.moc"
