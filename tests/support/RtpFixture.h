#pragma once

#include <QByteArray>
#include <QList>
#include <QtEndian>

// An RTP packet as a camera sends it: version 2, nothing optional.
inline QByteArray rtp(quint16 sequence, quint32 timestamp, bool marker, const QByteArray &payload, quint8 type = 96)
{
    QByteArray p(12, 0);
    p[0] = char(0x80);
    p[1] = char((marker ? 0x80 : 0) | type);
    qToBigEndian(sequence, p.data() + 2);
    qToBigEndian(timestamp, p.data() + 4);
    qToBigEndian(quint32(0xCA11AB1E), p.data() + 8);
    return p + payload;
}

inline QByteArray be16(int value)
{
    return QByteArray(1, char(value >> 8)) + char(value & 0xFF);
}
