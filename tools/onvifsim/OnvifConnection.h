#pragma once

#include "HttpHead.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <optional>

class QTcpSocket;

namespace OnvifSim {

class OnvifDevice;

// A client that connects and never finishes its request is let go.
constexpr int kRequestTimeoutMs = 30 * 1000;

// One client connection: reads one request (head, then a body of its
// Content-Length), answers it through the device and closes; deletes
// itself once the socket is closed.
class OnvifConnection : public QObject
{
    Q_OBJECT

public:
    OnvifConnection(QTcpSocket *socket, OnvifDevice &device, quint16 port, QObject *parent);

private:
    void onReadyRead();
    void onStateChanged();
    void headComplete();
    void respond(int status, const QByteArray &contentType, const QByteArray &body,
                 const QByteArray &extraHeaders = {});

    QTcpSocket *m_socket;
    OnvifDevice &m_device;
    quint16 m_port;
    QTimer m_requestTimer;
    QByteArray m_received;
    std::optional<CamSim::RequestHead> m_head;
    qsizetype m_bodyLength = 0;
    bool m_answered = false;
    bool m_closed = false;
};

} // namespace OnvifSim
