// libjpeg's header reading, the budget and the decoder it guards, on any
// bytes: never a crash; a picture only within the budget, of the size the
// header gave reduced in the DCT, and every failure with its reason.
#include "camctl/Jpeg.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (Jpeg::isWholePicture(bytes) && !Jpeg::startsLikeJpeg(bytes))
        std::abort();
    const Jpeg::Header h = Jpeg::readHeader(bytes);
    if (h.valid && (h.width <= 0 || h.height <= 0 || h.width > 65535 || h.height > 65535))
        std::abort();
    if (h.multiScan != (h.scanBufferBytes > 0))
        std::abort();
    // Within the budget only what is small decodes here, so each run stays
    // quick; what is over it must be refused whatever its size.
    const bool refused = !h.valid || !Jpeg::outOfBounds(h).isEmpty();
    if (!refused && qint64(h.width) * h.height > 1024 * 1024)
        return 0;
    // The first byte picks a drawn size, so the DCT scales are exercised.
    const QSize target = size > 0 && data[0] % 2 ? QSize(1 + data[0] % 97, 1 + data[0] % 61) : QSize();
    QString error;
    const QImage image = Jpeg::decode(bytes, target, &error);
    if (image.isNull() != !error.isEmpty() || (refused && !image.isNull()))
        std::abort();
    if (!image.isNull()) {
        bool scaled = false;
        for (int d : {1, 2, 4, 8})
            scaled = scaled || image.size() == QSize((h.width + d - 1) / d, (h.height + d - 1) / d);
        if (!scaled)
            std::abort();
    }
    return 0;
}
