#include "OnvifServer.h"

#include "OnvifConnection.h"

#include <QTcpSocket>

namespace OnvifSim {

OnvifServer::OnvifServer(const OnvifOptions &options, QObject *parent) : QObject(parent), m_device(options)
{
    connect(&m_server, &QTcpServer::newConnection, this, &OnvifServer::onNewConnection);
}

OnvifServer::~OnvifServer()
{
    // Connections answer through the device, which goes with this object.
    qDeleteAll(findChildren<OnvifConnection *>(Qt::FindDirectChildrenOnly));
}

bool OnvifServer::start(QString *error)
{
    const OnvifOptions &options = m_device.options();
    if (!m_server.listen(QHostAddress::LocalHost, options.port)) {
        *error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(options.port).arg(m_server.errorString());
        return false;
    }
    if (options.discoveryPort || options.multicast) {
        m_discovery = std::make_unique<DiscoveryResponder>(m_device, port());
        if (!m_discovery->start(options.discoveryPort.value_or(0), options.multicast, error))
            return false;
    }
    return true;
}

void OnvifServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_connections >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_connections;
        auto *connection = new OnvifConnection(socket, m_device, port(), this);
        connect(connection, &QObject::destroyed, this, [this] { --m_connections; });
    }
}

} // namespace OnvifSim
