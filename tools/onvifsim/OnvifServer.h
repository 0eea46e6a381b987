#pragma once

#include "DiscoveryResponder.h"
#include "OnvifDevice.h"
#include "OnvifOptions.h"

#include <QObject>
#include <QString>
#include <QTcpServer>

#include <memory>

namespace OnvifSim {

// More clients than this at once are turned away at the door.
constexpr int kMaxConnections = 512;

// The ONVIF test device on 127.0.0.1: the SOAP services over HTTP and,
// when a discovery port is set, the WS-Discovery responder. Runs in the
// thread that creates it.
class OnvifServer : public QObject
{
    Q_OBJECT

public:
    explicit OnvifServer(const OnvifOptions &options, QObject *parent = nullptr);
    ~OnvifServer() override;

    bool start(QString *error);
    quint16 port() const { return m_server.serverPort(); }
    quint16 discoveryPort() const { return m_discovery ? m_discovery->port() : 0; }
    const OnvifStats &stats() { return m_device.stats(); }

private:
    void onNewConnection();

    OnvifDevice m_device;
    QTcpServer m_server;
    std::unique_ptr<DiscoveryResponder> m_discovery;
    int m_connections = 0;
};

} // namespace OnvifSim
