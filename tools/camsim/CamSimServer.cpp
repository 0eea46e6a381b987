#include "CamSimServer.h"

#include <QTcpSocket>

namespace CamSim {

CamSimServer::CamSimServer(const Options &options, QObject *parent)
    : QObject(parent), m_options(options),
      m_settings{options.fps, options.auth, options.streamFault, options.log, options.requestTimeoutMs},
      m_authenticator(options.user, options.password)
{
    connect(&m_server, &QTcpServer::newConnection, this, &CamSimServer::onNewConnection);
}

CamSimServer::~CamSimServer()
{
    // Connections use the hub and the counters, which go with this object.
    qDeleteAll(findChildren<Connection *>(Qt::FindDirectChildrenOnly));
}

bool CamSimServer::start(QString *error)
{
    std::unique_ptr<PictureSource> source;
    if (m_options.framesDir.isEmpty())
        source = std::make_unique<SyntheticPictures>();
    else if (!(source = FolderPictures::load(m_options.framesDir, error)))
        return false;
    m_hub = std::make_unique<FeedHub>(std::move(source));

    if (!m_server.listen(QHostAddress::LocalHost, m_options.port)) {
        *error = QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(m_options.port).arg(m_server.errorString());
        return false;
    }
    return true;
}

void CamSimServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        if (m_connections >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_connections;
        auto *connection = new Connection(socket, ServerContext{m_settings, m_authenticator, *m_hub, m_stats}, this);
        connect(connection, &QObject::destroyed, this, [this] { --m_connections; });
    }
}

} // namespace CamSim
