#include "camctl/JpegDepacketizer.h"

#include <QtEndian>

#include <algorithm>

namespace {

// The example tables every encoder starts from, in natural (row) order:
// luminance, then chrominance.
constexpr uchar kBaseTables[2][64] = {
    {16, 11, 10, 16, 24, 40, 51, 61,
     12, 12, 14, 19, 26, 58, 60, 55,
     14, 13, 16, 24, 40, 57, 69, 56,
     14, 17, 22, 29, 51, 87, 80, 62,
     18, 22, 37, 56, 68, 109, 103, 77,
     24, 35, 55, 64, 81, 104, 113, 92,
     49, 64, 78, 87, 103, 121, 120, 101,
     72, 92, 95, 98, 112, 100, 103, 99},
    {17, 18, 24, 47, 99, 99, 99, 99,
     18, 21, 26, 66, 99, 99, 99, 99,
     24, 26, 56, 99, 99, 99, 99, 99,
     47, 66, 99, 99, 99, 99, 99, 99,
     99, 99, 99, 99, 99, 99, 99, 99,
     99, 99, 99, 99, 99, 99, 99, 99,
     99, 99, 99, 99, 99, 99, 99, 99,
     99, 99, 99, 99, 99, 99, 99, 99},
};

// The natural position of each coefficient in zigzag order, the order in
// which tables are sent and written.
constexpr std::array<int, 64> zigzag()
{
    std::array<int, 64> order{};
    int k = 0;
    for (int diagonal = 0; diagonal < 15; ++diagonal) {
        const int low = std::max(0, diagonal - 7);
        const int high = std::min(diagonal, 7);
        for (int i = 0; i <= high - low; ++i) {
            const int row = diagonal % 2 ? low + i : high - i;
            order[size_t(k++)] = row * 8 + diagonal - row;
        }
    }
    return order;
}
constexpr std::array<int, 64> kZigzag = zigzag();

// The usual Huffman tables (what encoders use unless they optimise), which
// the RTP header leaves out: code counts per length 1-16, then symbols.
constexpr uchar kDcLuminance[] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uchar kDcChrominance[]
    = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
constexpr uchar kAcLuminance[] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d, 0x01, 0x02, 0x03, 0x00, 0x04, 0x11,
    0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23,
    0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a,
    0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48,
    0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73,
    0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95,
    0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6,
    0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7,
    0xd8, 0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6,
    0xf7, 0xf8, 0xf9, 0xfa};
constexpr uchar kAcChrominance[] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77, 0x00, 0x01, 0x02, 0x03, 0x11,
    0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91,
    0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1,
    0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46,
    0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
    0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92,
    0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3,
    0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4,
    0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5,
    0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

static_assert(sizeof kDcLuminance == 16 + 12 && sizeof kDcChrominance == 16 + 12);
static_assert(sizeof kAcLuminance == 16 + 162 && sizeof kAcChrominance == 16 + 162);

constexpr qsizetype kMainHeader = 8;
constexpr qsizetype kRestartHeader = 4;
constexpr qsizetype kTablesHeader = 4;
constexpr qsizetype kTableBytes = 64;
constexpr uchar kRestartTypes = 0x40;

void putMarker(QByteArray *out, uchar code, int length)
{
    const char bytes[] = {char(0xFF), char(code), char(length >> 8), char(length & 0xFF)};
    out->append(bytes, sizeof bytes);
}

void putBytes(QByteArray *out, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        out->append(char(b));
}

} // namespace

JpegDepacketizer::JpegDepacketizer(quint8 payloadType)
    : Depacketizer(payloadType)
{
}

qsizetype JpegDepacketizer::heldBytes() const
{
    qsizetype n = Depacketizer::heldBytes() + m_scaledTables.size();
    for (const QByteArray &t : m_sentTables)
        n += t.size();
    return n;
}

void JpegDepacketizer::beginPicture()
{
    m_started = false;
    m_refused = false;
    m_scanBytes = 0;
}

