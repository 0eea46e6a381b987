#pragma once

#include <QByteArray>
#include <QColor>

#include <turbojpeg.h>

#include <vector>

// Real JPEGs for tests, made with the same library the engine decodes
// with: a colour field with a gradient so scaled decodes differ.
inline QByteArray makeJpeg(int width, int height, QColor colour = Qt::red, int quality = 80,
                           bool progressive = false)
{
    std::vector<unsigned char> rgb(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char *p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            p[0] = static_cast<unsigned char>(colour.red());
            p[1] = static_cast<unsigned char>(colour.green());
            p[2] = static_cast<unsigned char>((colour.blue() + x * 255 / width) / 2);
        }
    }
    tjhandle tj = tjInitCompress();
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    const int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    const int rc = tjCompress2(tj, rgb.data(), width, 0, height, TJPF_RGB, &buffer, &size, TJSAMP_420, quality,
                               flags);
    QByteArray out;
    if (rc == 0)
        out = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(size));
    tjFree(buffer);
    tjDestroy(tj);
    return out;
}
