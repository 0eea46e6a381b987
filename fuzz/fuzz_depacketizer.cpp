// The depacketizers on any packets, as the RTSP exchange hands them over,
// alone or through the reorder window over UDP, with the sender reports and
// parameter sets they carry read too: no picture over kMaxFrameBytes, every
// one whole (start codes, JPEG markers), memory within its bounds, and the
// counters telling what came out.
//
// Input: a byte choosing the codec, a byte for the reorder window (on or
// off, and the milliseconds between packets), then packets, each after its
// 16-bit length, as RTP over a stream carries them.
#include "FuzzCheck.h"
#include "camctl/Depacketizer.h"
#include "camctl/RtcpReport.h"
#include "camctl/RtpReorder.h"
#include "camctl/StreamLimits.h"
#include "camctl/VideoParameters.h"

#include <QtEndian>

namespace {

using StreamLimits::kMaxFrameBytes;

SdpVideo videoFor(uint8_t choice, quint8 payloadType)
{
    SdpVideo v;
    v.payloadType = payloadType;
    v.clockRate = 90000;
    switch (choice % 5) {
    case 0: v.codec = SdpVideo::Codec::H264; break;
    case 1:
        v.codec = SdpVideo::Codec::H264;
        v.formatParameters = {{"sprop-parameter-sets", "Z0LAHtoCwEmwFKDAwNSgAAADACAAAAZR4sXU,aM48gA=="}};
        break;
    case 2: v.codec = SdpVideo::Codec::H265; break;
    case 3:
        v.codec = SdpVideo::Codec::H265;
        v.formatParameters = {{"sprop-max-don-diff", "1"}};
        break;
    default: v.codec = SdpVideo::Codec::Jpeg; break;
    }
    return v;
}

struct Run
{
    std::unique_ptr<Depacketizer> depacketizer;
    RtcpReport report{90000};
    quint64 units = 0;

    void push(QByteArrayView bytes, uint8_t choice)
    {
        report.read(bytes);
        const std::optional<RtpPacket> packet = RtpPacket::parse(bytes);
        if (!packet)
            return;
        CHECK(packet->payload.size() <= bytes.size() - 12);
        // The first packet's payload type is the video's.
        if (!depacketizer) {
            QString error;
            depacketizer = Depacketizer::create(videoFor(choice, packet->payloadType), &error);
            CHECK(depacketizer != nullptr);
        }
        for (const AccessUnit &u : depacketizer->push(*packet)) {
            ++units;
            CHECK(!u.data.isEmpty() && u.data.size() <= kMaxFrameBytes);
            CHECK(u.spsOffset >= 0 && u.spsBytes >= 0 && u.spsOffset + u.spsBytes <= u.data.size());
            const bool jpeg = choice % 5 == 4;
            CHECK(jpeg ? u.data.startsWith("\xFF\xD8") && u.data.endsWith("\xFF\xD9") && u.key
                       : u.data.startsWith(QByteArrayView("\0\0\0\1", 4)));
            report.wallClockUs(u.rtpTimestamp);
            QString error;
            std::optional<VideoParameters> p;
            if (u.spsBytes > 0)
                p = choice % 5 < 2 ? VideoParameters::fromH264(u.sps(), &error)
                                   : VideoParameters::fromH265(u.sps(), &error);
            else if (jpeg)
                p = VideoParameters::fromJpeg(u.size);
            if (p) {
                CHECK(p->width >= 1 && p->width <= StreamLimits::kMaxImageSide);
                CHECK(p->height >= 1 && p->height <= StreamLimits::kMaxImageSide);
                CHECK(p->picturesKept >= 1 && p->picturesKept <= StreamLimits::kMaxDecoderPictures);
            }
        }
        // The picture being put together, the parameter sets of the
        // format, JPEG's tables per quality and a picture's headers.
        CHECK(depacketizer->heldBytes() <= kMaxFrameBytes + 64 * 1024);
        CHECK(depacketizer->counters().units == units);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t choice = data[0];
    const bool reordered = data[1] & 1;
    const qint64 stepUs = qint64(data[1] >> 1) * 1000;
    Run run;
    RtpReorder reorder;
    qint64 nowUs = 0;
    for (size_t at = 2; at + 2 <= size;) {
        const size_t length = qFromBigEndian<quint16>(data + at);
        at += 2;
        const QByteArrayView bytes(reinterpret_cast<const char *>(data + at), qsizetype(std::min(length, size - at)));
        at += size_t(bytes.size());
        nowUs += stepUs;
        if (!reordered) {
            run.push(bytes, choice);
            continue;
        }
        const std::optional<RtpPacket> packet = RtpPacket::parse(bytes);
        if (!packet)
            run.report.read(bytes);
        const QList<QByteArray> due
            = packet ? reorder.push(packet->sequence, bytes.toByteArray(), nowUs) : reorder.release(nowUs);
        CHECK(reorder.heldBytes() <= StreamLimits::kMaxReorderBytes + StreamLimits::kMaxRtpPacketBytes);
        for (const QByteArray &p : due)
            run.push(p, choice);
    }
    for (const QByteArray &p : reorder.release(nowUs + StreamLimits::kMaxReorderWaitMs * 1000))
        run.push(p, choice);
    CHECK(reorder.heldBytes() == 0);
    return 0;
}
