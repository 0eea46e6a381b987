#include "camctl/JpegEncoder.h"

#include <turbojpeg.h>

#include <algorithm>

JpegEncoder::JpegEncoder() : m_handle(tjInitCompress())
{
}

JpegEncoder::~JpegEncoder()
{
    if (m_handle)
        tjDestroy(m_handle);
}

QByteArray JpegEncoder::encode(const QImage &image, int quality)
{
    if (!m_handle || image.isNull())
        return {};
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    // Format_RGB32 is 0xffRRGGBB in native order: B, G, R, X in memory on
    // little-endian machines, X, R, G, B on big-endian ones.
    const int pixelFormat = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? TJPF_BGRX : TJPF_XRGB;
    unsigned char *jpeg = nullptr;
    unsigned long jpegSize = 0;
    const int result = tjCompress2(m_handle, rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(),
                                   pixelFormat, &jpeg, &jpegSize, TJSAMP_420, std::clamp(quality, 1, 100),
                                   TJFLAG_FASTDCT);
    QByteArray bytes;
    if (result == 0)
        bytes = QByteArray(reinterpret_cast<const char *>(jpeg), qsizetype(jpegSize));
    tjFree(jpeg);
    return bytes;
}
