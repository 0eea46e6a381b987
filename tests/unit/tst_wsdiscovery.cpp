#include "onvif/OnvifLimits.h"
#include "onvif/OnvifSearch.h"
#include "onvif/WsDiscovery.h"
#include "onvif/XmlTree.h"

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

namespace {

QByteArray matches(const QString &relatesTo, const QByteArray &xaddrs, const QByteArray &scopes)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/"
           "soap-envelope\" xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" xmlns:d=\"http://"
           "schemas.xmlsoap.org/ws/2005/04/discovery\"><SOAP-ENV:Header><wsa:MessageID>urn:uuid:1</wsa:MessageID>"
           "<wsa:RelatesTo>" + relatesTo.toUtf8() + "</wsa:RelatesTo><wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/"
           "discovery/ProbeMatches</wsa:Action></SOAP-ENV:Header><SOAP-ENV:Body><d:ProbeMatches><d:ProbeMatch>"
           "<wsa:EndpointReference><wsa:Address>urn:uuid:2</wsa:Address></wsa:EndpointReference><d:Types>"
           "dn:NetworkVideoTransmitter</d:Types><d:Scopes>" + scopes + "</d:Scopes><d:XAddrs>" + xaddrs +
           "</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch></d:ProbeMatches></SOAP-ENV:Body>"
           "</SOAP-ENV:Envelope>";
}

const QString kId = QStringLiteral("urn:uuid:0b3b8c5e-0000-4000-8000-000000000001");
const QByteArray kScopes = "onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/name/Front%20Door "
                           "onvif://www.onvif.org/hardware/AV-2040 onvif://www.onvif.org/mfr/Acme%20Vision";

QString summary(const QList<OnvifDiscovered> &list)
{
    QStringList out;
    for (const OnvifDiscovered &d : list)
        out << QStringList{d.address.toString(), d.maker, d.model, d.name}.join(QLatin1Char('|'));
    return out.join(QLatin1Char(';'));
}

} // namespace

class TestWsDiscovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answersRead_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("error");
        QTest::newRow("scopes give maker, model, name")
            << matches(kId, "http://192.0.2.7/onvif/device_service http://[fe80::1]/onvif/device_service", kScopes)
            << "http://192.0.2.7/onvif/device_service|Acme Vision|AV-2040|Front Door" << "";
        QTest::newRow("first http address, manufacturer spelled out")
            << matches(kId, "urn:x soap.udp://192.0.2.7 http://192.0.2.8:8000/onvif",
                       "onvif://www.onvif.org/manufacturer/Acme onvif://www.onvif.org/name/%0Acam")
            << "http://192.0.2.8:8000/onvif|Acme||cam" << "";
        QTest::newRow("answer to another probe: ignored quietly")
            << matches(QStringLiteral("urn:uuid:other"), "http://192.0.2.7/", kScopes) << "" << "";
        QTest::newRow("no http address") << matches(kId, "rtsp://192.0.2.7/", kScopes) << "" << "without an http address";
        QTest::newRow("not XML") << QByteArray("M-SEARCH * HTTP/1.1\r\n") << "" << "not well-formed";
        QTest::newRow("over 64 KiB")
            << matches(kId, "http://192.0.2.7/", QByteArray(OnvifLimits::kMaxDatagramBytes, 'x')) << "" << "larger than 64 KiB";
    }

    void answersRead()
    {
        QFETCH(QByteArray, datagram);
        QString why;
        QFETCH(QString, expected);
        QCOMPARE(summary(WsDiscovery::parseProbeMatches(datagram, kId, &why)), expected);
        QFETCH(QString, error);
        QVERIFY2(error.isEmpty() ? why.isEmpty() : why.contains(error), qPrintable(why));
    }

    // A device at 127.0.0.1 answering each probe: the search sends three,
    // reports each address once, and ends by itself.
    void unicastSearch_data()
    {
        QTest::addColumn<int>("devices");
        QTest::addColumn<int>("reported");
        QTest::addColumn<QString>("error");
        QTest::newRow("two devices, three probes") << 2 << 2 << "";
        QTest::newRow("more than 32") << 40 << OnvifLimits::kMaxDiscovered << "more than 32 devices answered";
    }

    void unicastSearch()
    {
        QFETCH(int, devices);
        QUdpSocket device;
        QVERIFY(device.bind(QHostAddress::LocalHost, 0));
        int probes = 0;
        connect(&device, &QUdpSocket::readyRead, this, [&] {
            while (device.hasPendingDatagrams()) {
                const QNetworkDatagram probe = device.receiveDatagram();
                QString error;
                const auto root = XmlTree::parse(probe.data(), &error);
                QCOMPARE(root->textAt(u"Body/Probe/Types"), QStringLiteral("dn:NetworkVideoTransmitter"));
                const QString id = root->textAt(u"Header/MessageID");
                QVERIFY(id.startsWith(QLatin1String("urn:uuid:")));
                ++probes;
                device.writeDatagram(matches(QStringLiteral("urn:uuid:noise"), "http://192.0.2.99/", kScopes),
                                     probe.senderAddress(), probe.senderPort());
                for (int i = 0; i < devices; ++i)
                    device.writeDatagram(matches(id, QStringLiteral("http://192.0.2.%1/onvif").arg(i + 1).toUtf8(), kScopes),
                                         probe.senderAddress(), probe.senderPort());
            }
        });
        OnvifSearch search;
        QSignalSpy found(&search, &OnvifSearch::found);
        QSignalSpy finished(&search, &OnvifSearch::finished);
        QElapsedTimer clock;
        clock.start();
        search.start(QStringLiteral("127.0.0.1"), device.localPort());
        QVERIFY(finished.wait(20000));
        QFETCH(int, reported);
        QFETCH(QString, error);
        QCOMPARE(found.size(), reported);
        const QString said = finished.constFirst().constFirst().toString();
        QVERIFY2(error.isEmpty() ? said.isEmpty() : said.startsWith(error), qPrintable(said));
        if (devices <= OnvifLimits::kMaxDiscovered) {
            QCOMPARE(probes, OnvifLimits::kProbes);
            QVERIFY(clock.elapsed() >= (OnvifLimits::kProbes - 1) * OnvifLimits::kProbeIntervalMs);
        }
        QCOMPARE(found.constFirst().constFirst().value<OnvifDiscovered>().address.toString(),
                 QStringLiteral("http://192.0.2.1/onvif"));
        // Nothing after the end.
        QTest::qWait(200);
        QCOMPARE(finished.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestWsDiscovery)
#include "tst_wsdiscovery.moc"
