#pragma once

#include <QByteArray>
#include <QTcpSocket>
#include <QTest>

// GET /stats of a test server on 127.0.0.1: the answer's body, or an empty
// array when the server does not answer. A reply cut short by the time-out
// is read as far as it came.
inline QByteArray statsBody(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET /stats HTTP/1.0\r\n\r\n");
    QByteArray reply;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            reply += socket.readAll();
            return socket.state() == QAbstractSocket::UnconnectedState;
        },
        5000));
    reply += socket.readAll();
    const qsizetype body = reply.indexOf("\r\n\r\n");
    return body < 0 ? QByteArray() : reply.mid(body + 4);
}
