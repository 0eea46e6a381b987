#include "OnvifServer.h"

#include <QAuthenticator>
#include <QCryptographicHash>
#include <QNetworkAccessManager>
#include <QNetworkDatagram>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>
#include <QXmlStreamReader>

#include <memory>

using namespace OnvifSim;

namespace {

const QByteArray kUser = "operator";
const QByteArray kPassword = "pa55&word";

struct Reply
{
    int status = 0;
    QByteArray body;
};

// What a client sees of an answer: its depth, how often each local name
// occurs, and the first text under each.
struct XmlShape
{
    bool wellFormed = false;
    int maxDepth = 0;
    QMap<QString, int> counts;
    QMap<QString, QString> text;
};

XmlShape shapeOf(const QByteArray &xml)
{
    XmlShape shape;
    QXmlStreamReader reader(xml);
    QStringList path;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            path << reader.name().toString();
            ++shape.counts[path.last()];
            shape.maxDepth = std::max(shape.maxDepth, int(path.size()));
        } else if (reader.isEndElement()) {
            path.removeLast();
        } else if (reader.isCharacters() && !reader.isWhitespace() && !shape.text.contains(path.last())) {
            shape.text.insert(path.last(), reader.text().toString());
        }
    }
    shape.wellFormed = !reader.hasError();
    return shape;
}

QByteArray envelope(const QByteArray &call, const QByteArray &header = {})
{
    return "<?xml version=\"1.0\"?><s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\" xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\""
           " xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\" xmlns:tt=\"http://www.onvif.org/ver10/schema\">"
           "<s:Header>" + header + "</s:Header><s:Body>" + call + "</s:Body></s:Envelope>";
}

enum class Token { None, Digest, PlainText, WrongPassword };

// A UsernameToken as ONVIF clients build it, written out here rather than
// taken from the device's code.
QByteArray usernameToken(Token kind, const QDateTime &created)
{
    if (kind == Token::None)
        return {};
    const QByteArray nonce = QByteArray::fromHex("00112233445566778899aabbccddeeff");
    const QByteArray createdText = created.toUTC().toString(Qt::ISODate).toLatin1();
    const QByteArray password = kind == Token::WrongPassword ? "wrong" : kPassword;
    const bool digest = kind != Token::PlainText;
    const QByteArray value =
        digest ? QCryptographicHash::hash(nonce + createdText + password, QCryptographicHash::Sha1).toBase64()
               : password;
    const QByteArray oasis = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-";
    return "<wsse:Security xmlns:wsse=\"" + oasis + "wss-wssecurity-secext-1.0.xsd\" xmlns:wsu=\"" + oasis
           + "wss-wssecurity-utility-1.0.xsd\"><wsse:UsernameToken><wsse:Username>" + kUser
           + "</wsse:Username><wsse:Password Type=\"" + oasis + "wss-username-token-profile-1.0#"
           + (digest ? "PasswordDigest" : "PasswordText") + "\">"
           + QString::fromUtf8(value).toHtmlEscaped().toUtf8() + "</wsse:Password>"
           "<wsse:Nonce>" + nonce.toBase64() + "</wsse:Nonce><wsu:Created>" + createdText
           + "</wsu:Created></wsse:UsernameToken></wsse:Security>";
}

QByteArray probe(const QByteArray &messageId, const QByteArray &types)
{
    return "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
           " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
           " xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\"><s:Header><a:MessageID>" + messageId
           + "</a:MessageID><a:To>urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"
             "<a:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action></s:Header>"
             "<s:Body><d:Probe><d:Types>" + types + "</d:Types></d:Probe></s:Body></s:Envelope>";
}

} // namespace

class TestOnvifSim : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<OnvifServer> m_server;

    void start(const OnvifOptions &options)
    {
        m_server = std::make_unique<OnvifServer>(options);
        QString error;
        QVERIFY2(m_server->start(&error), qPrintable(error));
    }

    // One SOAP POST through Qt's own client.
    Reply post(const char *path, const QByteArray &body)
    {
        QNetworkAccessManager manager;
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server->port()).arg(path)));
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/soap+xml; charset=utf-8"));
        std::unique_ptr<QNetworkReply> reply(manager.post(request, body));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        if (!reply->isFinished() && !finished.wait(30000))
            return {};
        return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
    }

