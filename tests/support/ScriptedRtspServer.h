#pragma once

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>

#include <functional>

// A tiny RTSP server on 127.0.0.1 for exchange tests: each request is handed
// to the responder, which answers whatever the case needs (a redirect, a
// huge description, a refused transport) and may go on writing packets.
// Records every request with the time it came.
class ScriptedRtspServer : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method, head;
        qint64 atMs = 0;
        QByteArray uri() const { return head.split(' ').value(1); }
        QByteArray header(const QByteArray &name) const
        {
            const qsizetype at = head.toLower().indexOf("\r\n" + name.toLower() + ':');
            return at < 0 ? QByteArray() : head.mid(at + name.size() + 3).split('\r').first().trimmed();
        }
    };
    using Responder = std::function<void(QTcpSocket *socket, const Request &request)>;

    explicit ScriptedRtspServer(Responder responder)
        : m_responder(std::move(responder))
    {
        m_clock.start();
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++m_open;
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] { --m_open, socket->deleteLater(); });
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    QString url(const QString &userInfo = {}) const
    {
        const QString auth = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
        return QStringLiteral("rtsp://") + auth + QStringLiteral("127.0.0.1:%1/cam").arg(m_server.serverPort());
    }
    int open() const { return m_open; }
    qint64 nowMs() const { return m_clock.elapsed(); }
    // Every request, or those of one method that came since sinceMs.
    QList<Request> requests(const QByteArray &method = {}, qint64 sinceMs = 0) const
    {
        QList<Request> found;
        for (const Request &r : m_requests) {
            if ((method.isEmpty() || r.method == method) && r.atMs >= sinceMs)
                found << r;
        }
        return found;
    }

    // "RTSP/1.0 <statusAndHeaders>" with the request's CSeq, and a body.
    static void answer(QTcpSocket *socket, const Request &request, const QByteArray &statusAndHeaders,
                       const QByteArray &body = {})
    {
        const QByteArray length = "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        socket->write("RTSP/1.0 " + statusAndHeaders + "\r\nCSeq: " + request.header("CSeq") + "\r\n"
                      + (body.isEmpty() ? QByteArray() : length) + "\r\n" + body);
    }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray buffer = socket->property("unread").toByteArray() + socket->readAll();
        for (qsizetype end; (end = buffer.indexOf("\r\n\r\n")) >= 0; buffer.remove(0, end + 4)) {
            const Request request{buffer.left(buffer.indexOf(' ')), buffer.left(end + 2), m_clock.elapsed()};
            m_requests << request;
            m_responder(socket, request);
        }
        socket->setProperty("unread", buffer);
    }

    QTcpServer m_server;
    Responder m_responder;
    QElapsedTimer m_clock;
    QList<Request> m_requests;
    int m_open = 0;
};
