#include "camctl/JpegDecoder.h"

#include "camctl/Jpeg.h"

int TurboJpegDecoder::scaleDenominator(QSize source, QSize target)
{
    return Jpeg::scaleDenominator(source, target);
}

QImage TurboJpegDecoder::decode(const QByteArray &jpeg, QSize target, QString *error)
{
    return Jpeg::decode(jpeg, target, error);
}
