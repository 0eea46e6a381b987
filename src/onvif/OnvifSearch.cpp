#include "onvif/OnvifSearch.h"

#include "onvif/OnvifLimits.h"
#include "onvif/WsDiscovery.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QNetworkDatagram>
#include <QPointer>
#include <QUdpSocket>

using namespace OnvifLimits;

namespace {

const QHostAddress kGroup(QStringLiteral("239.255.255.250"));

} // namespace

OnvifSearch::OnvifSearch(QObject *parent)
    : QObject(parent)
{
    m_probeTimer.setInterval(kProbeIntervalMs);
    connect(&m_probeTimer, &QTimer::timeout, this, &OnvifSearch::sendProbe);
    m_endTimer.setSingleShot(true);
    connect(&m_endTimer, &QTimer::timeout, this, [this] {
        QString error;
        if (m_refused > 0)
            error = QStringLiteral("%1 answer(s) refused: %2").arg(m_refused).arg(m_refusal);
        end(error);
    });
}

OnvifSearch::~OnvifSearch()
{
    cancel();
}

void OnvifSearch::cancel()
{
    ++m_serial;
    if (m_lookup >= 0)
        QHostInfo::abortHostLookup(m_lookup);
    m_lookup = -1;
    m_probeTimer.stop();
    m_endTimer.stop();
    for (QUdpSocket *socket : m_sockets) {
        socket->disconnect(this);
        socket->close();
        socket->deleteLater();
    }
    m_sockets.clear();
}

void OnvifSearch::start(const QString &unicastHost, quint16 port)
{
    cancel();
    m_messageId = WsDiscovery::newMessageId();
    m_probe = WsDiscovery::probe(m_messageId);
    m_seen.clear();
    m_refused = 0;
    m_refusal.clear();
    m_probesSent = 0;
    if (unicastHost.isEmpty())
        return probeMulticast(port);
    if (const QHostAddress literal(unicastHost); !literal.isNull())
        return probeTo(literal, port);
    const quint64 serial = m_serial;
    m_lookup = QHostInfo::lookupHost(unicastHost, this, [this, serial, port, unicastHost](const QHostInfo &info) {
        if (serial != m_serial)
            return;
        m_lookup = -1;
        if (info.addresses().isEmpty())
            return end(QStringLiteral("the host %1 was not found").arg(unicastHost));
        probeTo(info.addresses().constFirst(), port);
    });
}

void OnvifSearch::probeMulticast(quint16 port)
{
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning)
            || !flags.testFlag(QNetworkInterface::CanMulticast))
            continue;
        for (const QNetworkAddressEntry &entry : iface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            // Bound to the interface's address, so the answers (sent to the
            // probe's source) come back to this socket.
            auto *socket = new QUdpSocket(this);
            if (!socket->bind(entry.ip(), 0)) {
                delete socket;
                continue;
            }
            socket->setMulticastInterface(iface);
            m_sockets.push_back(socket);
            break;
        }
    }
    if (m_sockets.empty())
        return endLater(QStringLiteral("no network interface that can send multicast is up"));
    m_target = kGroup;
    m_port = port;
    sendProbe();
}

void OnvifSearch::probeTo(const QHostAddress &target, quint16 port)
{
    auto *socket = new QUdpSocket(this);
    const bool v6 = target.protocol() == QAbstractSocket::IPv6Protocol;
    if (!socket->bind(v6 ? QHostAddress::AnyIPv6 : QHostAddress::AnyIPv4, 0)) {
        const QString why = socket->errorString();
        delete socket;
        return endLater(QStringLiteral("no socket for the search: %1").arg(why));
    }
    m_sockets.push_back(socket);
    m_target = target;
    m_port = port;
    sendProbe();
}

void OnvifSearch::sendProbe()
{
    if (m_probesSent == 0) {
        for (QUdpSocket *s : m_sockets)
            connect(s, &QUdpSocket::readyRead, this, [this, s] { read(s); });
        m_probeTimer.start();
        m_endTimer.start(kSearchMs);
    }
    for (QUdpSocket *socket : m_sockets)
        socket->writeDatagram(m_probe, m_target, m_port);
    if (++m_probesSent >= kProbes)
        m_probeTimer.stop();
}

void OnvifSearch::read(QUdpSocket *socket)
{
    const quint64 serial = m_serial;
    QPointer<OnvifSearch> alive(this);
    while (socket->hasPendingDatagrams()) {
        if (socket->pendingDatagramSize() > kMaxDatagramBytes) {
            socket->readDatagram(nullptr, 0);  // dropped unread
            ++m_refused;
            m_refusal = QStringLiteral("an answer larger than %1 KiB").arg(kMaxDatagramBytes / 1024);
            continue;
        }
        const QNetworkDatagram datagram = socket->receiveDatagram(kMaxDatagramBytes);
        QString error;
        const QList<OnvifDiscovered> devices = WsDiscovery::parseProbeMatches(datagram.data(), m_messageId, &error);
        if (devices.isEmpty()) {
            // Other programs' discovery traffic (no error) is not counted.
            if (!error.isEmpty()) {
                ++m_refused;
                m_refusal = error;
            }
            continue;
        }
        for (const OnvifDiscovered &d : devices) {
            const QString key = d.address.toString();
            if (m_seen.contains(key))
                continue;
            if (m_seen.size() >= kMaxDiscovered)
                return end(QStringLiteral("more than %1 devices answered: the first %1 are listed").arg(kMaxDiscovered));
            m_seen.insert(key);
            Q_EMIT found(d);
            // A receiver may have cancelled, restarted or deleted us.
            if (!alive || serial != m_serial)
                return;
        }
    }
}

void OnvifSearch::endLater(const QString &error)
{
    const quint64 serial = m_serial;
    QMetaObject::invokeMethod(this, [this, serial, error] {
        if (serial == m_serial)
            end(error);
    }, Qt::QueuedConnection);
}

void OnvifSearch::end(const QString &error)
{
    cancel();
    Q_EMIT finished(error);
}
