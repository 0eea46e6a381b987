#include "camctl/JpegDecoder.h"

#include "camctl/JpegInfo.h"
#include "camctl/StreamLimits.h"

#include <turbojpeg.h>

namespace {

// One decompressor per decode thread: creating one costs more than
// decoding a small picture.
struct TurboHandle
{
    tjhandle handle = tjInitDecompress();
    ~TurboHandle()
    {
        if (handle)
            tjDestroy(handle);
    }
};

tjhandle threadDecompressor()
{
    thread_local TurboHandle h;
    return h.handle;
}

int scaled(int side, int denominator)
{
    return (side + denominator - 1) / denominator;
}

constexpr int kPixelFormat = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? TJPF_BGRX : TJPF_XRGB;
// LIMITSCANS: a progressive JPEG with hundreds of scans is refused rather
// than decoded for seconds. FASTUPSAMPLE: camera pictures are 4:2:0 and
// drawn stretched, where smoothed chroma shows no difference but costs a
// tenth of the decode.
constexpr int kDecodeFlags = TJFLAG_LIMITSCANS | TJFLAG_FASTUPSAMPLE;

} // namespace

int TurboJpegDecoder::scaleDenominator(QSize source, QSize target)
{
    if (!target.isValid() || target.isEmpty())
        return 1;
    for (int d : {8, 4, 2}) {
        if (scaled(source.width(), d) >= target.width() && scaled(source.height(), d) >= target.height())
            return d;
    }
    return 1;
}

QImage TurboJpegDecoder::decode(const QByteArray &jpeg, QSize target, QString *error)
{
    const JpegInfo info = readJpegInfo(jpeg);
    if (!info.valid) {
        *error = QStringLiteral("not a JPEG picture");
        return {};
    }
    if (info.width > StreamLimits::kMaxImageSide || info.height > StreamLimits::kMaxImageSide) {
        *error = QStringLiteral("picture %1x%2 larger than %3x%3")
                     .arg(info.width)
                     .arg(info.height)
                     .arg(StreamLimits::kMaxImageSide);
        return {};
    }
    tjhandle tj = threadDecompressor();
    if (!tj) {
        *error = QStringLiteral("JPEG decoder unavailable");
        return {};
    }
    const int d = scaleDenominator(QSize(info.width, info.height), target);
    QImage image(scaled(info.width, d), scaled(info.height, d), QImage::Format_RGB32);
    if (image.isNull()) {
        *error = QStringLiteral("out of memory for the picture");
        return {};
    }
    const int rc = tjDecompress2(tj, reinterpret_cast<const uchar *>(jpeg.constData()), ulong(jpeg.size()),
                                 image.bits(), image.width(), int(image.bytesPerLine()), image.height(),
                                 kPixelFormat, kDecodeFlags);
    // A warning (truncated or corrupt data) still leaves as much of the
    // picture as decodes: drawn, like a camera viewer shows it.
    if (rc != 0 && tjGetErrorCode(tj) != TJERR_WARNING) {
        *error = QString::fromLatin1(tjGetErrorStr2(tj));
        return {};
    }
    return image;
}
