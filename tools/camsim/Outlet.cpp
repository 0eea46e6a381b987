#include "Outlet.h"

#include <QTcpSocket>

#include <sys/socket.h>

namespace CamSim {

Outlet::Outlet(QTcpSocket *socket, QObject *parent) : QObject(parent), m_socket(socket)
{
    connect(m_socket, &QTcpSocket::bytesWritten, this, &Outlet::onBytesWritten);
    connect(&m_drip, &QTimer::timeout, this, &Outlet::dripOne);
}

void Outlet::setDrip(int intervalMs)
{
    m_dripInterval = intervalMs;
    m_drip.setInterval(intervalMs);
}

void Outlet::write(const QByteArray &bytes)
{
    if (m_ended || bytes.isEmpty() || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (m_dripInterval <= 0) {
        m_socket->write(bytes);
        return;
    }
    if (m_dripPos > 0) {
        m_dripBuffer.remove(0, m_dripPos);
        m_dripPos = 0;
    }
    m_dripBuffer += bytes;
    if (!m_drip.isActive())
        m_drip.start();
}

qint64 Outlet::queued() const
{
    return (m_dripBuffer.size() - m_dripPos) + m_socket->bytesToWrite();
}

void Outlet::closeWhenDrained()
{
    m_ending = Ending::Close;
    endIfDrained();
}

void Outlet::resetWhenDrained()
{
    m_ending = Ending::Reset;
    endIfDrained();
}

void Outlet::dripOne()
{
    if (m_dripPos >= m_dripBuffer.size()) {
        m_drip.stop();
        m_dripBuffer.clear();
        m_dripPos = 0;
        endIfDrained();
        return;
    }
    m_socket->write(m_dripBuffer.constData() + m_dripPos, 1);
    ++m_dripPos;
}

void Outlet::onBytesWritten()
{
    Q_EMIT progress();
    endIfDrained();
}

void Outlet::endIfDrained()
{
    if (m_ended || m_ending == Ending::None || m_dripPos < m_dripBuffer.size())
        return;
    if (m_ending == Ending::Close) {
        // Qt sends what it still buffers before the FIN.
        m_ended = true;
        m_socket->disconnectFromHost();
        return;
    }
    if (m_socket->bytesToWrite() > 0)
        return;
    m_ended = true;
    // Linger 0 makes close() send RST instead of FIN.
    const linger hard{1, 0};
    ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    m_socket->abort();
}

} // namespace CamSim
