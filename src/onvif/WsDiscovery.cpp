#include "onvif/WsDiscovery.h"

#include "onvif/OnvifLimits.h"
#include "onvif/OnvifParse.h"
#include "onvif/XmlTree.h"

#include <QUuid>

namespace WsDiscovery {

namespace {

// Which scope fills which field; makers spell the maker's either way.
struct ScopeField
{
    const char *prefix;
    QString OnvifDiscovered::*field;
};
const ScopeField kScopes[] = {
    {"onvif://www.onvif.org/name/", &OnvifDiscovered::name},
    {"onvif://www.onvif.org/hardware/", &OnvifDiscovered::model},
    {"onvif://www.onvif.org/mfr/", &OnvifDiscovered::maker},
    {"onvif://www.onvif.org/manufacturer/", &OnvifDiscovered::maker},
};

QUrl firstHttp(const QString &xaddrs)
{
    for (const QString &word : xaddrs.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QUrl url(word, QUrl::StrictMode);
        const QString scheme = url.scheme().toLower();
        if (url.isValid() && !url.host().isEmpty() && (scheme == u"http" || scheme == u"https"))
            return url.adjusted(QUrl::RemoveUserInfo);
    }
    return QUrl();
}

} // namespace

QString newMessageId()
{
    return QStringLiteral("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QByteArray probe(const QString &messageId)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\" "
           "xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\" "
           "xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" "
           "xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\">"
           "<s:Header><a:MessageID>" + messageId.toUtf8() + "</a:MessageID>"
           "<a:To s:mustUnderstand=\"true\">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"
           "<a:Action s:mustUnderstand=\"true\">http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action>"
           "</s:Header><s:Body><d:Probe><d:Types>dn:NetworkVideoTransmitter</d:Types></d:Probe></s:Body>"
           "</s:Envelope>";
}

QList<OnvifDiscovered> parseProbeMatches(QByteArrayView datagram, const QString &messageId, QString *error)
{
    if (datagram.size() > OnvifLimits::kMaxDatagramBytes) {
        *error = QStringLiteral("an answer larger than %1 KiB").arg(OnvifLimits::kMaxDatagramBytes / 1024);
        return {};
    }
    const std::optional<XmlElement> root = XmlTree::parse(datagram, error);
    if (!root)
        return {};
    if (root->name != u"Envelope")
        *error = QStringLiteral("not a SOAP envelope");
    if (root->name != u"Envelope" || root->textAt(u"Header/RelatesTo") != messageId)
        return {};
    const XmlElement *matches = root->at(u"Body/ProbeMatches");
    if (!matches) {
        *error = QStringLiteral("an answer without probe matches");
        return {};
    }
    QList<OnvifDiscovered> found;
    for (const XmlElement &match : matches->children) {
        if (match.name != u"ProbeMatch")
            continue;
        if (found.size() >= OnvifLimits::kMaxDiscovered)
            break;
        OnvifDiscovered d;
        d.address = firstHttp(match.textAt(u"XAddrs"));
        if (!d.address.isValid())
            continue;
        for (const QString &scope : match.textAt(u"Scopes").split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            for (const ScopeField &s : kScopes) {
                if (scope.startsWith(QLatin1String(s.prefix), Qt::CaseInsensitive) && (d.*s.field).isEmpty())
                    d.*s.field = OnvifParse::printable(
                        QUrl::fromPercentEncoding(scope.mid(qsizetype(qstrlen(s.prefix))).toUtf8()));
            }
        }
        found << d;
    }
    if (found.isEmpty())
        *error = QStringLiteral("an answer without an http address");
    return found;
}

} // namespace WsDiscovery
