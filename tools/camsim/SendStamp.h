#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The send time carried inside a picture: a JPEG comment segment (COM)
// right after the start marker, "sent-us=" and the microseconds since the
// epoch. Inside the picture because a client hands on only the picture's
// bytes; a comment because every decoder skips it. The demo camera writes
// it when asked (stamp=1); the benchmarks read it from what was shown.
namespace SendStamp {

inline constexpr QByteArrayView kTag = "sent-us=";

// jpeg with the comment inserted; unchanged when it does not start with a
// start marker (a fault's body that is no picture).
inline QByteArray stamped(const QByteArray &jpeg, qint64 sentUs)
{
    if (jpeg.size() < 2 || uchar(jpeg[0]) != 0xFF || uchar(jpeg[1]) != 0xD8)
        return jpeg;
    const QByteArray text = kTag.toByteArray() + QByteArray::number(sentUs);
    const qsizetype length = text.size() + 2;  // the length counts itself
    QByteArray out;
    out.reserve(jpeg.size() + 4 + text.size());
    out.append(jpeg.constData(), 2);
    out.append(char(0xFF)).append(char(0xFE)).append(char(length >> 8)).append(char(length & 0xFF));
    out.append(text);
    out.append(jpeg.constData() + 2, jpeg.size() - 2);
    return out;
}

// The send time of a stamped picture; 0 when it carries none.
inline qint64 sentUs(QByteArrayView jpeg)
{
    if (jpeg.size() < 6 || uchar(jpeg[2]) != 0xFF || uchar(jpeg[3]) != 0xFE)
        return 0;
    const qsizetype length = qsizetype(uchar(jpeg[4])) << 8 | uchar(jpeg[5]);
    if (length < 2 || 4 + length > jpeg.size())
        return 0;
    const QByteArrayView text = jpeg.sliced(6, length - 2);
    if (!text.startsWith(kTag))
        return 0;
    bool ok = false;
    const qint64 us = text.sliced(kTag.size()).toLongLong(&ok);
    return ok ? us : 0;
}

} // namespace SendStamp
