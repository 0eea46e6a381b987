#include "Outlet.h"

#include <QTcpSocket>

#include <algorithm>

#include <sys/socket.h>

namespace CamSim {

Outlet::Outlet(QTcpSocket *socket, QObject *parent) : QObject(parent), m_socket(socket)
{
    connect(m_socket, &QTcpSocket::bytesWritten, this, &Outlet::onBytesWritten);
    connect(&m_pace, &QTimer::timeout, this, &Outlet::paceStep);
}

void Outlet::setDrip(int intervalMs)
{
    m_dripInterval = intervalMs;
    m_rate = 0;
    m_pace.setInterval(intervalMs);
}

void Outlet::setRate(qint64 bytesPerSecond)
{
    m_rate = bytesPerSecond;
    m_dripInterval = 0;
    m_pace.setInterval(kPaceTickMs);
}

void Outlet::write(const QByteArray &bytes)
{
    if (m_ended || bytes.isEmpty() || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (!paced()) {
        m_socket->write(bytes);
        return;
    }
    if (m_pacePos > 0) {
        m_paceBuffer.remove(0, m_pacePos);
        m_pacePos = 0;
    }
    m_paceBuffer += bytes;
    if (!m_pace.isActive()) {
        // An idle link has saved nothing up.
        m_credit = 0;
        if (!m_clock.isValid())
            m_clock.start();
        m_lastStepMs = m_clock.elapsed();
        m_pace.start();
    }
}

qint64 Outlet::queued() const
{
    return (m_paceBuffer.size() - m_pacePos) + m_socket->bytesToWrite();
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

void Outlet::paceStep()
{
    if (m_pacePos >= m_paceBuffer.size()) {
        m_pace.stop();
        m_paceBuffer.clear();
        m_pacePos = 0;
        endIfDrained();
        return;
    }
    const qsizetype count = m_rate > 0 ? std::min(rateAllowance(), m_paceBuffer.size() - m_pacePos) : 1;
    if (count <= 0)
        return;
    m_socket->write(m_paceBuffer.constData() + m_pacePos, count);
    m_pacePos += count;
    m_credit -= double(count);
}

qsizetype Outlet::rateAllowance()
{
    // The credit follows the clock, not the tick count, so late ticks do
    // not lower the rate; it is capped at two ticks' worth so a busy
    // server or a client that stopped reading gets no burst afterwards.
    const qint64 now = m_clock.elapsed();
    const double cap = double(m_rate) * 2 * kPaceTickMs / 1000.0 + 1;
    m_credit = std::min(cap, m_credit + double(m_rate) * double(now - m_lastStepMs) / 1000.0);
    m_lastStepMs = now;
    if (m_socket->bytesToWrite() > kPacedSocketBacklog)
        return 0;
    return qsizetype(m_credit);
}

void Outlet::onBytesWritten()
{
    Q_EMIT progress();
    endIfDrained();
}

void Outlet::endIfDrained()
{
    if (m_ended || m_ending == Ending::None || m_pacePos < m_paceBuffer.size())
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