private Q_SLOTS:
    void cleanup() { m_server.reset(); }

    void wsSecurity_data()
    {
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<Token>("token");
        QTest::addColumn<int>("tokenAgeSeconds");
        QTest::addColumn<qint64>("clockOffset");
        QTest::addColumn<int>("status");
        const QByteArray clock = "<tds:GetSystemDateAndTime/>";
        const QByteArray info = "<tds:GetDeviceInformation/>";
        QTest::newRow("clock asked without a token") << clock << Token::None << 0 << 0LL << 200;
        QTest::newRow("call without a token refused") << info << Token::None << 0 << 0LL << 400;
        QTest::newRow("digest token accepted") << info << Token::Digest << 0 << 0LL << 200;
        QTest::newRow("token ten minutes old refused") << info << Token::Digest << 600 << 0LL << 400;
        QTest::newRow("token ten minutes ahead refused") << info << Token::Digest << -600 << 0LL << 400;
        QTest::newRow("wrong password refused") << info << Token::WrongPassword << 0 << 0LL << 400;
        QTest::newRow("plain-text password refused") << info << Token::PlainText << 0 << 0LL << 400;
        QTest::newRow("token on a fast device's clock accepted") << info << Token::Digest << -3600 << 3600LL << 200;
        QTest::newRow("token on the system clock refused by a fast device")
            << info << Token::Digest << 0 << 3600LL << 400;
    }

    void wsSecurity()
    {
        QFETCH(QByteArray, call);
        QFETCH(Token, token);
        QFETCH(int, tokenAgeSeconds);
        QFETCH(qint64, clockOffset);
        QFETCH(int, status);
        OnvifOptions options;
        options.user = kUser;
        options.password = kPassword;
        options.clockOffsetSeconds = clockOffset;
        start(options);
        const QDateTime created = QDateTime::currentDateTimeUtc().addSecs(-tokenAgeSeconds);
        const Reply reply = post("/onvif/device_service", envelope(call, usernameToken(token, created)));
        QCOMPARE(reply.status, status);
        const XmlShape shape = shapeOf(reply.body);
        QVERIFY(shape.wellFormed);
        if (status == 200) {
            QVERIFY(!shape.counts.contains(QStringLiteral("Fault")));
        } else {
            QCOMPARE(shape.counts.value(QStringLiteral("Subcode")), 1);
            QVERIFY(reply.body.contains("<env:Value>ter:NotAuthorized</env:Value>"));
        }
        QCOMPARE(m_server->stats().authFailures(), status == 200 ? 0 : 1);
        QVERIFY(!reply.body.contains(kPassword) && !reply.body.contains(kPassword.toBase64()));
    }

    void profiles_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("path");
        QTest::addColumn<QByteArray>("call");
        QTest::addColumn<int>("profiles");
        QTest::addColumn<int>("videoEncoders");
        QTest::addColumn<int>("audioEncoders");
        const QByteArray media = "/onvif/media_service";
        const QByteArray media2 = "/onvif/media2_service";
        const QByteArray get10 = "<trt:GetProfiles/>";
        const QByteArray get20 = "<tr2:GetProfiles><tr2:Type>All</tr2:Type></tr2:GetProfiles>";
        QTest::newRow("media: main and sub") << QString() << media << get10 << 2 << 2 << 0;
        QTest::newRow("media2: main and sub") << QString() << media2 << get20 << 2 << 2 << 0;
        QTest::newRow("media2 without Type: names only") << QString() << media2 << QByteArray("<tr2:GetProfiles/>")
                                                         << 2 << 0 << 0;
        QTest::newRow("no-profile") << "no-profile" << media2 << get20 << 0 << 0 << 0;
        QTest::newRow("audio-only") << "audio-only" << media << get10 << 2 << 0 << 2;
    }

    void profiles()
    {
        QFETCH(QString, fault);
        QFETCH(QByteArray, path);
        QFETCH(QByteArray, call);
        OnvifOptions options;
        if (!fault.isEmpty())
            options.faults.add(*faultNamed(fault));
        start(options);
        const Reply reply = post(path.constData(), envelope(call));
        QCOMPARE(reply.status, 200);
        const XmlShape shape = shapeOf(reply.body);
        QVERIFY(shape.wellFormed);
        QTEST(shape.counts.value(QStringLiteral("Profiles")), "profiles");
        const bool media2 = path.contains("media2");
        QTEST(shape.counts.value(media2 ? QStringLiteral("VideoEncoder") : QStringLiteral("VideoEncoderConfiguration")),
              "videoEncoders");
        QTEST(shape.counts.value(media2 ? QStringLiteral("AudioEncoder") : QStringLiteral("AudioEncoderConfiguration")),
              "audioEncoders");
        if (shape.counts.value(QStringLiteral("Width")) > 0) {
            QCOMPARE(shape.text.value(QStringLiteral("Width")), QStringLiteral("1920"));
            QCOMPARE(shape.text.value(QStringLiteral("FrameRateLimit")), QStringLiteral("25"));
            QCOMPARE(shape.text.value(QStringLiteral("Encoding")), QStringLiteral("H264"));
        }
    }

    void discovery()
    {
        OnvifOptions options;
        options.discoveryPort = 0;
        start(options);
        QVERIFY(m_server->discoveryPort() != 0);
        QUdpSocket prober;
        QVERIFY(prober.bind(QHostAddress::LocalHost, 0));
        // A probe for other devices goes unanswered, so the first answer
        // must relate to the second probe.
        const quint16 port = m_server->discoveryPort();
        prober.writeDatagram(probe("urn:uuid:printer", "p:Printer"), QHostAddress::LocalHost, port);
        prober.writeDatagram(probe("urn:uuid:camera&amp;1", "dn:NetworkVideoTransmitter"), QHostAddress::LocalHost,
                             port);
        QTRY_VERIFY_WITH_TIMEOUT(prober.hasPendingDatagrams(), 20000);
        const XmlShape shape = shapeOf(prober.receiveDatagram().data());
        QVERIFY(shape.wellFormed);
        QCOMPARE(shape.text.value(QStringLiteral("RelatesTo")), QStringLiteral("urn:uuid:camera&1"));
        QCOMPARE(shape.text.value(QStringLiteral("XAddrs")),
                 QStringLiteral("http://127.0.0.1:%1/onvif/device_service").arg(m_server->port()));
        QVERIFY(shape.text.value(QStringLiteral("Scopes"))
                    .contains(QLatin1String("onvif://www.onvif.org/name/Ocellane%20Test%20Camera")));
        QCOMPARE(m_server->stats().probes(), 1);
    }

    void program_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("serves");
        QTest::newRow("free port announced") << QStringList{"--port", "0", "--fault", "port80"} << true;
        QTest::newRow("unknown fault refused") << QStringList{"--port", "0", "--fault", "sluggish"} << false;
    }

    void program()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, serves);
        QProcess process;
        process.start(QStringLiteral(OCELLANE_ONVIFSIM), arguments);
        QVERIFY(process.waitForStarted(10000));
        if (!serves) {
            QVERIFY(process.waitForFinished(10000));
            QCOMPARE(process.exitCode(), 2);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 20000);
        const uint port = process.readLine().trimmed().toUInt();
        QVERIFY(port > 0 && port < 65536);
        QNetworkAccessManager manager;
        QNetworkRequest request(QUrl(QStringLiteral("http://127.0.0.1:%1/stats").arg(port)));
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        QSignalSpy finished(reply.get(), &QNetworkReply::finished);
        QVERIFY(reply->isFinished() || finished.wait(30000));
        QVERIFY(reply->readAll().contains("auth-failures 0"));
        process.kill();
        process.waitForFinished(5000);
    }
};

QTEST_GUILESS_MAIN(TestOnvifSim)
#include "tst_onvifsim.moc"
