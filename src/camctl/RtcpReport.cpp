#include "camctl/RtcpReport.h"

#include <QtEndian>

namespace {

constexpr int kSenderReport = 200;
// From 1900, where network time begins, to 1970.
constexpr qint64 kUnixEpochInNtpSeconds = 2208988800LL;
// Header, sender's source, network time, RTP time.
constexpr qsizetype kSenderReportBytes = 4 + 4 + 8 + 4;

// Network time in microseconds since 1970. Its seconds wrap in 2036: a
// value with the top bit clear is taken to be after that.
qint64 unixUs(quint32 seconds, quint32 fraction)
{
    qint64 s = qint64(seconds);
    if (!(seconds & 0x80000000u))
        s += qint64(1) << 32;
    return (s - kUnixEpochInNtpSeconds) * 1000000 + ((qint64(fraction) * 1000000) >> 32);
}

} // namespace

RtcpReport::RtcpReport(quint32 clockRate)
    : m_clockRate(clockRate)
{
}

// Packets one after another, each giving its length in 32-bit words less
// one; only the last may be padded.
bool RtcpReport::read(QByteArrayView compound)
{
    const auto *b = reinterpret_cast<const uchar *>(compound.data());
    bool found = false;
    for (qsizetype at = 0; at + 4 <= compound.size();) {
        if (b[at] >> 6 != 2)
            return found;
        const qsizetype bytes = 4 * (qsizetype(qFromBigEndian<quint16>(b + at + 2)) + 1);
        if (bytes > compound.size() - at)
            return found;
        const quint32 seconds = bytes >= kSenderReportBytes ? qFromBigEndian<quint32>(b + at + 8) : 0;
        const quint32 fraction = bytes >= kSenderReportBytes ? qFromBigEndian<quint32>(b + at + 12) : 0;
        if (b[at + 1] == kSenderReport && bytes >= kSenderReportBytes && (seconds || fraction)) {
            m_reportUs = unixUs(seconds, fraction);
            m_reportRtp = qFromBigEndian<quint32>(b + at + 16);
            found = true;
        }
        at += bytes;
    }
    return found;
}

qint64 RtcpReport::wallClockUs(quint32 rtpTimestamp) const
{
    if (m_reportUs == 0 || m_clockRate == 0)
        return 0;
    const qint64 ticks = qint32(rtpTimestamp - m_reportRtp);
    const qint64 us = m_reportUs + ticks * 1000000 / qint64(m_clockRate);
    return us > 0 ? us : 0;
}
