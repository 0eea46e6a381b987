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
inline constexpr uchar kStartOfScan = 0xDA;

// A whole picture ends with the end-of-image marker; a camera may add a
// line break or a little padding after it, never more than this.
inline constexpr qsizetype kEndMarkerSlack = 16;

// The budget of one picture, checked on libjpeg's own reading of the frame
// header before anything is decoded. The program runs up to fourteen
// controls, each decoding on a pool thread of its own, and must stay under
// 150 MB resident with every camera hostile: about 43 MB for the program
// itself (the nine-camera benchmark), and for each control the picture
// shown, the one being decoded and about 1 MB of libjpeg's working rows;
// multi-scan pictures add their coefficient buffers, kMaxMultiScanDecodes
// at a time. At the figures below that is 43 + 2 x 25 + 14 + 2 x 9 = 125 MB.
// - Sides: StreamLimits::kMaxImageSide.
// - Pixels: 4096 x 2160, so 4K cameras (3840 x 2160) are shown. A
//   single-scan picture is decoded a row of blocks at a time: this bounds
//   its time (a 4096 x 2160 test picture: 8 ms at 1/2, 23 ms whole, on one
//   core here), and kOutputPerTarget its memory.
inline constexpr qint64 kMaxPixels = 4096 * 2160;
// - Multi-scan pictures (progressive, or one scan per component) keep every
//   DCT coefficient of the whole picture while they decode, 2 bytes each,
//   whatever the DCT scaling: 3 bytes a pixel at 4:2:0, 4 at 4:2:2, 6 at
//   4:4:4; 675 MB for a progressive 8192 x 8192. 9 MiB holds a 1920 x 1080
//   still at 4:2:0 (6.3 MB) or 4:2:2 (8.3 MB), what cameras send.
inline constexpr qint64 kMaxScanBufferBytes = 9 * 1024 * 1024;
// Multi-scan decodes running at once in the whole program; a further one
// waits on its own pool thread for a turn, which delays only its camera.
inline constexpr int kMaxMultiScanDecodes = 2;
// - Scans: each one is a pass over that buffer. Encoders write 10 for a
//   colour progressive picture (about 20 at most when they optimise the
//   script); 64 scans of a full buffer take under 30 ms, where 500 over a
//   large picture took seconds.
inline constexpr int kMaxScans = 64;
// - Output: the smallest DCT scale that covers the drawn size is at most
//   twice it each way for camera shapes on the program's controls (4K on
//   a 704 x 576 control: 2048 x 1080, 5.5 times the area). A picture shaped
//   to defeat that (8192 x 1080 drawn at 704 x 576 would be decoded whole,
//   35 MB) is reduced further until its output is at most this many times
//   the drawn area. At the program's drawn sizes (704 x 576, four 352 x 288,
//   nine 176 x 144: 1.04 Mpx) that is 25 MB of output at a time.
inline constexpr int kOutputPerTarget = 6;

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

// Why a picture is refused without being decoded; empty when it is within
// the budget.
QString overBudget(const Header &header);

// The DCT scale denominator (1, 2, 4 or 8) whose output still covers
// target: the largest reduction that loses no drawn detail.
int scaleDenominator(QSize source, QSize target);

// The picture within the budget, DCT-scaled to cover target (full size for
// an invalid target), as 32-bit RGB. A null image when it is refused or
// cannot be decoded whole, with the reason in *error. libjpeg's warnings
// (data cut short or damaged) still give a picture, filled as far as the
// data goes; any error gives none.
QImage decode(QByteArrayView jpeg, QSize target, QString *error);

} // namespace Jpeg
