#include "camctl/Depacketizer.h"
#include "camctl/Jpeg.h"
#include "support/LibjpegFixture.h"
#include "support/RtpFixture.h"

#include <QTest>


namespace {

constexpr int kWidth = 96;
constexpr int kHeight = 64;

// A picture as a camera's encoder makes it: the usual Huffman tables,
// 4:2:0 or 4:2:2, restart markers every restartInterval blocks if asked.
QByteArray encode(int quality, bool twoByOne, int restartInterval)
{
    return compressWithLibjpeg(
        kWidth, kHeight,
        [&](jpeg_compress_struct &c) {
            jpeg_set_quality(&c, quality, TRUE);
            c.comp_info[0].v_samp_factor = twoByOne ? 1 : 2;
            c.restart_interval = JDIMENSION(restartInterval);
        },
        [](QByteArray &row, int y) {
            for (int x = 0; x < kWidth * 3; ++x)
                row[x] = char((x * 7 + y * 5 + (x % 3) * 80) & 0xFF);
        });
}

// The picture's packets: its quantization tables (sent when quality is
// 128 or more and sendTables), its scan data cut into pieces of 200 bytes.
QList<QByteArray> packetize(const QByteArray &jpeg, int type, int quality, int restartInterval, bool sendTables,
    quint16 *sequence, quint32 timestamp)
{
    QByteArray tables(128, 0);
    qsizetype at = 2;
    while (uchar(jpeg[at + 1]) != 0xDA) {
        const int length = uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]);
        for (qsizetype t = at + 4; uchar(jpeg[at + 1]) == 0xDB && t < at + 2 + length; t += 65)
            tables.replace(64 * jpeg[t], 64, jpeg.mid(t + 1, 64));
        at += 2 + length;
    }
    const QByteArray scan = jpeg.mid(at + 2 + (uchar(jpeg[at + 2]) << 8 | uchar(jpeg[at + 3]))).chopped(2);
    QList<QByteArray> out;
    for (qsizetype offset = 0; offset < scan.size(); offset += 200) {
        QByteArray p = QByteArray(1, 0) + char(offset >> 16) + be16(int(offset & 0xFFFF)) + char(type) + char(quality)
            + char(kWidth / 8) + char(kHeight / 8);
        if (type >= 64)
            p += be16(restartInterval) + "\xFF\xFF";
        if (offset == 0 && quality >= 128)
            p += QByteArray(2, 0) + be16(sendTables ? 128 : 0) + (sendTables ? tables : QByteArray());
        out << rtp((*sequence)++, timestamp, offset + 200 >= scan.size(), p + scan.mid(offset, 200), 26);
    }
    return out;
}

} // namespace

class TestJpegDepacketizer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rebuildsPictures_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("encoded"); // the encoder's quality
        QTest::addColumn<int>("quality"); // the RTP header's
        QTest::addColumn<int>("restartInterval");
        QTest::addColumn<int>("lose");     // a packet of the first picture not sent, or -1
        QTest::addColumn<int>("pictures"); // shown, of three sent
        QTest::newRow("tables with every picture, 4:2:0") << 1 << 60 << 255 << 0 << -1 << 3;
        QTest::newRow("tables from quality 90, 4:2:0") << 1 << 90 << 90 << 0 << -1 << 3;
        QTest::newRow("tables sent once for quality 128, kept") << 1 << 75 << 128 << 0 << -1 << 3;
        QTest::newRow("restart markers, type 65") << 65 << 80 << 255 << 2 << -1 << 3;
        QTest::newRow("lost middle fragment: dropped, the next is shown") << 1 << 60 << 255 << 0 << 1 << 2;
        QTest::newRow("4:2:2 from quality 40, first fragment lost: offset 0 waited for")
            << 0 << 40 << 40 << 0 << 0 << 2;
    }
    void rebuildsPictures()
    {
        QFETCH(int, type);
        QFETCH(int, encoded);
        QFETCH(int, quality);
        QFETCH(int, restartInterval);
        QFETCH(int, lose);
        const QByteArray jpeg = encode(encoded, !(type & 1), restartInterval);
        QString error;
        const QImage expected = Jpeg::decode(jpeg, QSize(), &error);
        SdpVideo video;
        video.codec = SdpVideo::Codec::Jpeg;
        video.payloadType = 26;
        const std::unique_ptr<Depacketizer> d = Depacketizer::create(video, &error);
        quint16 sequence = 100;
        int shown = 0;
        for (quint32 picture = 0; picture < 3; ++picture) {
            QList<QByteArray> packets = packetize(
                jpeg, type, quality, restartInterval, picture == 0 || quality == 255, &sequence, picture * 3600);
            if (picture == 0 && lose >= 0)
                packets.removeAt(lose);
            for (const QByteArray &p : packets) {
                for (const AccessUnit &u : d->push(*RtpPacket::parse(p))) {
                    QVERIFY(u.key);
                    QCOMPARE(u.size, QSize(kWidth, kHeight));
                    QCOMPARE(Jpeg::decode(u.data, QSize(), &error), expected);
                    ++shown;
                }
            }
        }
        QTEST(shown, "pictures");
        QCOMPARE(d->counters().lostPictures, quint64(lose >= 0));
    }
};

QTEST_GUILESS_MAIN(TestJpegDepacketizer)
#include "tst_jpegdepacketizer.moc"
