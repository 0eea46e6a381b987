#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Turns one JPEG into a picture. decode() runs on decode threads, several
// at once for different cameras, so implementations are thread-safe.
class JpegDecoder
{
public:
    virtual ~JpegDecoder() = default;
    // target: the size the picture will be drawn at; the result covers it
    // (or is full size when the target is invalid). A null image means the
    // JPEG was refused, with the reason in *error.
    virtual QImage decode(const QByteArray &jpeg, QSize target, QString *error) = 0;
};

// libjpeg-turbo, scaling in the DCT (1/2, 1/4, 1/8) when the picture is
// drawn at half its size or less: far cheaper than decoding full size and
// scaling down. Pictures over Jpeg's budget are refused before decoding.
class TurboJpegDecoder : public JpegDecoder
{
public:
    QImage decode(const QByteArray &jpeg, QSize target, QString *error) override;

    // The DCT scale denominator (1, 2, 4 or 8) whose output still covers
    // target: the largest reduction that loses no drawn detail.
    static int scaleDenominator(QSize source, QSize target);
};
