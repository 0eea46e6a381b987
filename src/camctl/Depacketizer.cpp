#include "camctl/Depacketizer.h"

#include "camctl/JpegDepacketizer.h"
#include "camctl/NalDepacketizer.h"
#include "camctl/StreamLimits.h"

#include <algorithm>

using StreamLimits::kMaxFrameBytes;

Depacketizer::Depacketizer(quint8 payloadType)
    : m_payloadType(payloadType)
{
}

std::unique_ptr<Depacketizer> Depacketizer::create(const SdpVideo &video, QString *error)
{
    switch (video.codec) {
    case SdpVideo::Codec::H264: return NalDepacketizer::h264(video, error);
    case SdpVideo::Codec::H265: return NalDepacketizer::h265(video, error);
    case SdpVideo::Codec::Jpeg: return std::make_unique<JpegDepacketizer>(video.payloadType);
    }
    return nullptr;
}

QList<AccessUnit> Depacketizer::push(const RtpPacket &packet)
{
    QList<AccessUnit> out;
    if (packet.payloadType != m_payloadType) {
        ++m_counters.otherPayloadPackets;
        return out;
    }
    // The first packet, or a new source, or a sequence further back than
    // any reordering explains (the camera started its stream again), may
    // come in the middle of a picture, as may the one after a gap.
    const auto ahead = qint16(quint16(packet.sequence - m_nextSequence));
    const bool resync = !m_synced || packet.ssrc != m_ssrc || ahead < -StreamLimits::kMaxReorderPackets;
    bool gap = false;
    if (!resync) {
        if (ahead < 0) {
            ++m_counters.latePackets;
            return out;
        }
        m_counters.lostPackets += quint64(ahead);
        gap = ahead > 0;
    }
    m_synced = true;
    m_ssrc = packet.ssrc;
    m_nextSequence = quint16(packet.sequence + 1);

    if ((gap || resync) && m_inPicture)
        spoil(Spoilt::Lost);
    // A camera that never sets the marker bit: the first packet of the
    // next picture ends this one, so its pictures reach the decoder one
    // picture late (40 ms at 25 per second).
    if (m_inPicture && packet.timestamp != m_timestamp)
        endPicture(&out);
    if (!m_inPicture) {
        m_inPicture = true;
        m_afterGap = gap || resync;
        m_timestamp = packet.timestamp;
        m_spoilt = Spoilt::No;
        beginPicture();
    }
    // An empty payload (a keep-alive) carries nothing of the picture.
    if (m_spoilt == Spoilt::No && !packet.payload.isEmpty()) {
        switch (take(packet.payload)) {
        case Take::Taken: break;
        case Take::NoStart:
            // After a gap the beginning was lost; otherwise it never was.
            if (!m_afterGap)
                ++m_counters.malformedPackets;
            spoil(m_afterGap ? Spoilt::Lost : Spoilt::Malformed);
            break;
        case Take::Malformed:
            ++m_counters.malformedPackets;
            spoil(Spoilt::Malformed);
            break;
        case Take::Unsupported: ++m_counters.unsupportedPackets; break;
        }
    }
    if (packet.marker)
        endPicture(&out);
    return out;
}

void Depacketizer::append(QByteArrayView bytes)
{
    if (m_spoilt != Spoilt::No)
        return;
    if (bytes.size() > kMaxFrameBytes - m_data.size()) {
        spoil(Spoilt::Oversized);
        return;
    }
    // Grown here rather than by QByteArray, so what is held stays within
    // the bound; the last picture's size saves most regrowing.
    const qsizetype needed = m_data.size() + bytes.size();
    if (needed > m_data.capacity())
        m_data.reserve(
            std::min(kMaxFrameBytes, std::max({needed, 2 * m_data.capacity(), m_lastSize + m_lastSize / 4})));
    m_data.append(bytes);
}

void Depacketizer::spoil(Spoilt why)
{
    if (m_spoilt == Spoilt::No)
        m_spoilt = why;
    m_data = QByteArray();
}

void Depacketizer::endPicture(QList<AccessUnit> *out)
{
    m_inPicture = false;
    AccessUnit unit;
    unit.rtpTimestamp = m_timestamp;
    if (m_spoilt == Spoilt::No) {
        unit.data = std::exchange(m_data, QByteArray());
        if (!finishPicture(&unit))
            spoil(Spoilt::Malformed);
        else if (unit.data.size() > kMaxFrameBytes)
            spoil(Spoilt::Oversized);
    }
    switch (m_spoilt) {
    case Spoilt::No:
        if (!unit.data.isEmpty()) {
            m_lastSize = unit.data.size();
            ++m_counters.units;
            out->append(std::move(unit));
        }
        break;
    case Spoilt::Lost: ++m_counters.lostPictures; break;
    case Spoilt::Malformed: ++m_counters.malformedPictures; break;
    case Spoilt::Oversized: ++m_counters.oversizedPictures; break;
    }
    m_data = QByteArray();
}
