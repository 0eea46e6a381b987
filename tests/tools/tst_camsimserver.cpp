#include "CamSimClient.h"
#include "CamSimServer.h"
#include "CameraListText.h"
#include "HeaderFlood.h"
#include "PictureSource.h"
#include "SendStamp.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>

using namespace CamSim;
using namespace CamSimClient;

namespace {

QImage decode(const QByteArray &jpeg)
{
    return QImage::fromData(jpeg, "JPEG");
}

qint64 microsNow()
{
    return QDateTime::currentMSecsSinceEpoch() * 1000;
}

QByteArray md5Hex(const QByteArray &text)
{
    return QCryptographicHash::hash(text, QCryptographicHash::Md5).toHex();
}

QByteArray quotedParam(const QByteArray &header, const char *name)
{
    const QRegularExpression pattern(QStringLiteral("%1=\"([^\"]*)\"").arg(QLatin1String(name)));
    return pattern.match(QString::fromLatin1(header)).captured(1).toLatin1();
}

// How a connection ended, seen below Qt, which reports a FIN and a reset
// alike.
class RawConnection
{
public:
    enum Ending { Open, Fin, Reset };

    RawConnection(quint16 port, const QByteArray &request)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        // The kernel completes a loopback handshake on its own, so this
        // returns at once even though the server runs on this thread.
        if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0)
            m_connected = ::send(m_fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size();
    }
    ~RawConnection() { ::close(m_fd); }

    bool connected() const { return m_connected; }
    bool waitForEnd(int timeoutMs = 5000)
    {
        return QTest::qWaitFor(
            [this] {
                pump();
                return m_ending != Open;
            },
            timeoutMs);
    }
    Ending ending() const { return m_ending; }
    const QByteArray &received() const { return m_received; }

private:
    void pump()
    {
        char buffer[65536];
        while (m_ending == Open) {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                m_received.append(buffer, n);
            } else if (n == 0) {
                m_ending = Fin;
            } else {
                if (errno == ECONNRESET)
                    m_ending = Reset;
                return;
            }
        }
    }

    int m_fd = -1;
    bool m_connected = false;
    Ending m_ending = Open;
    QByteArray m_received;
};

} // namespace

class TestCamSimServer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<CamSimServer> m_server;
    quint16 m_port = 0;

    void startServer(const CamSimServer::Options &options = {})
    {
        m_server = std::make_unique<CamSimServer>(options);
        QString error;
        QVERIFY2(m_server->start(&error), qPrintable(error));
        m_port = m_server->port();
        QVERIFY(m_port != 0);
    }

    // The first picture a stream or still address gives.
    QByteArray firstPicture(const QByteArray &target)
    {
        if (target.contains("/mjpg/")) {
            Client client(m_port);
            client.get(target);
            if (!client.waitForParts(1))
                return {};
            return client.parts().first().body;
        }
        return fetch(m_port, target).body;
    }

    QJsonObject statsJson()
    {
        const Response response = fetch(m_port, "/stats");
        return QJsonDocument::fromJson(response.body).object();
    }

