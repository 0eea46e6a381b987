#include "camctl/RtpPacket.h"

#include "camctl/StreamLimits.h"

#include <QtEndian>

std::optional<RtpPacket> RtpPacket::parse(QByteArrayView bytes)
{
    constexpr qsizetype kFixedHeader = 12;
    if (bytes.size() < kFixedHeader || bytes.size() > StreamLimits::kMaxRtpPacketBytes)
        return std::nullopt;
    const auto *b = reinterpret_cast<const uchar *>(bytes.data());
    if (b[0] >> 6 != 2)
        return std::nullopt;
    RtpPacket p;
    p.marker = b[1] & 0x80;
    p.payloadType = b[1] & 0x7F;
    p.sequence = qFromBigEndian<quint16>(b + 2);
    p.timestamp = qFromBigEndian<quint32>(b + 4);
    p.ssrc = qFromBigEndian<quint32>(b + 8);

    qsizetype at = kFixedHeader + 4 * (b[0] & 0x0F); // contributing sources
    if (b[0] & 0x10) {
        // The extension's length counts 32-bit words after its own 4 bytes.
        if (at + 4 > bytes.size())
            return std::nullopt;
        at += 4 + 4 * qsizetype(qFromBigEndian<quint16>(b + at + 2));
    }
    if (at > bytes.size())
        return std::nullopt;
    qsizetype end = bytes.size();
    if (b[0] & 0x20) {
        // The last byte counts the padding, itself included.
        const qsizetype padding = b[end - 1];
        if (padding == 0 || padding > end - at)
            return std::nullopt;
        end -= padding;
    }
    p.payload = bytes.sliced(at, end - at);
    return p;
}
