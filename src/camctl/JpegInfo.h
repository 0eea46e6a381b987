#pragma once

#include <QByteArrayView>

// What a JPEG's frame header (SOF) says, read without decoding anything,
// so a picture too large to hold is refused before a byte is decoded.
struct JpegInfo
{
    bool valid = false;
    int width = 0;
    int height = 0;
    int components = 0;
    bool progressive = false;
};

JpegInfo readJpegInfo(QByteArrayView jpeg);
