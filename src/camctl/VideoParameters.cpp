#include "camctl/VideoParameters.h"

#include "camctl/StreamLimits.h"

#include <QByteArray>

#include <algorithm>
#include <iterator>

using StreamLimits::kMaxDecoderPictures;
using StreamLimits::kMaxImageSide;

namespace {

// The bits of a NAL unit after its header, with the bytes that keep start
// codes out of it (the 03 of 00 00 03) taken out. Reading past the end
// fails the reader and gives zeros.
class Bits
{
public:
    Bits(QByteArrayView nal, qsizetype header)
    {
        m_bytes.reserve(nal.size());
        int zeros = 0;
        for (qsizetype i = header; i < nal.size(); ++i) {
            if (zeros >= 2 && nal[i] == 3) {
                zeros = 0;
                continue;
            }
            zeros = nal[i] == 0 ? zeros + 1 : 0;
            m_bytes.append(nal[i]);
        }
    }

    bool failed() const { return m_failed; }
    void fail() { m_failed = true; }

    quint32 bit()
    {
        if (m_failed || m_bit >= 8 * m_bytes.size()) {
            m_failed = true;
            return 0;
        }
        const quint32 b = (uchar(m_bytes[m_bit / 8]) >> (7 - m_bit % 8)) & 1;
        ++m_bit;
        return b;
    }
    quint64 bits(int n)
    {
        quint64 v = 0;
        for (int i = 0; i < n; ++i)
            v = v << 1 | bit();
        return v;
    }
    void skip(int n) { bits(n); }
    // Exp-Golomb: as many zeros as the value has bits after its leading 1.
    quint64 ue()
    {
        int zeros = 0;
        while (!bit()) {
            if (m_failed || ++zeros > 31) {
                m_failed = true;
                return 0;
            }
        }
        return (quint64(1) << zeros) - 1 + bits(zeros);
    }
    qint64 se()
    {
        const quint64 k = ue();
        return k & 1 ? qint64((k + 1) / 2) : -qint64(k / 2);
    }

private:
    QByteArray m_bytes;
    qint64 m_bit = 0;
    bool m_failed = false;
};

std::optional<VideoParameters> refuse(QString *error, const QString &why)
{
    *error = why;
    return std::nullopt;
}

std::optional<VideoParameters> unreadable(QString *error)
{
    return refuse(error, QStringLiteral("unreadable sequence parameter set"));
}

// Both codecs' pictures: the coded size, what cropping takes off it in
// chroma sample units, the chroma format and bit depths.
struct Picture
{
    quint64 codedWidth = 0;
    quint64 codedHeight = 0;
    quint64 crop[4] = {}; // left, right, top, bottom
    quint64 cropUnitX = 1;
    quint64 cropUnitY = 1;
    quint64 chromaFormat = 1;
    bool deepSamples = false;
    quint64 pictures = 0;
};

std::optional<VideoParameters> finish(const Picture &p, QString *error)
{
    if (p.codedWidth == 0 || p.codedHeight == 0 || p.codedWidth > quint64(kMaxImageSide)
        || p.codedHeight > quint64(kMaxImageSide))
        return refuse(error,
            QStringLiteral("coded pictures of %1x%2, over %3 a side")
                .arg(p.codedWidth)
                .arg(p.codedHeight)
                .arg(kMaxImageSide));
    // Each offset fits in 32 bits: the sums cannot overflow.
    const quint64 cropX = (p.crop[0] + p.crop[1]) * p.cropUnitX;
    const quint64 cropY = (p.crop[2] + p.crop[3]) * p.cropUnitY;
    if (cropX >= p.codedWidth || cropY >= p.codedHeight)
        return unreadable(error);
    if (p.pictures > quint64(kMaxDecoderPictures))
        return refuse(
            error, QStringLiteral("%1 pictures kept by the decoder, over %2").arg(p.pictures).arg(kMaxDecoderPictures));
    VideoParameters v;
    v.width = int(p.codedWidth - cropX);
    v.height = int(p.codedHeight - cropY);
    v.picturesKept = int(std::max<quint64>(1, p.pictures));
    const qint64 luma = qint64(p.codedWidth * p.codedHeight);
    // 4:2:0 adds half the luma, 4:2:2 as much, 4:4:4 twice as much.
    const qint64 chroma[] = {0, luma / 2, luma, 2 * luma};
    v.pictureBytes = (luma + chroma[p.chromaFormat]) * (p.deepSamples ? 2 : 1);
    return v;
}

void chromaUnits(Picture *p, bool separatePlanes, quint64 fieldFactor)
{
    const bool subsampledAcross = (p->chromaFormat == 1 || p->chromaFormat == 2) && !separatePlanes;
    const bool subsampledDown = p->chromaFormat == 1 && !separatePlanes;
    p->cropUnitX = subsampledAcross ? 2 : 1;
    p->cropUnitY = (subsampledDown ? 2 : 1) * fieldFactor;
}

void skipScalingList(Bits &r, int size)
{
    qint64 last = 8;
    qint64 next = 8;
    for (int j = 0; j < size && !r.failed(); ++j) {
        if (next != 0)
            next = ((last + r.se()) % 256 + 256) % 256;
        last = next == 0 ? last : next;
    }
}

void skipHrd(Bits &r)
{
    const quint64 count = r.ue() + 1;
    if (count > 32) {
        r.fail();
        return;
    }
    r.skip(8); // bit rate and buffer size scales
    for (quint64 i = 0; i < count && !r.failed(); ++i) {
        r.ue();
        r.ue();
        r.skip(1);
    }
    r.skip(20); // four delay lengths
}

// H.264's video usability information, up to the pictures the decoder
// keeps; 0 when it does not say.
quint64 maxDecFrameBuffering(Bits &r)
{
    if (r.bit() && r.bits(8) == 255)
        r.skip(32); // sample aspect ratio
    if (r.bit())
        r.skip(1); // overscan
    if (r.bit()) {
        r.skip(4); // video format, full range
        if (r.bit())
            r.skip(24); // colour description
    }
    if (r.bit()) {
        r.ue(); // chroma sample locations
        r.ue();
    }
    if (r.bit())
        r.skip(65); // timing
    const bool nalHrd = r.bit();
    if (nalHrd)
        skipHrd(r);
    const bool vclHrd = r.bit();
    if (vclHrd)
        skipHrd(r);
    if (nalHrd || vclHrd)
        r.skip(1);
    r.skip(1); // picture structure
    if (!r.bit())
        return 0;
    r.skip(1);
    for (int i = 0; i < 5; ++i)
        r.ue(); // sizes, motion vector lengths, reordering
    const quint64 frames = r.ue();
    return r.failed() ? 0 : frames;
}

// Profiles whose parameter sets say their chroma format and bit depth;
// the others are 8-bit 4:2:0.
constexpr quint64 kH264ChromaProfiles[] = {100, 110, 122, 244, 44, 83, 86, 118, 128, 138, 139, 134, 135};

} // namespace

