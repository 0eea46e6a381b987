#include "SoapWriter.h"

namespace OnvifSim {

QByteArray xmlText(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

QByteArray element(const char *name, const QString &text)
{
    return QByteArray("<") + name + '>' + xmlText(text) + "</" + name + '>';
}

QByteArray soapEnvelope(const QByteArray &body, const QByteArray &header)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<env:Envelope xmlns:env=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:tt=\"http://www.onvif.org/ver10/schema\""
           " xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\""
           " xmlns:trt=\"http://www.onvif.org/ver10/media/wsdl\""
           " xmlns:tr2=\"http://www.onvif.org/ver20/media/wsdl\""
           " xmlns:ter=\"http://www.onvif.org/ver10/error\""
           " xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
           " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
           " xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\">"
           + (header.isEmpty() ? QByteArray() : "<env:Header>" + header + "</env:Header>") + "<env:Body>" + body
           + "</env:Body></env:Envelope>\n";
}

SoapAnswer soapFault(FaultCode code, const QByteArray &subcode, const QString &reason)
{
    const bool sender = code == FaultCode::Sender;
    QByteArray fault = QByteArray("<env:Fault><env:Code><env:Value>") + (sender ? "env:Sender" : "env:Receiver")
                       + "</env:Value>";
    if (!subcode.isEmpty())
        fault += "<env:Subcode><env:Value>" + subcode + "</env:Value></env:Subcode>";
    fault += "</env:Code><env:Reason><env:Text xml:lang=\"en\">" + xmlText(reason)
             + "</env:Text></env:Reason></env:Fault>";
    return SoapAnswer{sender ? 400 : 500, soapEnvelope(fault)};
}

} // namespace OnvifSim
