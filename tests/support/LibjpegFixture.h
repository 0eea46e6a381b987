#pragma once

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include <jpeglib.h>

// A JPEG written by libjpeg itself, for what TurboJPEG's compressor does not
// let a test set (a scan script, sampling factors, restart markers): the
// compressor gets its defaults, then `configure`; `fill` writes row y of
// RGB samples before it is compressed.
inline QByteArray compressWithLibjpeg(int width, int height,
                                      const std::function<void(jpeg_compress_struct &)> &configure,
                                      const std::function<void(QByteArray &row, int y)> &fill)
{
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buffer, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    configure(c);
    jpeg_start_compress(&c, TRUE);
    QByteArray row(width * 3, 0);
    JSAMPROW rows[1] = {reinterpret_cast<JSAMPROW>(row.data())};
    while (c.next_scanline < c.image_height) {
        fill(row, int(c.next_scanline));
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    const QByteArray out(reinterpret_cast<const char *>(buffer), qsizetype(size));
    jpeg_destroy_compress(&c);
    std::free(buffer);
    return out;
}
