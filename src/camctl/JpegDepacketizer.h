#pragma once

#include "camctl/Depacketizer.h"

#include <array>

// JPEG pictures from their RTP packets, each rebuilt as a whole baseline
// JFIF picture: the packets carry the scan data and a short header, from
// which the tables and frame header are written again. Types 0 and 1
// (4:2:2 and 4:2:0), and 64 and 65, the same with restart markers, are
// handled; other types are dropped as unsupported. Quantization tables come
// from the quality factor (1-99) or with the picture (128-255).
class JpegDepacketizer final : public Depacketizer
{
public:
    explicit JpegDepacketizer(quint8 payloadType);

    qsizetype heldBytes() const override;

private:
    // What every packet of a picture repeats.
    struct Header
    {
        uchar type = 0;
        uchar quality = 0;
        uchar width = 0; // in blocks of 8 pixels
        uchar height = 0;
        quint16 restartInterval = 0;

        bool operator==(const Header &) const = default;
    };

    void beginPicture() override;
    Take take(QByteArrayView payload) override;
    bool finishPicture(AccessUnit *unit) override;

    QByteArrayView tablesFor(uchar quality);
    void appendHeaders(const Header &header, QByteArrayView tables);

    // Tables sent with a picture at a quality of 128-254 stand for that
    // quality until sent again (255 means they change every picture): 127
    // pairs of 64-byte tables at most.
    std::array<QByteArray, 127> m_sentTables;
    QByteArray m_scaledTables;
    uchar m_scaledQuality = 0;

    // The picture being put together.
    bool m_started = false;
    bool m_refused = false;
    Header m_header;
    qint64 m_scanBytes = 0;
};
