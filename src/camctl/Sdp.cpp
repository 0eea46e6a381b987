#include "camctl/Sdp.h"

#include "camctl/StreamLimits.h"

#include <algorithm>

namespace {

using StreamLimits::kMaxEncodingNameBytes;

// Below 96 a payload type names its encoding without a=rtpmap; these are
// the video ones, so an unsupported one is named to the user all the same.
struct StaticVideo
{
    quint8 type;
    const char *name;
};
constexpr StaticVideo kStaticVideo[]
    = {{25, "CelB"}, {26, "JPEG"}, {28, "nv"}, {31, "H261"}, {32, "MPV"}, {33, "MP2T"}, {34, "H263"}};
// JPEG's static payload type, sampled at 90 kHz like all video.
constexpr quint8 kStaticJpeg = 26;
constexpr quint32 kVideoClockRate = 90000;

struct Format
{
    quint8 type = 0;
    QByteArray name; // from a=rtpmap, or the static name
    quint32 clockRate = 0;
    QByteArray parameters; // the a=fmtp text after the payload type
};

// A video media section as read so far. Its formats are payload types, 7
// bits each, each kept once: 128 at most, however long the m= line.
struct Media
{
    quint16 port = 0;
    QList<Format> formats;
    QByteArray control;
    QByteArray connectionAddress;
    double frameRate = 0.0;

    Format *format(quint8 type)
    {
        auto it = std::find_if(formats.begin(), formats.end(), [type](const Format &f) { return f.type == type; });
        return it == formats.end() ? nullptr : &*it;
    }
};

// The next token of *rest, separated by spaces or tabs; *rest is advanced
// past it.
QByteArrayView token(QByteArrayView *rest)
{
    const QByteArrayView r = rest->trimmed();
    const auto blank = std::find_if(r.begin(), r.end(), [](char c) { return c == ' ' || c == '\t'; });
    const QByteArrayView t = r.first(blank - r.begin());
    *rest = r.sliced(t.size());
    return t;
}

// A decimal number of at most max, digits only.
bool readNumber(QByteArrayView text, quint32 max, quint32 *out)
{
    if (text.isEmpty() || text.size() > 10)
        return false;
    quint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + quint64(c - '0');
    }
    if (value > max)
        return false;
    *out = quint32(value);
    return true;
}

// "video 0 RTP/AVP 96 97": the port and the payload types, or false for
// another kind of media.
bool readMediaLine(QByteArrayView value, Media *media)
{
    if (token(&value).compare("video", Qt::CaseInsensitive) != 0)
        return false;
    QByteArrayView port = token(&value);
    if (const qsizetype slash = port.indexOf('/'); slash >= 0)
        port = port.first(slash); // a count of ports follows
    quint32 number = 0;
    if (readNumber(port, 65535, &number))
        media->port = quint16(number);
    token(&value); // the transport
    for (QByteArrayView t = token(&value); !t.isEmpty(); t = token(&value)) {
        quint32 type = 0;
        if (readNumber(t, 127, &type) && !media->format(quint8(type))) {
            Format f;
            f.type = quint8(type);
            for (const StaticVideo &s : kStaticVideo) {
                if (s.type == type)
                    f.name = s.name;
            }
            f.clockRate = type == kStaticJpeg ? kVideoClockRate : 0;
            media->formats.append(f);
        }
    }
    return true;
}

// "96 H264/90000" and "96 packetization-mode=1;...": the format the line is
// for, if the media lists it, and the rest of the line.
Format *formatOf(QByteArrayView value, Media *media, QByteArrayView *rest)
{
    const QByteArrayView type = token(&value);
    *rest = value.trimmed();
    quint32 number = 0;
    return readNumber(type, 127, &number) ? media->format(quint8(number)) : nullptr;
}

void readAttribute(QByteArrayView value, Media *media)
{
    const qsizetype colon = value.indexOf(':');
    const QByteArrayView name = colon < 0 ? value : value.first(colon);
    const QByteArrayView text = colon < 0 ? QByteArrayView() : value.sliced(colon + 1);
    QByteArrayView rest;
    if (name == "control") {
        media->control = text.trimmed().toByteArray();
    } else if (name == "framerate") {
        bool ok = false;
        const double rate = text.trimmed().toByteArray().toDouble(&ok);
        media->frameRate = ok && rate > 0.0 && rate <= 1000.0 ? rate : 0.0;
    } else if (name == "rtpmap") {
        Format *f = formatOf(text, media, &rest);
        const qsizetype slash = rest.indexOf('/');
        quint32 rate = 0;
        if (f && slash > 0) {
            const QByteArrayView rateText = rest.sliced(slash + 1);
            const qsizetype more = rateText.indexOf('/'); // channels, for audio
            if (readNumber(more < 0 ? rateText : rateText.first(more), 0xFFFFFFFFu, &rate) && rate > 0) {
                f->name = rest.first(slash).toByteArray();
                f->clockRate = rate;
            }
        }
    } else if (name == "fmtp") {
        Format *f = formatOf(text, media, &rest);
        if (f && f->parameters.isNull())
            f->parameters = rest.toByteArray();
    }
}