// A picture's header and tables travel with its first packet (offset 0);
// every packet says where its scan data goes, which must be where the last
// one ended.
Depacketizer::Take JpegDepacketizer::take(QByteArrayView p)
{
    if (m_refused)
        return Take::Unsupported;
    if (p.size() < kMainHeader)
        return Take::Malformed;
    const auto *b = reinterpret_cast<const uchar *>(p.data());
    // b[0] tells an interlaced camera's fields apart; each is taken for a
    // picture of its own.
    const qint64 offset = qint64(b[1]) << 16 | b[2] << 8 | b[3];
    Header h{b[4], b[5], b[6], b[7], 0};
    qsizetype at = kMainHeader;
    if ((h.type & ~kRestartTypes) > 1 || h.quality == 0 || (h.quality >= 100 && h.quality < 128))
        return Take::Unsupported;
    if (h.width == 0 || h.height == 0)
        return Take::Malformed;
    if (h.type & kRestartTypes) {
        if (p.size() < at + kRestartHeader)
            return Take::Malformed;
        // What follows the interval places the packet among the restart
        // intervals, for a receiver that decodes them apart; the offset
        // says as much here.
        h.restartInterval = qFromBigEndian<quint16>(b + at);
        at += kRestartHeader;
    }
    if (offset == 0) {
        if (m_started)
            return Take::Malformed;
        QByteArrayView tables = tablesFor(h.quality);
        if (h.quality >= 128) {
            if (p.size() < at + kTablesHeader)
                return Take::Malformed;
            const uchar precision = b[at + 1];
            const qsizetype length = qFromBigEndian<quint16>(b + at + 2);
            at += kTablesHeader;
            if (length > p.size() - at)
                return Take::Malformed;
            if (length > 0) {
                // 16-bit tables have no place in a baseline picture.
                if (precision & 3) {
                    m_refused = true;
                    return Take::Unsupported;
                }
                if (length < 2 * kTableBytes)
                    return Take::Malformed;
                tables = p.sliced(at, 2 * kTableBytes);
                if (h.quality < 255)
                    m_sentTables[h.quality - 128] = tables.toByteArray();
            }
            at += length;
        }
        if (tables.isEmpty())
            return Take::Malformed; // none sent yet for this quality
        appendHeaders(h, tables);
        m_started = true;
        m_header = h;
    } else if (!m_started) {
        return Take::NoStart;
    } else if (!(h == m_header)) {
        return Take::Malformed;
    }
    if (offset != m_scanBytes)
        return Take::Malformed;
    append(p.sliced(at));
    m_scanBytes += p.size() - at;
    return Take::Taken;
}

// Qualities 1-99 scale the example tables: by 50 / q below 50, by
// (100 - q) / 50 from there, each value kept within 1-255. Above 127 the
// tables are the ones last sent for that quality (none for 255, whose
// tables always come with the picture).
QByteArrayView JpegDepacketizer::tablesFor(uchar quality)
{
    if (quality >= 128)
        return quality < 255 ? QByteArrayView(m_sentTables[quality - 128]) : QByteArrayView();
    if (quality != m_scaledQuality) {
        const int scale = quality < 50 ? 5000 / quality : 200 - 2 * quality;
        m_scaledTables.resize(2 * kTableBytes);
        for (int t = 0; t < 2; ++t) {
            for (int i = 0; i < kTableBytes; ++i) {
                const int value = (kBaseTables[t][kZigzag[size_t(i)]] * scale + 50) / 100;
                m_scaledTables[t * kTableBytes + i] = char(std::clamp(value, 1, 255));
            }
        }
        m_scaledQuality = quality;
    }
    return m_scaledTables;
}

// Start of image, JFIF, tables, restart interval, frame, Huffman tables,
// start of scan: luminance uses tables 0, both chrominance components 1.
void JpegDepacketizer::appendHeaders(const Header &h, QByteArrayView tables)
{
    QByteArray out;
    out.reserve(700);
    putBytes(&out, {0xFF, 0xD8});
    putMarker(&out, 0xE0, 16);
    out.append("JFIF", 5);
    putBytes(&out, {1, 1, 0, 0, 1, 0, 1, 0, 0});
    putMarker(&out, 0xDB, 2 + 2 * (1 + kTableBytes));
    for (int t = 0; t < 2; ++t) {
        out.append(char(t));
        out.append(tables.sliced(t * kTableBytes, kTableBytes));
    }
    if (h.restartInterval > 0) {
        putMarker(&out, 0xDD, 4);
        putBytes(&out, {h.restartInterval >> 8, h.restartInterval & 0xFF});
    }
    const int width = h.width * 8;
    const int height = h.height * 8;
    // Type 0 is 4:2:2 (luminance blocks two across), type 1 4:2:0 (two
    // across, two down).
    const int lumaSampling = (h.type & 1) ? 0x22 : 0x21;
    putMarker(&out, 0xC0, 17);
    putBytes(
        &out, {8, height >> 8, height & 0xFF, width >> 8, width & 0xFF, 3, 1, lumaSampling, 0, 2, 0x11, 1, 3, 0x11, 1});
    const std::pair<int, QByteArrayView> huffman[] = {{0x00, QByteArrayView(kDcLuminance, sizeof kDcLuminance)},
        {0x10, QByteArrayView(kAcLuminance, sizeof kAcLuminance)},
        {0x01, QByteArrayView(kDcChrominance, sizeof kDcChrominance)},
        {0x11, QByteArrayView(kAcChrominance, sizeof kAcChrominance)}};
    qsizetype length = 2;
    for (const auto &[id, table] : huffman)
        length += 1 + table.size();
    putMarker(&out, 0xC4, int(length));
    for (const auto &[id, table] : huffman) {
        out.append(char(id));
        out.append(table);
    }
    putMarker(&out, 0xDA, 12);
    putBytes(&out, {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0});
    append(out);
}

bool JpegDepacketizer::finishPicture(AccessUnit *unit)
{
    if (!m_started)
        return true;
    if (!unit->data.endsWith("\xFF\xD9"))
        unit->data.append("\xFF\xD9", 2);
    unit->key = true;
    unit->size = QSize(m_header.width * 8, m_header.height * 8);
    return true;
}
