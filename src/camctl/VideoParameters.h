#pragma once

#include <QByteArrayView>
#include <QSize>
#include <QString>

#include <optional>

// What a decoder will need for a stream, read from its sequence parameter
// set before any picture is decoded, so its memory can be checked against a
// budget first: picturesKept x pictureBytes.
struct VideoParameters
{
    // The picture as shown, after cropping.
    int width = 0;
    int height = 0;
    // Pictures the decoder keeps for reference and reordering (at least 1).
    int picturesKept = 0;
    // One decoded picture as a decoder holds it: the coded size (before
    // cropping), the chroma planes and 2 bytes a sample past 8 bits.
    qint64 pictureBytes = 0;

    qint64 decoderBytes() const { return qint64(picturesKept) * pictureBytes; }

    // From an H.264 or H.265 sequence parameter set NAL unit, header
    // included, as sent; nothing, with the reason in *error, when it is
    // unreadable or asks for more than kMaxImageSide a side or
    // kMaxDecoderPictures pictures.
    static std::optional<VideoParameters> fromH264(QByteArrayView sps, QString *error);
    static std::optional<VideoParameters> fromH265(QByteArrayView sps, QString *error);
    // JPEG: the size from its RTP header; one picture, at 4:2:2 at most.
    static VideoParameters fromJpeg(QSize size);
};
