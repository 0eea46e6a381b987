#include "DiscoveryResponder.h"

#include "OnvifCalls.h"
#include "OnvifDevice.h"
#include "ProbeMatches.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QUuid>

namespace OnvifSim {

DiscoveryResponder::DiscoveryResponder(OnvifDevice &device, quint16 devicePort, QObject *parent)
    : QObject(parent), m_device(device), m_devicePort(devicePort),
      m_endpoint(QUuid::createUuid().toString(QUuid::WithoutBraces).prepend(QLatin1String("urn:uuid:")))
{
}

bool DiscoveryResponder::start(quint16 port, bool multicast, QString *error)
{
    if (!m_unicast.bind(QHostAddress::LocalHost, port)) {
        *error = QStringLiteral("cannot bind discovery on 127.0.0.1:%1: %2").arg(port).arg(m_unicast.errorString());
        return false;
    }
    connect(&m_unicast, &QUdpSocket::readyRead, this, [this] { readFrom(m_unicast); });
    if (!multicast)
        return true;
    m_multicast = std::make_unique<QUdpSocket>();
    const QNetworkInterface loopback = QNetworkInterface::interfaceFromName(QStringLiteral("lo"));
    if (!m_multicast->bind(QHostAddress::AnyIPv4, kDiscoveryMulticastPort,
                           QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint)
        || !m_multicast->joinMulticastGroup(QHostAddress(QLatin1String(kDiscoveryMulticastGroup)), loopback)) {
        *error = QStringLiteral("cannot join %1:%2 on lo: %3")
                     .arg(QLatin1String(kDiscoveryMulticastGroup))
                     .arg(kDiscoveryMulticastPort)
                     .arg(m_multicast->errorString());
        return false;
    }
    connect(m_multicast.get(), &QUdpSocket::readyRead, this, [this] { readFrom(*m_multicast); });
    return true;
}

void DiscoveryResponder::readFrom(QUdpSocket &socket)
{
    // The kernel's receive buffer bounds what a burst of probes can queue.
    while (socket.hasPendingDatagrams()) {
        const QNetworkDatagram datagram = socket.receiveDatagram();
        QString error;
        const auto probe = parseSoapMessage(datagram.data(), &error);
        if (!probe || !probeWanted(*probe))
            continue;
        m_device.stats().probeReceived();
        const bool flood = m_device.options().faults.has(Fault::DiscoveryFlood);
        ProbeMatchesText text{probe->messageId, m_endpoint, serviceAddress(m_devicePort, Service::Device)};
        text.padTo = flood ? kFloodDatagramBytes : 0;
        // Answers go out from the unicast socket, so the prober sees the
        // device's own address, not the group's.
        for (int sent = 0; sent < (flood ? kFloodDatagrams : 1); ++sent) {
            text.messageNumber = ++m_messageNumber;
            m_unicast.writeDatagram(probeMatches(text), datagram.senderAddress(), quint16(datagram.senderPort()));
        }
    }
}

} // namespace OnvifSim