std::optional<VideoParameters> VideoParameters::fromH264(QByteArrayView sps, QString *error)
{
    if (sps.isEmpty() || (sps[0] & 0x9F) != 7)
        return unreadable(error);
    Bits r(sps, 1);
    const quint64 profile = r.bits(8);
    r.skip(16); // constraints, level
    if (r.ue() > 31)
        return unreadable(error);
    Picture p;
    bool separatePlanes = false;
    if (std::find(std::begin(kH264ChromaProfiles), std::end(kH264ChromaProfiles), profile)
        != std::end(kH264ChromaProfiles)) {
        p.chromaFormat = r.ue();
        if (p.chromaFormat > 3)
            return unreadable(error);
        if (p.chromaFormat == 3)
            separatePlanes = r.bit();
        const quint64 lumaDepth = r.ue();
        const quint64 chromaDepth = r.ue();
        if (lumaDepth > 6 || chromaDepth > 6)
            return unreadable(error);
        p.deepSamples = lumaDepth > 0 || chromaDepth > 0;
        r.skip(1);
        if (r.bit()) {
            for (int i = 0; i < (p.chromaFormat == 3 ? 12 : 8); ++i) {
                if (r.bit())
                    skipScalingList(r, i < 6 ? 16 : 64);
            }
        }
    }
    if (r.ue() > 12) // frame numbers
        return unreadable(error);
    const quint64 orderType = r.ue();
    if (orderType == 0) {
        if (r.ue() > 12)
            return unreadable(error);
    } else if (orderType == 1) {
        r.skip(1);
        r.se();
        r.se();
        const quint64 cycle = r.ue();
        if (cycle > 255)
            return unreadable(error);
        for (quint64 i = 0; i < cycle && !r.failed(); ++i)
            r.se();
    } else if (orderType != 2) {
        return unreadable(error);
    }
    const quint64 references = r.ue();
    r.skip(1);
    const quint64 widthInBlocks = r.ue() + 1;
    const quint64 heightInBlocks = r.ue() + 1;
    const bool framesOnly = r.bit();
    if (!framesOnly)
        r.skip(1);
    r.skip(1);
    if (r.bit()) {
        for (quint64 &c : p.crop)
            c = r.ue();
    }
    const bool usability = r.bit();
    if (r.failed())
        return unreadable(error);
    // An encoder may cut the usability information short; the size and
    // references before it still hold.
    quint64 buffering = 0;
    if (usability) {
        Bits rest = r;
        buffering = maxDecFrameBuffering(rest);
    }
    // Field pictures pair up into frames: blocks count twice down.
    const quint64 fieldFactor = framesOnly ? 1 : 2;
    p.codedWidth = widthInBlocks * 16;
    p.codedHeight = heightInBlocks * 16 * fieldFactor;
    chromaUnits(&p, separatePlanes || p.chromaFormat == 0, fieldFactor);
    p.pictures = std::max(references, buffering);
    return finish(p, error);
}

