#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

// Everything the program knows about JPEG bytes. Whether a picture is
// readable, how large it is and how it is laid out is asked of libjpeg
// itself, on the very bytes that will be decoded: a reader of our own would
// sooner or later see a different frame header than the decoder does.
namespace Jpeg {

// Every marker is this byte followed by its code.
inline constexpr uchar kMarkerPrefix = 0xFF;
inline constexpr uchar kStartOfImage = 0xD8;
inline constexpr uchar kEndOfImage = 0xD9;

// A whole picture ends with the end-of-image marker; a camera may add a
// line break or a little padding after it, never more than this.
inline constexpr qsizetype kEndMarkerSlack = 16;

// What one picture may cost is checked on libjpeg's own reading of the
// frame header before anything is decoded: its sides, and for a multi-scan
// picture its coefficient buffer, against StreamLimits' bounds; its memory
// (decodeBytes) against the program's memory budget, by the caller. A
// single-scan picture is decoded a row of blocks at a time, DCT-scaled to
// its control, so its memory follows the output, not the picture: a 12 MP
// camera in a cell of the nine-camera window costs what a small one does.

// The first two bytes are the start-of-image marker.
bool startsLikeJpeg(QByteArrayView bytes);

// The start marker, a header libjpeg reads without complaint, and the end
// marker within kEndMarkerSlack bytes of the end: a picture fit to save.
bool isWholePicture(QByteArrayView bytes);

// What libjpeg read of a picture's headers, up to its first scan.
struct Header
{
    bool valid = false;
    int width = 0;
    int height = 0;
    // Decoded through a coefficient buffer of the whole picture.
    bool multiScan = false;
    qint64 scanBufferBytes = 0;  // that buffer; 0 for a single-scan picture
};

Header readHeader(QByteArrayView jpeg);

// Why a picture is refused without being decoded (a side over
// StreamLimits::kMaxImageSide, a coefficient buffer over
// kMaxScanBufferBytes); empty when it is within the bounds.
QString outOfBounds(const Header &header);

// The size a picture decodes to for target: the DCT scale that covers it,
// reduced further when that would still be over kMaxOutputPerTarget times
// target's area; full size for an invalid target.
QSize outputSize(const Header &header, QSize target);

// The memory decoding it for target takes while it runs: the output, the
// coefficient buffer of a multi-scan picture, libjpeg's working rows.
qint64 decodeBytes(const Header &header, QSize target);

// The DCT scale denominator (1, 2, 4 or 8) whose output still covers
// target: the largest reduction that loses no drawn detail.
int scaleDenominator(QSize source, QSize target);

// The picture within the bounds, at outputSize() (full size for
// an invalid target), as 32-bit RGB. A null image when it is refused or
// cannot be decoded whole, with the reason in *error. libjpeg's warnings
// (data cut short or damaged) still give a picture, filled as far as the
// data goes; any error gives none.
QImage decode(QByteArrayView jpeg, QSize target, QString *error);

} // namespace Jpeg
