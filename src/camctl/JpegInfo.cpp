#include "camctl/JpegInfo.h"

namespace {

int be16(QByteArrayView b, qsizetype at)
{
    return (uchar(b[at]) << 8) | uchar(b[at + 1]);
}

bool isStandalone(uchar marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8);
}

// SOF0..SOF15 without DHT (C4), JPG (C8) and DAC (CC).
bool isFrameHeader(uchar marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

bool isProgressive(uchar marker)
{
    return marker == 0xC2 || marker == 0xC6 || marker == 0xCA || marker == 0xCE;
}

} // namespace

JpegInfo readJpegInfo(QByteArrayView b)
{
    JpegInfo info;
    if (b.size() < 4 || uchar(b[0]) != 0xFF || uchar(b[1]) != 0xD8)
        return info;
    qsizetype p = 2;
    while (p + 1 < b.size()) {
        if (uchar(b[p]) != 0xFF) {
            ++p;  // junk between segments: libjpeg skips it too
            continue;
        }
        while (p < b.size() && uchar(b[p]) == 0xFF)
            ++p;  // fill bytes
        if (p >= b.size())
            break;
        const uchar marker = uchar(b[p++]);
        if (isStandalone(marker))
            continue;
        if (marker == 0xDA || marker == 0xD9)
            break;  // scan data or end before any frame header
        if (p + 2 > b.size())
            break;
        const int length = be16(b, p);
        if (length < 2)
            break;
        if (isFrameHeader(marker)) {
            if (length < 8 || p + 8 > b.size())
                break;
            info.height = be16(b, p + 3);
            info.width = be16(b, p + 5);
            info.components = uchar(b[p + 7]);
            info.progressive = isProgressive(marker);
            info.valid = info.width > 0 && info.height > 0 && info.components > 0;
            return info;
        }
        p += length;
    }
    return info;
}