private Q_SLOTS:
    void init() { startServer(); }
    void cleanup() { m_server.reset(); }

    void streamFraming()
    {
        const qint64 before = microsNow();
        Client client(m_port);
        client.get("/axis-cgi/mjpg/video.cgi?fps=50");
        QVERIFY(client.waitForParts(4));
        const Response response = *client.response();
        QCOMPARE(response.statusLine, QByteArray("HTTP/1.0 200 OK"));
        QCOMPARE(response.headers.value("content-type"), QByteArray("multipart/x-mixed-replace; boundary=myboundary"));

        bool framingOk = false;
        const QList<Part> parts = client.parts(&framingOk);
        QVERIFY(framingOk);
        quint64 previous = 0;
        for (const Part &part : parts) {
            QCOMPARE(part.headers.value("content-type"), QByteArray("image/jpeg"));
            QCOMPARE(part.headers.value("content-length").toLongLong(), part.body.size());
            QCOMPARE(decode(part.body).size(), QSize(352, 288));
            const quint64 frame = part.headers.value("x-ocellane-frame").toULongLong();
            QVERIFY(frame > previous);
            previous = frame;
            const qint64 sent = part.headers.value("x-ocellane-send-time").toLongLong();
            QVERIFY(sent >= before - 1000 && sent <= microsNow() + 1000);
        }
    }

    void pictureSize_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QSize>("size");
        QTest::newRow("stream 704x576 with compression")
            << QByteArray("/axis-cgi/mjpg/video.cgi?resolution=704x576&compression=20") << QSize(704, 576);
        QTest::newRow("stream of the odd 358x288") << QByteArray("/cgi-bin/mjpg/video.cgi?resolution=358x288")
                                                   << QSize(358, 288);
        QTest::newRow("stream of the odd 640x400 with input")
            << QByteArray("/axis-cgi/mjpg/video.cgi?resolution=640x400&compression=70&camera=4") << QSize(640, 400);
        QTest::newRow("leading ampersand, default size")
            << QByteArray("/axis-cgi/mjpg/video.cgi?&compression=20&camera=3") << QSize(352, 288);
        QTest::newRow("bare question mark, default size") << QByteArray("/cgi-bin/mjpg/video.cgi?") << QSize(352, 288);
        QTest::newRow("still of the 2100") << QByteArray("/cgi-bin/jpg/image.cgi?resolution=704x576") << QSize(704, 576);
        QTest::newRow("still of the 2400") << QByteArray("/axis-cgi/jpg/video.cgi?resolution=320x240&camera=2")
                                           << QSize(320, 240);
    }

    void pictureSize()
    {
        QFETCH(QByteArray, target);
        QTEST(decode(firstPicture(target)).size(), "size");
    }

    void camerasHaveTheirOwnColours()
    {
        QList<QColor> seen;
        for (int camera = 1; camera <= kCameraCount; ++camera) {
            const QImage image =
                decode(firstPicture("/axis-cgi/jpg/video.cgi?compression=0&camera=" + QByteArray::number(camera)));
            QVERIFY(!image.isNull());
            // Left of the centred number, below the clock: background.
            const QColor colour = image.pixelColor(image.width() / 8, image.height() / 2);
            const QColor wanted = cameraColour(camera);
            QVERIFY2(qAbs(colour.red() - wanted.red()) + qAbs(colour.green() - wanted.green())
                             + qAbs(colour.blue() - wanted.blue())
                         < 30,
                     qPrintable(QStringLiteral("camera %1 shows %2").arg(camera).arg(colour.name())));
            for (const QColor &other : std::as_const(seen)) {
                const int distance = qAbs(colour.red() - other.red()) + qAbs(colour.green() - other.green())
                                     + qAbs(colour.blue() - other.blue());
                QVERIFY2(distance > 90, qPrintable(QStringLiteral("camera %1 looks like another").arg(camera)));
            }
            seen.append(colour);
        }
    }

    void compressionLowersQuality()
    {
        const QByteArray fine = firstPicture("/cgi-bin/jpg/image.cgi?compression=0");
        const QByteArray coarse = firstPicture("/cgi-bin/jpg/image.cgi?compression=90");
        QVERIFY(!decode(fine).isNull());
        QVERIFY(!decode(coarse).isNull());
        QVERIFY2(fine.size() > 2 * coarse.size(), qPrintable(QStringLiteral("%1 vs %2").arg(fine.size()).arg(coarse.size())));
    }

    void stillImage_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("axis 2100 still path") << QByteArray("/cgi-bin/jpg/image.cgi?");
        QTest::newRow("axis 2400 still path") << QByteArray("/axis-cgi/jpg/video.cgi?&camera=2");
    }

    void stillImage()
    {
        QFETCH(QByteArray, target);
        Client client(m_port);
        client.get(target);
        QVERIFY(client.waitForClose());
        const Response response = *client.response();
        QCOMPARE(response.statusLine, QByteArray("HTTP/1.0 200 OK"));
        QCOMPARE(response.headers.value("content-type"), QByteArray("image/jpeg"));
        QCOMPARE(response.headers.value("content-length").toLongLong(), response.body.size());
        QCOMPARE(decode(response.body).size(), QSize(352, 288));
    }

    void plainAnswers_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("bodyPart");

        auto get = [](const QByteArray &target) { return "GET " + target + " HTTP/1.0\r\n\r\n"; };
        QTest::newRow("unknown path is 404") << get("/index.html") << 404 << QByteArray("text/plain")
                                             << QByteArray("/index.html");
        QTest::newRow("camera 10 is a bad request") << get("/axis-cgi/mjpg/video.cgi?camera=10") << 400
                                                    << QByteArray("text/plain") << QByteArray("camera");
        QTest::newRow("tiny resolution is a bad request") << get("/cgi-bin/jpg/image.cgi?resolution=8x8") << 400
                                                          << QByteArray("text/plain") << QByteArray("resolution");
        QTest::newRow("unknown fault is a bad request") << get("/cgi-bin/mjpg/video.cgi?fault=boom") << 400
                                                        << QByteArray("text/plain") << QByteArray("boom");
        QTest::newRow("post is not served") << QByteArray("POST /cgi-bin/jpg/image.cgi HTTP/1.0\r\n\r\n") << 405
                                            << QByteArray("text/plain") << QByteArray("GET");
        QTest::newRow("garbage request line") << QByteArray("HELLO\r\n\r\n") << 400 << QByteArray("text/plain")
                                              << QByteArray("Malformed");
        QTest::newRow("head over 16 KiB")
            << QByteArray("GET / HTTP/1.0\r\nX-Pad: ") + QByteArray(20000, 'p') << 431 << QByteArray("text/plain")
            << QByteArray("too large");
        QTest::newRow("status fault on a stream") << get("/axis-cgi/mjpg/video.cgi?fault=status:500") << 500
                                                  << QByteArray("text/plain") << QByteArray("500");
        QTest::newRow("status fault on a still") << get("/cgi-bin/jpg/image.cgi?fault=status:503") << 503
                                                 << QByteArray("text/plain") << QByteArray("503");
        QTest::newRow("html fault") << get("/axis-cgi/mjpg/video.cgi?fault=html") << 200
                                    << QByteArray("text/html; charset=utf-8") << QByteArray("<html>");
    }

    void plainAnswers()
    {
        QFETCH(QByteArray, request);
        QFETCH(QByteArray, bodyPart);
        Client client(m_port);
        client.send(request);
        QVERIFY(client.waitForClose());
        const auto response = client.response();
        QVERIFY(response);
        QTEST(response->status, "status");
        QTEST(response->headers.value("content-type"), "contentType");
        QCOMPARE(response->headers.value("content-length").toLongLong(), response->body.size());
        QVERIFY2(response->body.contains(bodyPart), response->body.constData());
    }

    void silentClientIsLetGo()
    {
        CamSimServer::Options options;
        options.requestTimeoutMs = 200;
        startServer(options);
        Client client(m_port);
        client.send("GET /cgi-bin/jpg/image.cgi HTTP/1.0\r\n");
        QVERIFY(client.waitForClose());
        QCOMPARE(client.response()->status, 408);
    }

    void delayAppliesToAnyPath_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::newRow("unknown path") << QByteArray("/nothing?fault=delay:200") << 404;
        QTest::newRow("counters") << QByteArray("/stats?fault=delay:200") << 200;
    }

    void delayAppliesToAnyPath()
    {
        QFETCH(QByteArray, target);
        QElapsedTimer timer;
        timer.start();
        QTEST(fetch(m_port, target).status, "status");
        QVERIFY(timer.elapsed() >= 200);
    }

    void closeAfterCountsPictures()
    {
        Client client(m_port);
        client.get("/axis-cgi/mjpg/video.cgi?fps=50&fault=close-after:3");
        QVERIFY(client.waitForClose());
        bool framingOk = false;
        QCOMPARE(client.parts(&framingOk).size(), 3);
        QVERIFY(framingOk);
        QTRY_COMPARE(m_server->stats().closedCount(), 1);
        QCOMPARE(m_server->stats().framesCount(), 3);
    }

    void endings_data()
    {
        QTest::addColumn<QByteArray>("fault");
        QTest::addColumn<int>("ending");
        QTest::newRow("close-after ends with FIN") << QByteArray("close-after:2") << int(RawConnection::Fin);
        QTest::newRow("reset-after ends with RST") << QByteArray("reset-after:2") << int(RawConnection::Reset);
    }

    void endings()
    {
        QFETCH(QByteArray, fault);
        RawConnection connection(m_port, "GET /axis-cgi/mjpg/video.cgi?fps=50&fault=" + fault + " HTTP/1.0\r\n\r\n");
        QVERIFY(connection.connected());
        QVERIFY(connection.waitForEnd());
        QTEST(int(connection.ending()), "ending");
        const auto response = splitResponse(connection.received());
        QVERIFY(response);
        bool framingOk = false;
        QCOMPARE(parseParts(response->body, &framingOk).size(), 2);
        QVERIFY(framingOk);
        QTRY_COMPARE(m_server->stats().openCount(), 0);
    }

    void stallKeepsConnectionOpen()
    {
        Client stalled(m_port);
        stalled.get("/axis-cgi/mjpg/video.cgi?fps=50&camera=2&fault=stall-after:2");
        QVERIFY(stalled.waitForParts(2));
        // A healthy client of the same camera shows time going on.
        Client healthy(m_port);
        healthy.get("/axis-cgi/mjpg/video.cgi?fps=50&camera=2");
        QVERIFY(healthy.waitForParts(8));
        stalled.waitUntil([] { return true; }, 0);
        QCOMPARE(stalled.parts().size(), 2);
        QCOMPARE(stalled.socket().state(), QAbstractSocket::ConnectedState);
        QCOMPARE(m_server->stats().openCount(), 2);
    }

    void noLengthParts()
    {
        Client client(m_port);
        client.get("/axis-cgi/mjpg/video.cgi?fps=50&fault=no-length");
        QVERIFY(client.waitForParts(3));
        bool framingOk = false;
        const QList<Part> parts = client.parts(&framingOk);
        QVERIFY(framingOk);
        for (const Part &part : parts) {
            QVERIFY(!part.headers.contains("content-length"));
            QCOMPARE(decode(part.body).size(), QSize(352, 288));
        }
    }

    void truncateCutsEverySecondPicture()
    {
        Client client(m_port);
        client.get("/axis-cgi/mjpg/video.cgi?fps=50&compression=0&fault=truncate");
        QVERIFY(client.waitForParts(4));
        bool framingOk = false;
        const QList<Part> parts = client.parts(&framingOk);
        QVERIFY(framingOk);
        for (int i = 0; i < 4; ++i) {
            const QByteArray &body = parts[i].body;
            const bool cut = i % 2 == 1;
            QCOMPARE(body.endsWith("\xff\xd9"), !cut);
            if (cut) {
                const double share = double(body.size()) / parts[i - 1].body.size();
                QVERIFY2(share > 0.4 && share < 0.6, qPrintable(QString::number(share)));
            }
        }
    }

    void oversizePartThenPictures()
    {
        Client client(m_port);
        client.get("/axis-cgi/mjpg/video.cgi?fps=50&fault=oversize:300000");
        QVERIFY(client.waitForParts(3));
        bool framingOk = false;
        const QList<Part> parts = client.parts(&framingOk);
        QVERIFY(framingOk);
        QCOMPARE(parts[0].headers.value("content-length"), QByteArray("300000"));
        QCOMPARE(parts[0].body.size(), 300000);
        QVERIFY(!parts[0].body.startsWith("\xff\xd8"));
        QCOMPARE(decode(parts[1].body).size(), QSize(352, 288));
        QCOMPARE(decode(parts[2].body).size(), QSize(352, 288));
    }

    void dripSendsByteByByte()
    {
        QElapsedTimer timer;
        timer.start();
        Client client(m_port);
        client.get("/cgi-bin/jpg/image.cgi?fault=drip:5");
        QVERIFY(client.waitUntil([&] { return client.received().size() >= 40; }));
        // 40 bytes at one per 5 ms cannot come sooner than 195 ms.
        QVERIFY2(timer.elapsed() >= 190, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(client.received().startsWith("HTTP/1.0 200 OK\r\n"));
        QVERIFY(client.socket().state() == QAbstractSocket::ConnectedState);
    }

    void hostileAnswers_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("head");          // the answer starts with it
        QTest::addColumn<QByteArray>("endlessUnit");   // repeats after the head
        QTest::addColumn<QByteArray>("boundary");      // of the parts
        QTest::addColumn<int>("bytesPerSecond");       // 0: not paced
        QTest::addColumn<int>("bytes");                // read before the checks
        const QByteArray stream = "/axis-cgi/mjpg/video.cgi?fps=50&fault=", still = "/cgi-bin/jpg/image.cgi?fault=";
        const QByteArray mixed = "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=myboundary\r\n";
        const QByteArray none, x = "x";
        const int flood = 256 * 1024;
        QTest::newRow("body boundary differs from the header's")
            << stream + "body-boundary:--myboundary" << mixed << none << QByteArray("--myboundary") << 0 << 65536;
        QTest::newRow("slow link paces a stream from its first byte")
            << stream + "slow-link:8000&resolution=32x32" << mixed << none << QByteArray("myboundary") << 8000 << 3000;
        QTest::newRow("slow link paces a still")
            << still + "slow-link:2000" << QByteArray("HTTP/1.0 200 OK\r\n") << none << none << 2000 << 800;
        QTest::newRow("endless status line on a still")
            << still + "header-flood:status" << QByteArray("HTTP/1.0 200 ") << x << none << 0 << flood;
        QTest::newRow("endless header line on a stream")
            << stream + "header-flood:header" << mixed + "X-Ocellane-Flood: " << x << none << 0 << flood;
        QTest::newRow("continue answers without end on a stream")
            << stream + "header-flood:continue" << none << QByteArray("HTTP/1.1 100 Continue\r\n\r\n") << none << 0
            << flood;
        QTest::newRow("endless chunk size on a still")
            << still + "header-flood:chunk"
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nTransfer-Encoding: chunked\r\n\r\n")
            << QByteArray("f") << none << 0 << flood;
    }

    void hostileAnswers()
    {
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, endlessUnit);
        QFETCH(QByteArray, boundary);
        QFETCH(int, bytesPerSecond);
        QFETCH(int, bytes);
        QElapsedTimer clock;
        clock.start();
        qint64 lastArrival = 0, longestSilence = 0;
        Client client(m_port);
        client.get(target);
        QVERIFY(client.waitUntil([&, seen = qsizetype(0)]() mutable {
            if (client.received().size() > seen) {
                seen = client.received().size();
                const qint64 now = clock.elapsed();
                longestSilence = std::max(longestSilence, now - std::exchange(lastArrival, now));
            }
            return seen >= bytes;
        }, 10000));
        const QByteArray got = client.received();
        QVERIFY2(got.startsWith(head), got.left(200).constData());
        bool framingOk = false;
        const QList<Part> parts = client.parts(&framingOk, boundary);
        QVERIFY(boundary.isEmpty() || (framingOk && parts.size() >= 2 && !decode(parts[1].body).isNull()));
        // Paced: never ahead of the rate, never far behind it, never quiet for long.
        const qint64 due = bytesPerSecond ? got.size() * 1000 / bytesPerSecond : 0, took = clock.elapsed();
        QVERIFY2(!due || (took >= due - 10 && took < 2 * due + 1000 && longestSilence < 250),
                 qPrintable(QStringLiteral("%1 B in %2 ms, %3 ms quiet").arg(got.size()).arg(took).arg(longestSilence)));
        if (endlessUnit.isEmpty())
            return;
        const QByteArray tail = got.mid(head.size());
        QVERIFY(tail == endlessUnit.repeated(tail.size() / endlessUnit.size() + 1).left(tail.size()));
        // A client that stops reading costs a bounded buffer; hanging up ends the flood.
        client.socket().setReadBufferSize(1024);
        qint64 backlog = 0;
        QVERIFY(QTest::qWaitFor([&] {
            for (const QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
                backlog = std::max(backlog, socket->bytesToWrite());
            return backlog >= kFloodBacklog / 2;
        }, 5000));
        QVERIFY2(backlog <= kFloodBacklog, qPrintable(QString::number(backlog)));
        client.socket().abort();
        QTRY_COMPARE(m_server->stats().openCount(), 0);
    }

    void delayHoldsTheAnswer()
    {
        QElapsedTimer timer;
        timer.start();
        const Response response = fetch(m_port, "/axis-cgi/jpg/video.cgi?fault=delay:300");
        QVERIFY(timer.elapsed() >= 300);
        QCOMPARE(response.status, 200);
        QVERIFY(!decode(response.body).isNull());
    }

    void serverFaultAppliesToStreamsUnlessAsked()
    {
        CamSimServer::Options options;
        options.streamFault = *FaultPlan::parse("close-after:1", nullptr);
        startServer(options);

        Client defaulted(m_port);
        defaulted.get("/axis-cgi/mjpg/video.cgi?fps=50");
        QVERIFY(defaulted.waitForClose());
        QCOMPARE(defaulted.parts().size(), 1);

        Client overridden(m_port);
        overridden.get("/axis-cgi/mjpg/video.cgi?fps=50&fault=no-length");
        QVERIFY(overridden.waitForParts(3));

        const Response still = fetch(m_port, "/axis-cgi/jpg/video.cgi");
        QCOMPARE(still.status, 200);
        QVERIFY(!decode(still.body).isNull());
    }

    void basicAuth_data()
    {
        QTest::addColumn<QByteArray>("authorization");
        QTest::addColumn<int>("status");
        QTest::newRow("no credentials") << QByteArray() << 401;
        QTest::newRow("right password") << "Basic " + QByteArray("admin:secret").toBase64() << 200;
        QTest::newRow("scheme in lower case") << "basic " + QByteArray("admin:secret").toBase64() << 200;
        QTest::newRow("wrong password") << "Basic " + QByteArray("admin:guess").toBase64() << 401;
        QTest::newRow("wrong user") << "Basic " + QByteArray("root:secret").toBase64() << 401;
        QTest::newRow("not base64") << QByteArray("Basic %%%") << 401;
        QTest::newRow("other scheme") << QByteArray("Bearer abc") << 401;
    }

    void basicAuth()
    {
        QFETCH(QByteArray, authorization);
        CamSimServer::Options options;
        options.auth = AuthMode::Basic;
        startServer(options);
        const QByteArray header = authorization.isEmpty() ? QByteArray() : "Authorization: " + authorization + "\r\n";
        const Response response = fetch(m_port, "/cgi-bin/jpg/image.cgi", header);
        QTEST(response.status, "status");
        if (response.status == 401) {
            QCOMPARE(response.headers.value("www-authenticate"), QByteArray("Basic realm=\"ocellane\""));
            QCOMPARE(m_server->stats().toJson().contains("\"unauthorized\":1"), true);
        } else {
            QVERIFY(!decode(response.body).isNull());
        }
    }

    void digestAuth_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<bool>("challengeHasQop");
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<bool>("answerWithQop");
        QTest::addColumn<QByteArray>("user");
        QTest::addColumn<QByteArray>("uriSent");
        QTest::addColumn<bool>("forgeNonce");
        QTest::addColumn<int>("status");

        const QByteArray stream = "/axis-cgi/mjpg/video.cgi?camera=2";
        QTest::newRow("right password with qop")
            << stream << true << QByteArray("secret") << true << QByteArray("admin") << stream << false << 200;
        QTest::newRow("right password without qop")
            << stream << true << QByteArray("secret") << false << QByteArray("admin") << stream << false << 200;
        QTest::newRow("wrong password")
            << stream << true << QByteArray("guess") << true << QByteArray("admin") << stream << false << 401;
        QTest::newRow("wrong user")
            << stream << true << QByteArray("secret") << true << QByteArray("root") << stream << false << 401;
        QTest::newRow("answer for another address") << stream << true << QByteArray("secret") << true
                                                    << QByteArray("admin") << QByteArray("/axis-cgi/mjpg/video.cgi")
                                                    << false << 401;
        QTest::newRow("address answered for in another encoding")
            << QByteArray("/cgi-bin/jpg/image.cgi?fault=close-after%3A1") << true << QByteArray("secret") << true
            << QByteArray("admin") << QByteArray("/cgi-bin/jpg/image.cgi?fault=close-after:1") << false << 200;
        QTest::newRow("nonce not handed out") << stream << true << QByteArray("secret") << true << QByteArray("admin")
                                              << stream << true << 401;
        const QByteArray noQop = "/cgi-bin/jpg/image.cgi?auth=digest-noqop";
        QTest::newRow("challenge without qop, answer without qop")
            << noQop << false << QByteArray("secret") << false << QByteArray("admin") << noQop << false << 200;
    }

    void digestAuth()
    {
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, password);
        QFETCH(bool, answerWithQop);
        QFETCH(QByteArray, user);
        QFETCH(QByteArray, uriSent);
        QFETCH(bool, forgeNonce);
        CamSimServer::Options options;
        options.auth = AuthMode::Digest;
        startServer(options);

        const Response challenge = fetch(m_port, target);
        QCOMPARE(challenge.status, 401);
        const QByteArray header = challenge.headers.value("www-authenticate");
        QVERIFY(header.startsWith("Digest realm=\"ocellane\", "));
        QVERIFY(header.endsWith(", algorithm=MD5"));
        QTEST(header.contains("qop=\"auth\""), "challengeHasQop");
        QByteArray nonce = quotedParam(header, "nonce");
        const QByteArray opaque = quotedParam(header, "opaque");
        QVERIFY(!nonce.isEmpty());
        QVERIFY(!opaque.isEmpty());
        if (forgeNonce)
            nonce[0] = nonce[0] == 'a' ? 'b' : 'a';

        const QByteArray ha1 = md5Hex(user + ":ocellane:" + password);
        const QByteArray ha2 = md5Hex("GET:" + uriSent);
        const QByteArray nc = "00000001";
        const QByteArray cnonce = "0a4f113b";
        QByteArray authorization = "Digest username=\"" + user + "\", realm=\"ocellane\", nonce=\"" + nonce
                                   + "\", uri=\"" + uriSent + "\", algorithm=MD5, opaque=\"" + opaque + "\", ";
        if (answerWithQop) {
            authorization += "qop=auth, nc=" + nc + ", cnonce=\"" + cnonce + "\", response=\""
                             + md5Hex(ha1 + ':' + nonce + ':' + nc + ':' + cnonce + ":auth:" + ha2) + '"';
        } else {
            authorization += "response=\"" + md5Hex(ha1 + ':' + nonce + ':' + ha2) + '"';
        }
        Client client(m_port);
        client.get(target, "Authorization: " + authorization + "\r\n");
        QVERIFY(client.waitForResponse());
        QTEST(client.response()->status, "status");
    }

    void statsAndPlainPathsNeedNoCredentials()
    {
        CamSimServer::Options options;
        options.auth = AuthMode::Basic;
        startServer(options);
        QCOMPARE(fetch(m_port, "/stats").status, 200);
        QCOMPARE(fetch(m_port, "/nothing").status, 404);
    }

    void requestCanAskForCredentials()
    {
        const Response response = fetch(m_port, "/cgi-bin/jpg/image.cgi?auth=basic");
        QCOMPARE(response.status, 401);
        QCOMPARE(response.headers.value("www-authenticate"), QByteArray("Basic realm=\"ocellane\""));
    }

    void statsCountConnections()
    {
        QCOMPARE(statsJson().value("accepted").toInt(), 0);
        auto first = std::make_unique<Client>(m_port);
        first->get("/axis-cgi/mjpg/video.cgi?camera=4");
        QVERIFY(first->waitForParts(1));
        QJsonObject stats = statsJson();
        QCOMPARE(stats.value("accepted").toInt(), 1);
        QCOMPARE(stats.value("open").toInt(), 1);
        QCOMPARE(stats.value("closed").toInt(), 0);
        QCOMPARE(stats.value("openByCamera").toObject().value("4").toInt(), 1);
        QCOMPARE(stats.value("openByCamera").toObject().value("1").toInt(), 0);
        QVERIFY(stats.value("frames").toInt() >= 1);

        // The client hangs up: the server notices without sending.
        first.reset();
        QTRY_COMPARE(m_server->stats().openCount(), 0);
        stats = statsJson();
        QCOMPARE(stats.value("closed").toInt(), 1);
        QCOMPARE(stats.value("openByCamera").toObject().value("4").toInt(), 0);

        Client again(m_port);
        again.get("/axis-cgi/mjpg/video.cgi?camera=4");
        QVERIFY(again.waitForParts(1));
        QCOMPARE(fetch(m_port, "/unknown").status, 404);
        stats = statsJson();
        QCOMPARE(stats.value("accepted").toInt(), 2);
        QCOMPARE(stats.value("acceptedByCamera").toObject().value("4").toInt(), 2);
        QCOMPARE(stats.value("open").toInt(), 1);
        // Two streams and the 404; the /stats requests do not count.
        QCOMPARE(stats.value("requests").toInt(), 3);
    }

    void clientsOfOneKeyShareEncoding()
    {
        Client first(m_port);
        first.get("/axis-cgi/mjpg/video.cgi?resolution=704x576&camera=5");
        Client second(m_port);
        second.get("/axis-cgi/mjpg/video.cgi?camera=5&resolution=704x576");
        QVERIFY(first.waitForParts(3));
        QVERIFY(second.waitForParts(3));
        QCOMPARE(m_server->feedCount(), 1);
        const Part last = second.parts().last();
        QVERIFY(first.waitUntil([&] {
            for (const Part &part : first.parts()) {
                if (part.headers.value("x-ocellane-frame") == last.headers.value("x-ocellane-frame"))
                    return part.body == last.body;
            }
            return false;
        }));

        Client other(m_port);
        other.get("/axis-cgi/mjpg/video.cgi?resolution=704x576&camera=6");
        QVERIFY(other.waitForParts(1));
        QCOMPARE(m_server->feedCount(), 2);
        first.socket().abort();
        second.socket().abort();
        other.socket().abort();
        QTRY_COMPARE(m_server->feedCount(), 0);
    }

    void slowClientSkipsFrames()
    {
        const QByteArray target = "/axis-cgi/mjpg/video.cgi?fps=100&resolution=1024x768&compression=0";
        Client slow(m_port);
        slow.socket().setReadBufferSize(1024);
        slow.get(target);
        Client fast(m_port);
        fast.get(target);
        QVERIFY(fast.waitForParts(150, 15000));
        // Pictures handed to the slow client's socket stay few while it
        // does not read.
        const qint64 toSlow = m_server->stats().framesCount() - fast.parts().size();
        QVERIFY2(toSlow < 100, qPrintable(QString::number(toSlow)));

        slow.socket().setReadBufferSize(0);
        QVERIFY(slow.waitForParts(int(toSlow) + 2, 15000));
        bool framingOk = false;
        const QList<Part> parts = slow.parts(&framingOk);
        QVERIFY(framingOk);
        bool skipped = false;
        for (int i = 1; i < parts.size(); ++i) {
            const quint64 step = parts[i].headers.value("x-ocellane-frame").toULongLong()
                                 - parts[i - 1].headers.value("x-ocellane-frame").toULongLong();
            QVERIFY(step >= 1);
            skipped = skipped || step > 1;
        }
        QVERIFY(skipped);
    }

    void framesFolderLoopsUnchanged()
    {
        QTemporaryDir dir;
        QList<QByteArray> files;
        for (const auto &[name, colour] : {std::pair{"a.jpg", Qt::red}, std::pair{"b.jpg", Qt::green},
                                           std::pair{"c.jpg", Qt::blue}}) {
            QImage image(40, 30, QImage::Format_RGB32);
            image.fill(colour);
            QVERIFY(image.save(dir.filePath(QLatin1String(name)), "JPEG"));
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            files.append(file.readAll());
        }
        QFile other(dir.filePath(QStringLiteral("notes.txt")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("not a picture");
        other.close();

        CamSimServer::Options options;
        options.framesDir = dir.path();
        startServer(options);
        Client client(m_port);
        client.get("/axis-cgi/mjpg/video.cgi?fps=50&resolution=704x576&compression=0");
        QVERIFY(client.waitForParts(5));
        for (const Part &part : client.parts()) {
            const quint64 frame = part.headers.value("x-ocellane-frame").toULongLong();
            QVERIFY(frame >= 1);
            QCOMPARE(part.body, files[int((frame - 1) % 3)]);
        }
    }

    // Asked for, the send time rides in a comment after the start marker;
    // the rest of the picture is the file's bytes.
    void stampedPicturesCarryTheirSendTime()
    {
        QTemporaryDir dir;
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(dir.filePath(QStringLiteral("a.jpg")), "JPEG"));
        QFile file(dir.filePath(QStringLiteral("a.jpg")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray sentFile = file.readAll();
        CamSimServer::Options options;
        options.framesDir = dir.path();
        startServer(options);
        const qint64 before = microsNow();
        Client client(m_port);
        client.get("/axis-cgi/mjpg/video.cgi?fps=50&stamp=1");
        QVERIFY(client.waitForParts(2));
        for (const Part &part : client.parts()) {
            const qint64 sent = SendStamp::sentUs(part.body);
            QVERIFY(sent >= before - 1000 && sent <= microsNow() + 1000);
            const qsizetype comment = 4 + ((uchar(part.body[4]) << 8) | uchar(part.body[5]));
            QCOMPARE(part.body.first(2) + part.body.sliced(comment), sentFile);
            QCOMPARE(decode(part.body).size(), QSize(40, 30));
        }
    }

    void framesFolderWithoutPictures()
    {
        QTemporaryDir dir;
        CamSimServer::Options options;
        options.framesDir = dir.path();
        CamSimServer server(options);
        QString error;
        QVERIFY(!server.start(&error));
        QVERIFY(error.contains(QStringLiteral("no *.jpg")));
    }

    void programPrintsItsPortFirst()
    {
        QProcess process;
        process.start(QStringLiteral(OCELLANE_CAMSIM_BINARY), {QStringLiteral("--quiet")});
        QVERIFY(process.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return process.canReadLine(); }, 10000));
        const QByteArray line = process.readLine();
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9]+\n$")).match(QString::fromLatin1(line)).hasMatch(),
                 line.constData());
        const Response response = fetch(quint16(line.trimmed().toUInt()), "/cgi-bin/jpg/image.cgi");
        QCOMPARE(response.status, 200);
        QVERIFY(!decode(response.body).isNull());
        process.terminate();
        QVERIFY(process.waitForFinished(5000));
    }

    void programWritesConfig()
    {
        QProcess process;
        process.start(QStringLiteral(OCELLANE_CAMSIM_BINARY),
                      {QStringLiteral("--write-config"), QStringLiteral("http://127.0.0.1:4321")});
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(process.readAllStandardOutput(), cameraListBytes(QStringLiteral("http://127.0.0.1:4321")));
    }

    void programRefusesBadOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown auth") << QStringList{QStringLiteral("--auth"), QStringLiteral("ntlm")};
        QTest::newRow("unknown fault") << QStringList{QStringLiteral("--fault"), QStringLiteral("explode")};
        QTest::newRow("zero fps") << QStringList{QStringLiteral("--fps"), QStringLiteral("0")};
        QTest::newRow("port too high") << QStringList{QStringLiteral("--port"), QStringLiteral("70000")};
    }

    void programRefusesBadOptions()
    {
        QFETCH(QStringList, arguments);
        QProcess process;
        process.start(QStringLiteral(OCELLANE_CAMSIM_BINARY), arguments);
        QVERIFY(process.waitForFinished(10000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY(process.exitCode() != 0);
        QVERIFY(process.readAllStandardOutput().isEmpty());
    }

    // The help and the manual name --fault's argument alike: a fault plan.
    void helpAndManualNameTheFaultPlan()
    {
        QProcess process;
        process.start(QStringLiteral(OCELLANE_CAMSIM_BINARY), {QStringLiteral("--help")});
        QVERIFY(process.waitForFinished(10000));
        const QByteArray help = process.readAllStandardOutput();
        QVERIFY2(help.contains("--fault <PLAN>"), help.constData());
        QFile manual(QStringLiteral(OCELLANE_CAMSIM_MANUAL));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QByteArray page = manual.readAll();
        QVERIFY(page.contains("[\\fB\\-\\-fault\\fR \\fIPLAN\\fR]"));
        QVERIFY(page.contains(".BI \\-\\-fault \" PLAN\""));
    }
};

QTEST_MAIN(TestCamSimServer)
#include "tst_camsimserver.moc"