QList<std::pair<QByteArray, QByteArray>> readParameters(QByteArrayView text)
{
    QList<std::pair<QByteArray, QByteArray>> out;
    for (qsizetype at = 0; at < text.size();) {
        qsizetype end = text.indexOf(';', at);
        if (end < 0)
            end = text.size();
        const QByteArrayView item = text.sliced(at, end - at).trimmed();
        at = end + 1;
        if (item.isEmpty())
            continue;
        // Base64 values end in '=': the name ends at the first one.
        const qsizetype eq = item.indexOf('=');
        if (eq < 0)
            out.append({item.toByteArray(), QByteArray("")});
        else
            out.append({item.first(eq).trimmed().toByteArray(), item.sliced(eq + 1).trimmed().toByteArray()});
    }
    return out;
}

std::optional<SdpVideo::Codec> codecOf(const QByteArray &name)
{
    if (name.compare("H264", Qt::CaseInsensitive) == 0)
        return SdpVideo::Codec::H264;
    if (name.compare("H265", Qt::CaseInsensitive) == 0 || name.compare("HEVC", Qt::CaseInsensitive) == 0)
        return SdpVideo::Codec::H265;
    if (name.compare("JPEG", Qt::CaseInsensitive) == 0)
        return SdpVideo::Codec::Jpeg;
    return std::nullopt;
}

// The media's first format the program decodes; otherwise *unsupported
// names its first format, for the reason given when no media fits.
std::optional<SdpVideo> choose(
    const Media &media, const QByteArray &sessionControl, const QByteArray &sessionAddress, QByteArray *unsupported)
{
    for (const Format &f : media.formats) {
        const std::optional<SdpVideo::Codec> codec = codecOf(f.name);
        if (!codec || f.clockRate == 0)
            continue;
        SdpVideo v;
        v.codec = *codec;
        v.payloadType = f.type;
        v.clockRate = f.clockRate;
        v.sessionControl = sessionControl;
        v.control = media.control;
        v.connectionAddress = media.connectionAddress.isNull() ? sessionAddress : media.connectionAddress;
        v.port = media.port;
        v.frameRate = media.frameRate;
        v.formatParameters = readParameters(f.parameters);
        return v;
    }
    if (unsupported->isNull() && !media.formats.isEmpty()) {
        const Format &first = media.formats.first();
        // A name is shown to the user: nothing but printable characters.
        QByteArray name = first.name.left(kMaxEncodingNameBytes);
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c < '!' || c > '~'; }, '?');
        *unsupported = name.isEmpty() ? "payload type " + QByteArray::number(first.type) : name;
    }
    return std::nullopt;
}

// "IN IP4 224.2.1.1/127": the address.
QByteArray connectionAddressOf(QByteArrayView value)
{
    token(&value);
    token(&value);
    return token(&value).toByteArray();
}

} // namespace

QByteArray SdpVideo::formatParameter(QByteArrayView name) const
{
    for (const auto &[key, value] : formatParameters) {
        if (QByteArrayView(key).compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

namespace Sdp {

std::optional<SdpVideo> readVideo(QByteArrayView description, QString *error)
{
    if (description.size() > StreamLimits::kMaxSdpBytes) {
        *error = QStringLiteral("session description larger than %1 bytes").arg(StreamLimits::kMaxSdpBytes);
        return std::nullopt;
    }
    const qsizetype lines = std::count(description.begin(), description.end(), '\n')
        + (description.endsWith('\n') || description.isEmpty() ? 0 : 1);
    if (lines > StreamLimits::kMaxSdpLines) {
        *error = QStringLiteral("session description of more than %1 lines").arg(StreamLimits::kMaxSdpLines);
        return std::nullopt;
    }

    QByteArray sessionControl;
    QByteArray sessionAddress;
    QByteArray unsupported;
    std::optional<Media> media; // the video section being read
    bool inMedia = false;       // past the first m= line
    bool sawVersion = false;    // a v= line: what every description starts with
    for (qsizetype at = 0; at < description.size();) {
        qsizetype end = description.indexOf('\n', at);
        if (end < 0)
            end = description.size();
        QByteArrayView line = description.sliced(at, end - at);
        at = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() < 2 || line[1] != '=')
            continue;
        const QByteArrayView value = line.sliced(2);
        sawVersion = sawVersion || line[0] == 'v';
        if (line[0] == 'm') {
            if (media) {
                if (std::optional<SdpVideo> v = choose(*media, sessionControl, sessionAddress, &unsupported))
                    return v;
            }
            inMedia = true;
            media.emplace();
            if (!readMediaLine(value, &*media))
                media.reset();
        } else if (!inMedia) {
            if (line[0] == 'c')
                sessionAddress = connectionAddressOf(value);
            else if (line[0] == 'a' && value.startsWith("control:"))
                sessionControl = value.sliced(8).trimmed().toByteArray();
        } else if (media) {
            if (line[0] == 'c')
                media->connectionAddress = connectionAddressOf(value);
            else if (line[0] == 'a')
                readAttribute(value, &*media);
        }
    }
    if (media) {
        if (std::optional<SdpVideo> v = choose(*media, sessionControl, sessionAddress, &unsupported))
            return v;
    }
    if (!inMedia && !sawVersion)
        *error = QStringLiteral("the answer to DESCRIBE is not a session description");
    else if (unsupported.isNull())
        *error = QStringLiteral("the camera sends no video");
    else
        *error = QStringLiteral("unsupported video codec: ") + QString::fromLatin1(unsupported);
    return std::nullopt;
}

} // namespace Sdp
