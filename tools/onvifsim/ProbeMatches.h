#pragma once

#include "SoapMessage.h"

#include <QByteArray>
#include <QString>

namespace OnvifSim {

constexpr char kDiscoveryNs[] = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
// A MessageID longer than this is not a probe worth answering.
constexpr qsizetype kMaxMessageIdChars = 256;

// True for a WS-Discovery Probe this device answers: one with a MessageID
// whose Types are absent or name a network video transmitter or an ONVIF
// device.
bool probeWanted(const SoapMessage &probe);

struct ProbeMatchesText
{
    QString relatesTo;      // the probe's MessageID
    QString endpoint;       // urn:uuid:... naming this device
    QString deviceAddress;  // http://127.0.0.1:PORT/onvif/device_service
    quint64 messageNumber = 1;
    qsizetype padTo = 0;    // add ProbeMatch entries until the datagram is about this large
};

QByteArray probeMatches(const ProbeMatchesText &text);

} // namespace OnvifSim
