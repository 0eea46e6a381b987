#pragma once

#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

// One RTP packet, read in place: the payload is a view into the bytes
// handed to parse(), valid as long as they are.
struct RtpPacket
{
    bool marker = false;
    quint8 payloadType = 0;
    quint16 sequence = 0;
    quint32 timestamp = 0;
    quint32 ssrc = 0;
    QByteArrayView payload;

    // Nothing when the bytes are not a packet: another version, a header,
    // contributing-source list, extension or padding running past the end,
    // or more than kMaxRtpPacketBytes.
    static std::optional<RtpPacket> parse(QByteArrayView bytes);
};
