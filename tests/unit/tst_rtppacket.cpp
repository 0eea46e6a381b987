#include "camctl/RtpPacket.h"
#include "camctl/StreamLimits.h"
#include "support/RtpFixture.h"

#include <QTest>

class TestRtpPacket : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("payload"); // null: refused
        const QByteArray plain = rtp(7, 9, true, "abc");
        const auto firstByte = [](QByteArray b, int value) {
            b[0] = char(value);
            return b;
        };
        QTest::newRow("plain") << plain << QByteArray("abc");
        // Two contributing sources, a one-word extension and 3 bytes of padding.
        QTest::newRow("contributing sources, extension and padding left out") << firstByte(
            plain.left(12) + QByteArray(8, 'c') + QByteArray("\xBE\xDE\0\1xxxx", 8) + "abc" + QByteArray("\0\0\3", 3),
            0xB2) << QByteArray("abc");
        QTest::newRow("version 1") << firstByte(plain, 0x40) << QByteArray();
        QTest::newRow("contributing sources past the end") << firstByte(plain, 0x8F) << QByteArray();
        QTest::newRow("extension past the end") << firstByte(plain, 0x90) << QByteArray();
        QTest::newRow("padding of nothing") << firstByte(rtp(7, 9, true, QByteArray("ab\0", 3)), 0xA0) << QByteArray();
        QTest::newRow("padding past the payload") << firstByte(rtp(7, 9, true, "a\x09"), 0xA0) << QByteArray();
        QTest::newRow("shorter than a header") << plain.left(11) << QByteArray();
        QTest::newRow("more than a carrier holds")
            << rtp(7, 9, true, QByteArray(StreamLimits::kMaxRtpPacketBytes - 11, 'x')) << QByteArray();
    }
    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, payload);
        const std::optional<RtpPacket> p = RtpPacket::parse(bytes);
        QCOMPARE(p.has_value(), !payload.isNull());
        if (!p)
            return;
        QCOMPARE(p->payload.toByteArray(), payload);
        QCOMPARE((QList<quint64>{p->marker, p->payloadType, p->sequence, p->timestamp, p->ssrc}),
            (QList<quint64>{1, 96, 7, 9, 0xCA11AB1E}));
    }
};

QTEST_GUILESS_MAIN(TestRtpPacket)
#include "tst_rtppacket.moc"