std::optional<VideoParameters> VideoParameters::fromH265(QByteArrayView sps, QString *error)
{
    if (sps.size() < 2 || (sps[0] & 0x80) || ((uchar(sps[0]) >> 1) & 0x3F) != 33)
        return unreadable(error);
    Bits r(sps, 2);
    r.skip(4);                            // video parameter set
    const int subLayers = int(r.bits(3)); // beyond the first
    if (subLayers > 6)
        return unreadable(error);
    r.skip(1);
    r.skip(88 + 8); // general profile, tier and level
    bool profilePresent[7] = {};
    bool levelPresent[7] = {};
    for (int i = 0; i < subLayers; ++i) {
        profilePresent[i] = r.bit();
        levelPresent[i] = r.bit();
    }
    if (subLayers > 0)
        r.skip(2 * (8 - subLayers));
    for (int i = 0; i < subLayers; ++i)
        r.skip((profilePresent[i] ? 88 : 0) + (levelPresent[i] ? 8 : 0));
    if (r.ue() > 15)
        return unreadable(error);
    Picture p;
    p.chromaFormat = r.ue();
    if (p.chromaFormat > 3)
        return unreadable(error);
    const bool separatePlanes = p.chromaFormat == 3 && r.bit();
    p.codedWidth = r.ue();
    p.codedHeight = r.ue();
    if (r.bit()) {
        for (quint64 &c : p.crop)
            c = r.ue();
    }
    const quint64 lumaDepth = r.ue();
    const quint64 chromaDepth = r.ue();
    if (lumaDepth > 8 || chromaDepth > 8 || r.ue() > 12)
        return unreadable(error);
    p.deepSamples = lumaDepth > 0 || chromaDepth > 0;
    // Buffering per sub-layer, or once for all: the highest one's is what
    // the whole stream needs.
    const bool perLayer = r.bit();
    for (int i = perLayer ? 0 : subLayers; i <= subLayers; ++i) {
        p.pictures = r.ue() + 1;
        r.ue();
        r.ue();
    }
    if (r.failed())
        return unreadable(error);
    chromaUnits(&p, separatePlanes || p.chromaFormat == 0, 1);
    return finish(p, error);
}

VideoParameters VideoParameters::fromJpeg(QSize size)
{
    VideoParameters v;
    v.width = size.width();
    v.height = size.height();
    v.picturesKept = 1;
    v.pictureBytes = 2 * qint64(size.width()) * size.height();
    return v;
}
