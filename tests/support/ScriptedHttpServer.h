#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>

// A tiny HTTP server on 127.0.0.1 for engine tests: each request head is
// handed to the responder, which writes whatever bytes the case needs
// (a multipart stream, a broken one, a challenge). Counts connections as
// the server sees them.
class ScriptedHttpServer : public QObject
{
    Q_OBJECT

public:
    using Responder = std::function<void(QTcpSocket *socket, const QByteArray &head)>;

    explicit ScriptedHttpServer(Responder responder, QObject *parent = nullptr)
        : QObject(parent)
        , m_responder(std::move(responder))
    {
        connect(&m_server, &QTcpServer::newConnection, this, &ScriptedHttpServer::accept);
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString &pathAndQuery = QStringLiteral("/"), const QString &userInfo = {}) const
    {
        const QString auth = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
        return QStringLiteral("http://") + auth + QStringLiteral("127.0.0.1:%1%2").arg(port()).arg(pathAndQuery);
    }
    int accepted() const { return m_accepted; }
    int open() const { return m_accepted - m_closed; }
    int closed() const { return m_closed; }
    const QList<QByteArray> &requests() const { return m_requests; }

    // Writes a multipart part every intervalMs on socket until it closes.
    static void streamParts(QTcpSocket *socket, const QList<QByteArray> &frames, int intervalMs,
                            const QByteArray &boundary = "myboundary")
    {
        socket->write("HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=" + boundary
                      + "\r\n\r\n");
        auto *timer = new QTimer(socket);  // dies with the connection
        auto index = std::make_shared<qsizetype>(0);
        QObject::connect(timer, &QTimer::timeout, socket, [socket, frames, boundary, index] {
            const QByteArray &frame = frames.at((*index)++ % frames.size());
            socket->write("--" + boundary + "\r\nContent-Type: image/jpeg\r\nContent-Length: "
                          + QByteArray::number(frame.size()) + "\r\n\r\n" + frame + "\r\n");
        });
        timer->start(intervalMs);
    }

Q_SIGNALS:
    void requestReceived();
    void connectionClosed();

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            ++m_accepted;
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequests(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                ++m_closed;
                m_buffers.remove(socket);
                socket->deleteLater();
                Q_EMIT connectionClosed();
            });
        }
    }

    void readRequests(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0;) {
            const QByteArray head = buffer.left(end + 4);
            buffer.remove(0, end + 4);
            m_requests << head;
            m_responder(socket, head);
            Q_EMIT requestReceived();
        }
    }

    QTcpServer m_server;
    Responder m_responder;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    int m_accepted = 0;
    int m_closed = 0;
    QList<QByteArray> m_requests;
};
