#include "camctl/Depacketizer.h"
#include "camctl/StreamLimits.h"
#include "support/RtpFixture.h"

#include <QTest>

namespace {

using Bytes = QList<QByteArray>;
using Units = QList<Bytes>; // each a picture's NAL units
using Counts = QList<quint64>;

// H.264 units: the header byte, then a little body.
const QByteArray kSps("\x67sps"), kPps("\x68pps"), kIdr("\x65idr-slice"), kP("\x41p-slice");
// H.265 units: two header bytes, temporal layer 1.
const QByteArray kVps5("\x40\x01vps"), kSps5("\x42\x01sps"), kPps5("\x44\x01pps"), kIdr5("\x26\x01idr-slice"),
    kTrail5("\x02\x01p-slice");

QByteArray startCoded(const QList<QByteArray> &nals)
{
    QByteArray out;
    for (const QByteArray &n : nals)
        out += QByteArray("\0\0\0\1", 4) + n;
    return out;
}

// An aggregation packet: its header (and decoding order number), then
// sized units.
QByteArray aggregate(QByteArray p, const QList<QByteArray> &nals, bool donl = false)
{
    for (const QByteArray &n : nals)
        p += (donl && &n != &nals.first() ? QByteArray(1, 1) : QByteArray()) + be16(int(n.size())) + n;
    return p;
}

// A unit's body cut in three, as fragmentation units; the first carries
// donl before the body.
QList<QByteArray> fragments(const QByteArray &nal, bool h265, const QByteArray &donl = {})
{
    const int header = h265 ? 2 : 1;
    const int type = h265 ? (uchar(nal[0]) >> 1) & 0x3F : nal[0] & 0x1F;
    const QByteArray indicator
        = h265 ? QByteArray(1, char((nal[0] & 0x81) | 49 << 1)) + nal[1] : QByteArray(1, char((nal[0] & 0xE0) | 28));
    const qsizetype third = (nal.size() - header) / 3;
    return {indicator + char(0x80 | type) + donl + nal.mid(header, third),
        indicator + char(type) + nal.mid(header + third, third),
        indicator + char(0x40 | type) + nal.mid(header + 2 * third)};
}

// Packets numbered on from first, of one timestamp, the last with the
// marker bit if asked.
Bytes picture(quint16 first, quint32 timestamp, const Bytes &payloads, bool marker = true)
{
    Bytes out;
    for (const QByteArray &p : payloads)
        out << rtp(quint16(first + out.size()), timestamp, marker && out.size() + 1 == payloads.size(), p);
    return out;
}

// The depacketizer for payload type 96 with one format parameter.
std::unique_ptr<Depacketizer> create(bool h265, const QByteArray &fmtp, QString *error)
{
    SdpVideo video;
    video.codec = h265 ? SdpVideo::Codec::H265 : SdpVideo::Codec::H264;
    video.payloadType = 96;
    if (const qsizetype eq = fmtp.indexOf('='); eq > 0)
        video.formatParameters = {{fmtp.left(eq), fmtp.mid(eq + 1)}};
    return Depacketizer::create(video, error);
}

} // namespace

