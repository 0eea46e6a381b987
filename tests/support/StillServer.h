#pragma once

#include <QBuffer>
#include <QHostAddress>
#include <QImage>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

// A camera's still-image server on 127.0.0.1, small enough to live in a
// test: every path answers one JPEG picture of the size the query's
// resolution=WxH names (352x288 otherwise). fault=status:CODE, fault=html,
// fault=delay:MS and fault=huge (a Content-Length above any picture) spoil
// the answer; auth=basic asks for user admin, password secret.
class StillServer : public QObject
{
public:
    static constexpr qsizetype MaxRequestBytes = 64 * 1024;

    StillServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString &pathAndQuery, const QString &userInfo = QString()) const
    {
        const QString user = userInfo.isEmpty() ? QString() : userInfo + QLatin1Char('@');
        return QStringLiteral("http://") + user + QStringLiteral("127.0.0.1:%1").arg(port()) + pathAndQuery;
    }

    // Request targets in arrival order.
    QStringList requests;

    static QByteArray jpeg(const QSize &size, int camera = 1)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((camera * 40) % 360, 200, 200));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG");
        return buffer.data();
    }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        if (pending.size() > MaxRequestBytes) {
            socket->abort();
            return;
        }
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = pending.left(end).split('\n');
        m_pending.remove(socket);
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QString target = QString::fromLatin1(requestLine.value(1));
        QByteArray authorization;
        for (const QByteArray &header : lines.mid(1)) {
            const qsizetype colon = header.indexOf(':');
            if (colon > 0 && header.left(colon).trimmed().toLower() == "authorization")
                authorization = header.mid(colon + 1).trimmed();
        }
        requests << target;
        answer(socket, target, authorization);
    }

    void answer(QTcpSocket *socket, const QString &target, const QByteArray &authorization)
    {
        const QUrlQuery query(target.section(QLatin1Char('?'), 1));
        const QString fault = query.queryItemValue(QStringLiteral("fault"));
        if (query.queryItemValue(QStringLiteral("auth")) == QLatin1String("basic")
            && authorization != "Basic " + QByteArray("admin:secret").toBase64()) {
            send(socket, 401, "text/plain", "no", "WWW-Authenticate: Basic realm=\"camera\"\r\n");
            return;
        }
        if (fault.startsWith(QLatin1String("status:"))) {
            send(socket, fault.mid(7).toInt(), "text/plain", "fault");
        } else if (fault == QLatin1String("html")) {
            send(socket, 200, "text/html", "<html><body>Not a picture</body></html>");
        } else if (fault == QLatin1String("huge")) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: 104857600\r\n\r\n\xff\xd8");
        } else if (fault.startsWith(QLatin1String("delay:"))) {
            const QPointer<QTcpSocket> guarded(socket);
            QTimer::singleShot(fault.mid(6).toInt(), this, [this, guarded, query] {
                if (guarded)
                    sendPicture(guarded, query);
            });
        } else {
            sendPicture(socket, query);
        }
    }

    void sendPicture(QTcpSocket *socket, const QUrlQuery &query)
    {
        const QStringList wh = query.queryItemValue(QStringLiteral("resolution")).split(QLatin1Char('x'));
        const QSize size = wh.size() == 2 ? QSize(wh[0].toInt(), wh[1].toInt()) : QSize(352, 288);
        send(socket, 200, "image/jpeg", jpeg(size, query.queryItemValue(QStringLiteral("camera")).toInt()));
    }

    static void send(QTcpSocket *socket, int status, const QByteArray &type, const QByteArray &body,
                     const QByteArray &extraHeaders = QByteArray())
    {
        socket->write("HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Type: " + type
                      + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders
                      + "Connection: close\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
