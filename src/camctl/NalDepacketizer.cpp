#include "camctl/NalDepacketizer.h"

#include "camctl/StreamLimits.h"

#include <QtEndian>

namespace {

constexpr char kStartCode[] = {0, 0, 0, 1};

// Packet types beyond the NAL unit types of each codec.
constexpr int kH264Stapa = 24;
constexpr int kH264Fua = 28;
constexpr int kH265Aggregation = 48;
constexpr int kH265Fragment = 49;

constexpr int kH264Idr = 5;
constexpr int kH264Sps = 7;
constexpr int kH265FirstIrap = 16;
constexpr int kH265LastIrap = 23;
constexpr int kH265Sps = 33;

// H.265's decoding order numbers go up to 32767 apart.
constexpr uint kMaxDonDiff = 32767;

} // namespace

NalDepacketizer::NalDepacketizer(quint8 payloadType, bool h265, bool donl)
    : Depacketizer(payloadType)
    , m_h265(h265)
    , m_headerBytes(h265 ? 2 : 1)
    , m_donl(donl)
{
}

std::unique_ptr<Depacketizer> NalDepacketizer::h264(const SdpVideo &video, QString *error)
{
    // Modes 0 and 1 send units in decoding order; mode 2 interleaves them.
    const QByteArray mode = video.formatParameter("packetization-mode");
    if (!mode.isNull() && mode != "0" && mode != "1") {
        bool number = false;
        const uint value = mode.toUInt(&number);
        *error = QStringLiteral("unsupported H.264 packetization mode")
            + (number ? QStringLiteral(" %1").arg(value) : QString());
        return nullptr;
    }
    std::unique_ptr<NalDepacketizer> d(new NalDepacketizer(video.payloadType, false, false));
    d->addParameterSets(video.formatParameter("sprop-parameter-sets"));
    return d;
}

std::unique_ptr<Depacketizer> NalDepacketizer::h265(const SdpVideo &video, QString *error)
{
    uint maxDonDiff = 0;
    if (const QByteArray text = video.formatParameter("sprop-max-don-diff"); !text.isNull()) {
        bool ok = false;
        maxDonDiff = text.toUInt(&ok);
        if (!ok || maxDonDiff > kMaxDonDiff) {
            *error = QStringLiteral("unreadable sprop-max-don-diff");
            return nullptr;
        }
    }
    // Units are handed on in the order received, which is the decoding
    // order for every camera; their decoding order numbers are read only to
    // be left out.
    std::unique_ptr<NalDepacketizer> d(new NalDepacketizer(video.payloadType, true, maxDonDiff > 0));
    for (const char *name : {"sprop-vps", "sprop-sps", "sprop-pps"})
        d->addParameterSets(video.formatParameter(name));
    return d;
}

