#include "onvif/OnvifParse.h"

#include "onvif/OnvifLimits.h"
#include "onvif/XmlTree.h"

#include <algorithm>
#include <initializer_list>

using namespace OnvifLimits;
using Kind = OnvifFailure::Kind;

namespace {

constexpr int kMaxPictureSide = 100000;
constexpr double kMaxRate = 1000;

template<typename T>
std::optional<T> fail(OnvifFailure *failure, Kind kind, const QString &text)
{
    failure->kind = kind;
    failure->text = text;
    return std::nullopt;
}

// The fault's words: SOAP 1.2's Reason/Text, or SOAP 1.1's faultstring,
// else its code.
QString faultReason(const XmlElement &fault)
{
    QString reason = fault.textAt(u"Reason/Text");
    if (reason.isEmpty())
        reason = fault.textAt(u"faultstring");
    if (reason.isEmpty())
        reason = fault.textAt(u"Code/Subcode/Value");
    if (reason.isEmpty())
        reason = fault.textAt(u"Code/Value");
    if (reason.isEmpty())
        reason = fault.textAt(u"faultcode");
    return OnvifParse::printable(reason);
}

bool isNotAuthorized(const XmlElement &fault)
{
    // The subcode sits at any depth of nested Subcodes; SOAP 1.1 devices
    // put it in faultcode.
    QList<const XmlElement *> codes = fault.findAll(u"Value");
    if (const XmlElement *code = fault.child(u"faultcode"))
        codes << code;
    return std::any_of(codes.cbegin(), codes.cend(), [](const XmlElement *c) {
        return c->text.endsWith(QLatin1String("NotAuthorized"), Qt::CaseInsensitive);
    });
}

// The answer's element named `response` (GetProfilesResponse) inside the
// body, or the failure: not XML, a fault, or another answer.
std::optional<XmlElement> responseOf(QByteArrayView bytes, std::initializer_list<QStringView> responses,
                                     OnvifFailure *failure)
{
    QString error;
    std::optional<XmlElement> root = XmlTree::parse(bytes, &error);
    if (!root)
        return fail<XmlElement>(failure, Kind::Malformed, error);
    const XmlElement *body = root->name == u"Envelope" ? root->child(u"Body") : nullptr;
    if (!body)
        return fail<XmlElement>(failure, Kind::Malformed, QStringLiteral("the answer is not a SOAP envelope"));
    if (const XmlElement *fault = body->child(u"Fault")) {
        if (isNotAuthorized(*fault))
            return fail<XmlElement>(failure, Kind::NotAuthorized, QStringLiteral("the device refused the user name or password"));
        const QString reason = faultReason(*fault);
        return fail<XmlElement>(failure, Kind::Fault,
                                reason.isEmpty() ? QStringLiteral("the device answered with a fault")
                                                 : QStringLiteral("the device answered with a fault: %1").arg(reason));
    }
    for (QStringView response : responses) {
        if (const XmlElement *answer = body->child(response))
            return XmlElement(*answer);
    }
    return fail<XmlElement>(failure, Kind::Malformed,
                            QStringLiteral("the answer holds no %1").arg(responses.begin()->toString()));
}

int side(const QString &text)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    return ok && v > 0 && v <= kMaxPictureSide ? v : 0;
}

double rate(const QString &text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && v > 0 && v <= kMaxRate ? v : 0;
}

QUrl httpAddress(const QString &text)
{
    // XAddrs may list several addresses; the first http one is used.
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QUrl url(word, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https"))
            return url;
    }
    return QUrl();
}

} // namespace

