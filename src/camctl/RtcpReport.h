#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// When a camera took its pictures: its sender reports pair a wall-clock
// time with an RTP timestamp of the same instant, from which any picture's
// RTP timestamp gives its wall-clock time.
class RtcpReport
{
public:
    // The video's RTP clock rate (from the session description).
    explicit RtcpReport(quint32 clockRate);

    // Reads a compound RTCP packet of the video's own RTCP channel; true
    // when it held a sender report, whose pairing then replaces the last
    // one. Reports with no wall-clock time (cameras without a clock send
    // zeros) are passed over.
    bool read(QByteArrayView compound);

    // Microseconds since the Unix epoch of the picture with this RTP
    // timestamp, within 2^31 clock ticks of the last report either way
    // (over six hours at 90 kHz); 0 before the first report.
    qint64 wallClockUs(quint32 rtpTimestamp) const;

    bool hasReport() const { return m_reportUs != 0; }

private:
    quint32 m_clockRate;
    qint64 m_reportUs = 0;
    quint32 m_reportRtp = 0;
};
