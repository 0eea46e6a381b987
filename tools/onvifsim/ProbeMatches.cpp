#include "ProbeMatches.h"

#include "SoapWriter.h"

#include <QUuid>

namespace OnvifSim {

bool probeWanted(const SoapMessage &probe)
{
    if (probe.action != QLatin1String("Probe") || probe.actionNamespace != QLatin1String(kDiscoveryNs)
        || probe.messageId.isEmpty() || probe.messageId.size() > kMaxMessageIdChars)
        return false;
    const QString types = probe.argument(QStringLiteral("Types"));
    if (types.isEmpty())
        return true;
    // Prefixes are the prober's own; the local names are what it asks for.
    for (const QString &type : types.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString local = type.section(QLatin1Char(':'), -1);
        if (local == QLatin1String("NetworkVideoTransmitter") || local == QLatin1String("Device"))
            return true;
    }
    return false;
}

namespace {

QByteArray match(const QString &endpoint, const QString &deviceAddress)
{
    return "<d:ProbeMatch><wsa:EndpointReference>" + element("wsa:Address", endpoint)
           + "</wsa:EndpointReference><d:Types>dn:NetworkVideoTransmitter tds:Device</d:Types>"
             "<d:Scopes>onvif://www.onvif.org/type/video_encoder onvif://www.onvif.org/Profile/Streaming "
             "onvif://www.onvif.org/Profile/T onvif://www.onvif.org/name/Ocellane%20Test%20Camera "
             "onvif://www.onvif.org/hardware/TestCamera onvif://www.onvif.org/location/</d:Scopes>"
           + element("d:XAddrs", deviceAddress) + "<d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch>";
}

} // namespace

QByteArray probeMatches(const ProbeMatchesText &text)
{
    const QByteArray header =
        element("wsa:MessageID", QUuid::createUuid().toString(QUuid::WithoutBraces).prepend(QLatin1String("urn:uuid:")))
        + element("wsa:RelatesTo", text.relatesTo)
        + "<wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>"
          "<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action>"
          "<d:AppSequence InstanceId=\"1\" MessageNumber=\""
        + QByteArray::number(text.messageNumber) + "\"/>";
    QByteArray matches = match(text.endpoint, text.deviceAddress);
    const qsizetype entry = matches.size();
    // Each further entry a device of its own, as a crowded network shows.
    for (int i = 1; matches.size() + entry + 1024 <= text.padTo; ++i)
        matches += match(QStringLiteral("urn:uuid:00000000-0000-4000-8000-%1").arg(i, 12, 10, QLatin1Char('0')),
                         text.deviceAddress);
    return soapEnvelope("<d:ProbeMatches>" + matches + "</d:ProbeMatches>", header);
}

} // namespace OnvifSim