namespace OnvifParse {

QString printable(const QString &text)
{
    QString out;
    out.reserve(qMin(text.size(), kMaxShownChars));
    for (QChar c : text) {
        if (out.size() >= kMaxShownChars) {
            out += QChar(0x2026);
            break;
        }
        out += c.isPrint() ? c : QLatin1Char(' ');
    }
    return out.simplified();
}

std::optional<QDateTime> systemDateAndTime(QByteArrayView bytes, OnvifFailure *failure)
{
    const auto answer = responseOf(bytes, {u"GetSystemDateAndTimeResponse"}, failure);
    if (!answer)
        return std::nullopt;
    const XmlElement *utc = answer->at(u"SystemDateAndTime/UTCDateTime");
    if (!utc)
        return fail<QDateTime>(failure, Kind::Malformed, QStringLiteral("the device did not tell its UTC time"));
    auto number = [utc](QStringView path) {
        bool ok = false;
        const int v = utc->textAt(path).toInt(&ok);
        return ok ? v : -1;
    };
    const QDate date(number(u"Date/Year"), number(u"Date/Month"), number(u"Date/Day"));
    const QTime time(number(u"Time/Hour"), number(u"Time/Minute"), number(u"Time/Second"));
    if (!date.isValid() || !time.isValid())
        return fail<QDateTime>(failure, Kind::Malformed, QStringLiteral("the device's UTC time is not a valid time"));
    return QDateTime(date, time, Qt::UTC);
}

std::optional<OnvifServices> services(QByteArrayView bytes, OnvifFailure *failure)
{
    const auto answer = responseOf(bytes, {u"GetServicesResponse"}, failure);
    if (!answer)
        return std::nullopt;
    OnvifServices s;
    for (const XmlElement &service : answer->children) {
        if (service.name != u"Service")
            continue;
        const QString ns = service.textAt(u"Namespace");
        QUrl *slot = ns == u"http://www.onvif.org/ver10/media/wsdl"   ? &s.media
                   : ns == u"http://www.onvif.org/ver20/media/wsdl" ? &s.media2
                                                                    : nullptr;
        if (slot && !slot->isValid())
            *slot = httpAddress(service.textAt(u"XAddr"));
    }
    if (!s.media.isValid() && !s.media2.isValid())
        return fail<OnvifServices>(failure, Kind::Malformed, QStringLiteral("the device offers no media service"));
    return s;
}

std::optional<OnvifServices> capabilities(QByteArrayView bytes, OnvifFailure *failure)
{
    const auto answer = responseOf(bytes, {u"GetCapabilitiesResponse"}, failure);
    if (!answer)
        return std::nullopt;
    OnvifServices s;
    if (const XmlElement *media = answer->at(u"Capabilities/Media"))
        s.media = httpAddress(media->textAt(u"XAddr"));
    if (!s.media.isValid())
        return fail<OnvifServices>(failure, Kind::Malformed, QStringLiteral("the device offers no media service"));
    return s;
}

std::optional<OnvifDeviceInformation> deviceInformation(QByteArrayView bytes, OnvifFailure *failure)
{
    const auto answer = responseOf(bytes, {u"GetDeviceInformationResponse"}, failure);
    if (!answer)
        return std::nullopt;
    return OnvifDeviceInformation{printable(answer->textAt(u"Manufacturer")), printable(answer->textAt(u"Model"))};
}

std::optional<QList<OnvifProfile>> profiles(QByteArrayView bytes, OnvifFailure *failure)
{
    const auto answer = responseOf(bytes, {u"GetProfilesResponse"}, failure);
    if (!answer)
        return std::nullopt;
    QList<const XmlElement *> found;
    for (const XmlElement &p : answer->children) {
        if (p.name == u"Profiles")
            found << &p;
    }
    if (found.size() > kMaxProfiles)
        return fail<QList<OnvifProfile>>(failure, Kind::Malformed,
                                         QStringLiteral("the device lists more than %1 profiles").arg(kMaxProfiles));
    QList<OnvifProfile> list;
    for (const XmlElement *p : std::as_const(found)) {
        // Media's profile holds its encoder at the top, Media2's among its
        // configurations.
        const XmlElement *encoder = p->child(u"VideoEncoderConfiguration");
        if (!encoder)
            encoder = p->at(u"Configurations/VideoEncoder");
        const QString token = p->attribute(u"token");
        if (!encoder || token.isEmpty())
            continue;
        OnvifProfile profile;
        profile.token = token;
        profile.name = printable(p->textAt(u"Name"));
        profile.encoding = printable(encoder->textAt(u"Encoding"));
        profile.width = side(encoder->textAt(u"Resolution/Width"));
        profile.height = side(encoder->textAt(u"Resolution/Height"));
        profile.rate = rate(encoder->textAt(u"RateControl/FrameRateLimit"));
        list << profile;
    }
    if (list.isEmpty())
        return fail<QList<OnvifProfile>>(failure, Kind::Malformed, QStringLiteral("the device has no video profile"));
    return list;
}

std::optional<QString> uri(QByteArrayView bytes, OnvifFailure *failure)
{
    // Media answers MediaUri/Uri, Media2 Uri; either call's response.
    const auto answer = responseOf(bytes, {u"GetStreamUriResponse", u"GetSnapshotUriResponse"}, failure);
    if (!answer)
        return std::nullopt;
    const XmlElement *uri = answer->find(u"Uri");
    const QUrl url(uri ? uri->text : QString(), QUrl::StrictMode);
    if (!uri || uri->text.isEmpty() || !url.isValid() || url.host().isEmpty() || uri->text.size() >= kMaxTextChars)
        return fail<QString>(failure, Kind::Malformed, QStringLiteral("the answer holds no valid address"));
    return uri->text;
}

} // namespace OnvifParse