// Base64 NAL units separated by commas; one that does not decode is left
// out, and the decoder finds it in the stream or not at all.
void NalDepacketizer::addParameterSets(QByteArrayView base64List)
{
    for (const QByteArrayView item : QByteArray(base64List.toByteArray()).split(',')) {
        const auto decoded
            = QByteArray::fromBase64Encoding(item.trimmed().toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
        const QByteArray &nal = decoded.decoded;
        if (!decoded || nal.size() < m_headerBytes || (nal[0] & 0x80))
            continue;
        m_extradata.append(kStartCode, sizeof kStartCode);
        if (typeOf(uchar(nal[0])) == (m_h265 ? kH265Sps : kH264Sps) && m_extradataSpsBytes == 0) {
            m_extradataSpsOffset = m_extradata.size();
            m_extradataSpsBytes = nal.size();
        }
        m_extradata.append(nal);
    }
}

qsizetype NalDepacketizer::heldBytes() const
{
    return Depacketizer::heldBytes() + m_extradata.size();
}

int NalDepacketizer::typeOf(uchar firstHeaderByte) const
{
    return m_h265 ? (firstHeaderByte >> 1) & 0x3F : firstHeaderByte & 0x1F;
}

// A type a NAL unit may have on its own: not a packet type, not unassigned.
bool NalDepacketizer::isSingle(int type) const
{
    return m_h265 ? type <= 47 : type >= 1 && type <= 23;
}

void NalDepacketizer::beginPicture()
{
    m_fragmentOpen = false;
    m_key = false;
    m_spsBytes = 0;
}

Depacketizer::Take NalDepacketizer::take(QByteArrayView p)
{
    if (p.size() < m_headerBytes || (p[0] & 0x80))
        return Take::Malformed;
    // H.265's temporal layer numbers start at 1.
    if (m_h265 && (p[1] & 0x07) == 0)
        return Take::Malformed;
    const int type = typeOf(uchar(p[0]));
    const bool fragment = type == (m_h265 ? kH265Fragment : kH264Fua);
    const bool aggregation = type == (m_h265 ? kH265Aggregation : kH264Stapa);
    if (!fragment && !aggregation && !isSingle(type))
        return Take::Unsupported;
    if (fragment)
        return this->fragment(p);
    // A fragmented unit that never ended.
    if (m_fragmentOpen)
        return Take::Malformed;
    if (aggregation)
        return aggregate(p.sliced(m_headerBytes));
    const qsizetype body = m_headerBytes + (m_donl ? 2 : 0);
    if (p.size() < body)
        return Take::Malformed;
    beginNal(p.first(m_headerBytes));
    append(p.sliced(body));
    endNal();
    return Take::Taken;
}

// Units, each after its 16-bit size.
Depacketizer::Take NalDepacketizer::aggregate(QByteArrayView units)
{
    qsizetype at = m_donl ? 2 : 0;
    if (at >= units.size())
        return Take::Malformed;
    for (bool first = true; at < units.size(); first = false) {
        if (m_donl && !first)
            at += 1;
        if (at + 2 > units.size())
            return Take::Malformed;
        const qsizetype size = qFromBigEndian<quint16>(units.data() + at);
        at += 2;
        if (size < m_headerBytes || size > units.size() - at)
            return Take::Malformed;
        const QByteArrayView nal = units.sliced(at, size);
        if ((nal[0] & 0x80) || !isSingle(typeOf(uchar(nal[0]))))
            return Take::Malformed;
        beginNal(nal.first(m_headerBytes));
        append(nal.sliced(m_headerBytes));
        endNal();
        at += size;
    }
    return Take::Taken;
}

// The unit's header is rebuilt from the packet's and the type in the
// fragment header.
Depacketizer::Take NalDepacketizer::fragment(QByteArrayView p)
{
    qsizetype at = m_headerBytes + 1;
    if (p.size() < at)
        return Take::Malformed;
    const auto fu = uchar(p[at - 1]);
    const bool start = fu & 0x80;
    const bool end = fu & 0x40;
    const int type = m_h265 ? fu & 0x3F : fu & 0x1F;
    if ((start && end) || !isSingle(type))
        return Take::Malformed;
    if (start) {
        if (m_fragmentOpen)
            return Take::Malformed;
        at += m_donl ? 2 : 0;
        if (p.size() < at)
            return Take::Malformed;
        char header[2];
        if (m_h265) {
            header[0] = char((uchar(p[0]) & 0x81) | (type << 1));
            header[1] = p[1];
        } else {
            header[0] = char((uchar(p[0]) & 0xE0) | type);
        }
        beginNal(QByteArrayView(header, m_headerBytes));
        m_fragmentOpen = true;
        m_fragmentType = type;
    } else if (!m_fragmentOpen) {
        return Take::NoStart;
    } else if (type != m_fragmentType) {
        return Take::Malformed;
    }
    append(p.sliced(at));
    if (end) {
        m_fragmentOpen = false;
        endNal();
    }
    return Take::Taken;
}

void NalDepacketizer::beginNal(QByteArrayView header)
{
    append(QByteArrayView(kStartCode, sizeof kStartCode));
    m_nalStart = assembled().size();
    m_nalType = typeOf(uchar(header[0]));
    append(header);
}

// H.264's key pictures are IDR pictures only. An I slice after a recovery
// point message may start a decoder too, but whether what follows it refers
// only to what it has seen is the decoder's to find out, not this parser's.
void NalDepacketizer::endNal()
{
    if (m_h265 ? m_nalType >= kH265FirstIrap && m_nalType <= kH265LastIrap : m_nalType == kH264Idr)
        m_key = true;
    // Past the bound the picture is gone, and with it the unit.
    if (m_nalType == (m_h265 ? kH265Sps : kH264Sps) && m_spsBytes == 0 && m_nalStart < assembled().size()) {
        m_spsOffset = m_nalStart;
        m_spsBytes = assembled().size() - m_nalStart;
    }
}

bool NalDepacketizer::finishPicture(AccessUnit *unit)
{
    if (m_fragmentOpen)
        return false;
    unit->key = m_key;
    unit->spsOffset = m_spsOffset;
    unit->spsBytes = m_spsBytes;
    if (m_key && !m_extradataSent && !m_extradata.isEmpty()) {
        m_extradataSent = true;
        unit->data.prepend(m_extradata);
        unit->spsOffset += m_extradata.size();
        if (m_spsBytes == 0) {
            unit->spsOffset = m_extradataSpsOffset;
            unit->spsBytes = m_extradataSpsBytes;
        }
    }
    if (unit->spsBytes == 0)
        unit->spsOffset = 0;
    return true;
}
