#pragma once

#include <QObject>
#include <QString>
#include <QUdpSocket>

#include <memory>

namespace OnvifSim {

class OnvifDevice;

constexpr quint16 kDiscoveryMulticastPort = 3702;
constexpr char kDiscoveryMulticastGroup[] = "239.255.255.250";

// Answers WS-Discovery probes with ProbeMatches, unicast to the prober:
// probes sent to 127.0.0.1 on its port and, when asked, those sent to
// the multicast group on the loopback interface.
class DiscoveryResponder : public QObject
{
    Q_OBJECT

public:
    DiscoveryResponder(OnvifDevice &device, quint16 devicePort, QObject *parent = nullptr);

    bool start(quint16 port, bool multicast, QString *error);
    quint16 port() const { return m_unicast.localPort(); }

private:
    void readFrom(QUdpSocket &socket);

    OnvifDevice &m_device;
    quint16 m_devicePort;
    QString m_endpoint;
    quint64 m_messageNumber = 0;
    QUdpSocket m_unicast;
    std::unique_ptr<QUdpSocket> m_multicast;
};

} // namespace OnvifSim
