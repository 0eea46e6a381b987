#pragma once

#include "onvif/OnvifTypes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// WS-Discovery's two messages we use, bytes only: the Probe for network
// video transmitters, and the ProbeMatches devices send back.
namespace WsDiscovery {

// A fresh "urn:uuid:..." for a probe.
QString newMessageId();

QByteArray probe(const QString &messageId);

// The devices one answer lists, when it answers our probe (RelatesTo is
// messageId). Empty: *error says why, or stays empty when the datagram is
// well-formed but answers another probe (other programs search too). Each has the first http
// address of its XAddrs, and the name, model and maker its scopes give.
QList<OnvifDiscovered> parseProbeMatches(QByteArrayView datagram, const QString &messageId, QString *error);

} // namespace WsDiscovery
