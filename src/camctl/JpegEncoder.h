#pragma once

#include <QByteArray>
#include <QImage>

// libjpeg-turbo's fast path: the demo camera encodes a picture per camera
// and tick, so QImage's slower writer would cost most of a core; a saved
// picture of a camera that sends no JPEG is written with it too.
class JpegEncoder
{
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder &) = delete;
    JpegEncoder &operator=(const JpegEncoder &) = delete;

    // quality 1..100 (0 is taken as 1); empty on failure.
    QByteArray encode(const QImage &image, int quality);

private:
    void *m_handle = nullptr;
};

