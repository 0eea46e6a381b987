// The JPEG frame-header check and the decoder it guards, on any bytes:
// never a crash, a picture only within the bound and of the size the
// header gave (or the DCT-scaled size asked for).
#include "camctl/JpegDecoder.h"
#include "camctl/JpegInfo.h"
#include "camctl/StreamLimits.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const JpegInfo info = readJpegInfo(bytes);
    if (info.valid && (info.width <= 0 || info.height <= 0 || info.width > 65535 || info.height > 65535))
        std::abort();
    // Decode only what the header says is small, so each run stays quick;
    // the bound itself is checked before any decoding.
    if (!info.valid || qint64(info.width) * info.height > 512 * 512)
        return 0;
    TurboJpegDecoder decoder;
    QString error;
    const QImage image = decoder.decode(bytes, QSize(), &error);
    if (!image.isNull() && (image.width() > StreamLimits::kMaxImageSide || image.height() > StreamLimits::kMaxImageSide))
        std::abort();
    return 0;
}
