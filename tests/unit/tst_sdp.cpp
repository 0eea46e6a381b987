#include "camctl/Sdp.h"
#include "camctl/StreamLimits.h"

#include <QTest>

namespace {

// GStreamer's RTSP server describing an H.264 camera (tools/rtspsim).
const QByteArray kGstreamerH264
    = "v=0\r\no=- 12622958562047244195 1 IN IP4 127.0.0.1\r\ns=Session streamed with GStreamer\r\ni=rtsp-server\r\n"
      "t=0 0\r\na=tool:GStreamer\r\na=type:broadcast\r\na=control:*\r\na=range:npt=now-\r\nm=video 0 RTP/AVP 96\r\n"
      "c=IN IP4 0.0.0.0\r\nb=AS:1048\r\na=rtpmap:96 H264/90000\r\na=framerate:25\r\n"
      "a=fmtp:96 packetization-mode=1;sprop-parameter-sets=Z0LAHtoCwEmwFKDAwNSgAAADACAAAAZR4sXU,aM48gA==;"
      "profile-level-id=42c01e;level-asymmetry-allowed=1\r\na=control:stream=0\r\na=ts-refclk:local\r\n"
      "a=mediaclk:sender\r\na=ssrc:2487192768 cname:user3592761469@host-bf1946af\r\n";

QByteArray replaced(QByteArray text, const char *before, const QByteArray &after)
{
    return text.replace(before, after);
}

// The video chosen (codec, clock rate, payload type, address and
// control), or why none was.
QString outcome(const QByteArray &sdp)
{
    QString error;
    const std::optional<SdpVideo> v = Sdp::readVideo(sdp, &error);
    if (!v)
        return error;
    const char *codecs[] = {"H264", "H265", "JPEG"};
    return QStringLiteral("%1/%2 payload %3 at %4")
        .arg(codecs[int(v->codec)])
        .arg(v->clockRate)
        .arg(v->payloadType)
        .arg(QString::fromLatin1(v->connectionAddress + ' ' + v->control));
}

} // namespace

class TestSdp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readVideo_data()
    {
        QTest::addColumn<QByteArray>("sdp");
        QTest::addColumn<QString>("outcome");
        const QByteArray &g = kGstreamerH264;
        QTest::newRow("GStreamer H.264") << g << "H264/90000 payload 96 at 0.0.0.0 stream=0";
        QTest::newRow("H.265") << replaced(g, "H264/", "H265/") << "H265/90000 payload 96 at 0.0.0.0 stream=0";
        QTest::newRow("HEVC, as some cameras name it")
            << replaced(g, "H264/", "HEVC/") << "H265/90000 payload 96 at 0.0.0.0 stream=0";
        QTest::newRow("JPEG by static payload type, no rtpmap, the session's address")
            << QByteArray("v=0\nc=IN IP4 10.0.0.9\nm=video 5004 RTP/AVP 26\na=control:track1\n")
            << "JPEG/90000 payload 26 at 10.0.0.9 track1";
        QTest::newRow("first payload type the program decodes") << replaced(g, "RTP/AVP 96",
            "RTP/AVP 97 96\r\na=rtpmap:97 VP8/90000") << "H264/90000 payload 96 at 0.0.0.0 stream=0";
        QTest::newRow("first video the program decodes") << QByteArray(
            "m=video 0 RTP/AVP 96\na=rtpmap:96 VP8/90000\na=control:a\nm=video 0 RTP/AVP 97\n"
            "a=rtpmap:97 h264/90000\na=control:b\n") << "H264/90000 payload 97 at  b";
        QTest::newRow("audio only") << replaced(g, "m=video", "m=audio") << "the camera sends no video";
        QTest::newRow("VP8") << replaced(g, "H264/", "VP8/") << "unsupported video codec: VP8";
        QTest::newRow("a long encoding name is cut")
            << replaced(g, "H264/", QByteArray(1000, 'X') + '/') << "unsupported video codec: " + QString(32, 'X');
        QTest::newRow("dynamic type never mapped")
            << replaced(g, "a=rtpmap:96 H264/90000", "") << "unsupported video codec: payload type 96";
        QTest::newRow("over the size bound") << g + "a=x:" + QByteArray(StreamLimits::kMaxSdpBytes - g.size() - 3, 'x')
                                             << "session description larger than 32768 bytes";
        QTest::newRow("thousands of source filters, over the line bound")
            << g + QByteArray("a=source-filter:\n").repeated(1500) << "session description of more than 256 lines";
        QTest::newRow("source filters within the bounds are passed over")
            << g + QByteArray("a=source-filter: incl IN IP4 * 10.0.0.1\n").repeated(200)
            << "H264/90000 payload 96 at 0.0.0.0 stream=0";
    }
    void readVideo()
    {
        QFETCH(QByteArray, sdp);
        QTEST(outcome(sdp), "outcome");
    }

    void keepsWhatReceivingNeeds()
    {
        QString error;
        const std::optional<SdpVideo> v = Sdp::readVideo(kGstreamerH264, &error);
        QVERIFY(v);
        QCOMPARE(v->sessionControl + ' ' + QByteArray::number(v->frameRate) + ' '
                + v->formatParameter("Packetization-Mode") + ' ' + v->formatParameter("sprop-parameter-sets")
                + v->formatParameter("sprop-vps"),
            "* 25 1 Z0LAHtoCwEmwFKDAwNSgAAADACAAAAZR4sXU,aM48gA==");
    }
};

QTEST_GUILESS_MAIN(TestSdp)
#include "tst_sdp.moc"