class TestDepacketizer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictures_data()
    {
        QTest::addColumn<QByteArray>("format"); // "H265" and a format parameter, or either
        QTest::addColumn<Bytes>("packets");
        QTest::addColumn<Units>("units");
        QTest::addColumn<QByteArray>("sps"); // of the first unit carrying one
        QTest::addColumn<Counts>("counts");  // key pictures; pictures lost, malformed, oversized; packets unsupported
        const QByteArray h264, h265("H265"), noSps;
        const Bytes idr = fragments(kIdr, false);
        const Bytes idr5 = fragments(kIdr5, true);

        QTest::newRow("single units, the marker ends the picture")
            << h264 << picture(1, 10, {kSps, kPps, kIdr}) << Units{{kSps, kPps, kIdr}} << kSps << Counts{1, 0, 0, 0, 0};
        QTest::newRow("STAP-A with SPS, PPS and IDR") << h264 << picture(1, 10, {aggregate("\x78", {kSps, kPps, kIdr})})
                                                      << Units{{kSps, kPps, kIdr}} << kSps << Counts{1, 0, 0, 0, 0};
        QTest::newRow("FU-A start, middle and end, across the sequence wrap")
            << h264 << picture(65535, 10, idr) << Units{{kIdr}} << noSps << Counts{1, 0, 0, 0, 0};
        QTest::newRow("lost middle fragment: dropped, the next picture is taken")
            << h264 << picture(1, 10, {idr[0]}, false) + picture(3, 10, {idr[2]}) + picture(4, 20, {kP}) << Units{{kP}}
            << noSps << Counts{0, 1, 0, 0, 0};
        QTest::newRow("lost first fragment of the next picture")
            << h264 << picture(1, 10, {kP}) + picture(3, 20, {idr[1], idr[2]}) + picture(5, 30, {kP})
            << Units{{kP}, {kP}} << noSps << Counts{0, 1, 0, 0, 0};
        QTest::newRow("camera without marker bits: the next timestamp ends a picture")
            << h264 << picture(1, 10, {kIdr}, false) + picture(2, 20, {kP}, false) + picture(3, 30, {kP}, false)
            << Units{{kIdr}, {kP}} << noSps << Counts{1, 0, 0, 0, 0};
        QTest::newRow("camera starts its sequence numbers again")
            << h264 << picture(1000, 10, {kP}) + picture(5, 20, {kIdr}) << Units{{kP}, {kIdr}} << noSps
            << Counts{1, 0, 0, 0, 0};
        QTest::newRow("empty keep-alive packets carry nothing")
            << h264 << picture(1, 10, {kIdr}) + picture(2, 15, {""}, false) + picture(3, 20, {kP})
            << Units{{kIdr}, {kP}} << noSps << Counts{1, 0, 0, 0, 0};
        QTest::newRow("STAP-B dropped alone, the picture goes on")
            << h264 << picture(1, 10, {QByteArray("\x79\0\0", 3) + kSps, kIdr}) << Units{{kIdr}} << noSps
            << Counts{1, 0, 0, 0, 1};
        QTest::newRow("STAP-A unit running past the packet")
            << h264 << picture(1, 10, {"\x78" + be16(50) + kIdr}) + picture(2, 20, {kP}) << Units{{kP}} << noSps
            << Counts{0, 0, 1, 0, 0};
        QTest::newRow("parameter sets of the format before the first key picture only")
            << QByteArray("sprop-parameter-sets=" + kSps.toBase64() + ',' + kPps.toBase64())
            << picture(1, 10, {kP}) + picture(2, 20, {kIdr}) + picture(3, 30, {kIdr})
            << Units{{kP}, {kSps, kPps, kIdr}, {kIdr}} << kSps << Counts{2, 0, 0, 0, 0};
        QTest::newRow("H.265 aggregation and fragmentation units")
            << h265
            << picture(1, 10, Bytes{aggregate("\x60\x01", {kVps5, kSps5, kPps5})} + idr5) + picture(5, 20, {kTrail5})
            << Units{{kVps5, kSps5, kPps5, kIdr5}, {kTrail5}} << kSps5 << Counts{1, 0, 0, 0, 0};
        const QByteArray donl("\0\7", 2);
        QTest::newRow("H.265 decoding order numbers left out")
            << QByteArray("H265 sprop-max-don-diff=2")
            << picture(1, 10,
                   Bytes{aggregate("\x60\x01" + donl, {kVps5, kSps5, kPps5}, true)} + fragments(kIdr5, true, donl))
                + picture(5, 20, {kTrail5.left(2) + donl + kTrail5.mid(2)})
            << Units{{kVps5, kSps5, kPps5, kIdr5}, {kTrail5}} << kSps5 << Counts{1, 0, 0, 0, 0};

        // A picture over the bound in fragments of 64000 bytes.
        const QByteArray body(64000, 'x');
        Bytes huge{rtp(0, 10, false, "\x7C\x85" + body)};
        for (int i = 1; i * body.size() <= StreamLimits::kMaxFrameBytes; ++i)
            huge << rtp(quint16(i), 10, false, "\x7C\x05" + body);
        huge << rtp(quint16(huge.size()), 10, true, "\x7C\x45") << rtp(quint16(huge.size() + 1), 20, true, kP);
        QTest::newRow("picture over the bound dropped, the stream goes on")
            << h264 << huge << Units{{kP}} << noSps << Counts{0, 0, 0, 1, 0};
    }
    void pictures()
    {
        QFETCH(QByteArray, format);
        QFETCH(QList<QByteArray>, packets);
        QString error;
        const std::unique_ptr<Depacketizer> d
            = create(format.startsWith("H265"), format.mid(format.indexOf(' ') + 1), &error);
        QVERIFY2(d, qPrintable(error));
        Bytes pictures;
        quint64 keys = 0;
        QByteArray sps;
        for (const QByteArray &p : packets) {
            for (const AccessUnit &u : d->push(*RtpPacket::parse(p))) {
                pictures << u.data;
                keys += u.key;
                if (sps.isNull() && u.spsBytes > 0)
                    sps = u.sps().toByteArray();
            }
            QVERIFY(d->heldBytes() <= StreamLimits::kMaxFrameBytes + 1024);
        }
        QFETCH(Units, units);
        Bytes expected;
        for (const Bytes &nals : units)
            expected << startCoded(nals);
        QCOMPARE(pictures, expected);
        QTEST(sps, "sps");
        const DepacketizerCounters &c = d->counters();
        QTEST((Counts{keys, c.lostPictures, c.malformedPictures, c.oversizedPictures, c.unsupportedPackets}), "counts");
    }

    void formatParametersRefused_data()
    {
        QTest::addColumn<bool>("h265");
        QTest::addColumn<QByteArray>("fmtp");
        QTest::addColumn<QString>("error");
        QTest::newRow("interleaved H.264")
            << false << QByteArray("packetization-mode=2") << "unsupported H.264 packetization mode 2";
        QTest::newRow("decoding order numbers too far apart")
            << true << QByteArray("sprop-max-don-diff=40000") << "unreadable sprop-max-don-diff";
    }
    void formatParametersRefused()
    {
        QFETCH(bool, h265);
        QFETCH(QByteArray, fmtp);
        QString error;
        QVERIFY(!create(h265, fmtp, &error));
        QTEST(error, "error");
    }
};

QTEST_GUILESS_MAIN(TestDepacketizer)
#include "tst_depacketizer.moc"
