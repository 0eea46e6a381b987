#pragma once

#include "onvif/OnvifLimits.h"
#include "onvif/OnvifTypes.h"

#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <vector>

class QUdpSocket;

// Finds ONVIF devices with WS-Discovery: a probe to the multicast group
// from every IPv4 interface that is up and can multicast (or to one host),
// sent OnvifLimits::kProbes times a second apart; the answers that relate
// to it are reported once per device address. Everything runs on the
// calling thread's event loop: the sockets never block.
class OnvifSearch : public QObject
{
    Q_OBJECT

public:
    explicit OnvifSearch(QObject *parent = nullptr);
    ~OnvifSearch() override;

    // A search under way is dropped. unicastHost: probe that host (an
    // address or a name) at port instead of the multicast group.
    void start(const QString &unicastHost = {}, quint16 port = OnvifLimits::kDiscoveryPort);
    // No signal follows.
    void cancel();

Q_SIGNALS:
    void found(const OnvifDiscovered &device);
    // After about OnvifLimits::kSearchMs, or at once when nothing can be
    // sent. error is empty when all went well; else plain words (no
    // interface, answers refused, too many devices), the devices found
    // still stand.
    void finished(const QString &error);

private:
    void probeMulticast(quint16 port);
    void probeTo(const QHostAddress &target, quint16 port);
    void sendProbe();
    void read(QUdpSocket *socket);
    void end(const QString &error);
    void endLater(const QString &error);

    // Deleted later: a search may end inside one's readyRead.
    std::vector<QUdpSocket *> m_sockets;
    QHostAddress m_target;
    quint16 m_port = 0;
    QByteArray m_probe;
    QString m_messageId;
    QTimer m_probeTimer;
    QTimer m_endTimer;
    int m_probesSent = 0;
    int m_lookup = -1;
    quint64 m_serial = 0;
    QSet<QString> m_seen;
    int m_refused = 0;
    QString m_refusal;
};
