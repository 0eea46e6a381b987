#pragma once

#include <QByteArray>
#include <QString>

namespace OnvifSim {

// One answer of the device: the HTTP status and the SOAP envelope.
struct SoapAnswer
{
    int status = 200;
    QByteArray body;
};

// Text escaped for element content and attribute values.
QByteArray xmlText(const QString &text);
// <prefix:name>escaped text</prefix:name>
QByteArray element(const char *name, const QString &text);

// A SOAP 1.2 envelope around body, declaring every prefix the answers use
// (env, tt, tds, trt, tr2, ter, wsa, d, dn).
QByteArray soapEnvelope(const QByteArray &body, const QByteArray &header = {});

enum class FaultCode { Sender, Receiver };
// A SOAP fault; subcode is a ter: QName or empty. Sender faults go out as
// 400 and Receiver faults as 500, as SOAP 1.2's HTTP binding has it.
SoapAnswer soapFault(FaultCode code, const QByteArray &subcode, const QString &reason);

} // namespace OnvifSim
