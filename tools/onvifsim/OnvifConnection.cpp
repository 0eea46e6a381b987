#include "OnvifConnection.h"

#include "OnvifDevice.h"

#include <QTcpSocket>

namespace OnvifSim {

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 411: return "Length Required";
    case 413: return "Content Too Large";
    case 415: return "Unsupported Media Type";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

OnvifConnection::OnvifConnection(QTcpSocket *socket, OnvifDevice &device, quint16 port, QObject *parent)
    : QObject(parent), m_socket(socket), m_device(device), m_port(port)
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &OnvifConnection::onReadyRead);
    connect(m_socket, &QTcpSocket::stateChanged, this, &OnvifConnection::onStateChanged);
    m_requestTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this,
            [this] { respond(408, "text/plain", "No complete request received in time.\n"); });
    m_requestTimer.start(kRequestTimeoutMs);
    onReadyRead();
}

void OnvifConnection::onReadyRead()
{
    if (m_answered) {
        // Of no use, but read so the socket notices the client hang up.
        m_socket->readAll();
        return;
    }
    if (!m_head) {
        m_received += m_socket->read(CamSim::kMaxRequestHeadBytes + 1 - m_received.size());
        const CamSim::HeadParse parse = CamSim::parseRequestHead(m_received);
        switch (parse.status) {
        case CamSim::HeadParse::Incomplete:
            return;
        case CamSim::HeadParse::TooLarge:
            respond(431, "text/plain", "Request head too large.\n");
            return;
        case CamSim::HeadParse::Malformed:
            respond(400, "text/plain", "Malformed request.\n");
            return;
        case CamSim::HeadParse::Complete:
            m_head = parse.head;
            // What followed the head is the start of the body.
            const qsizetype crlf = m_received.indexOf("\r\n\r\n");
            const qsizetype lf = m_received.indexOf("\n\n");
            const qsizetype bodyStart = crlf >= 0 && (lf < 0 || crlf < lf) ? crlf + 4 : lf + 2;
            m_received.remove(0, bodyStart);
            headComplete();
            if (m_answered)
                return;
            break;
        }
    }
    m_received += m_socket->read(m_bodyLength - m_received.size());
    if (m_received.size() < m_bodyLength)
        return;
    m_requestTimer.stop();
    const HttpAnswer answer = m_device.answer(*m_head, m_received, m_port);
    m_received.clear();
    m_answered = true;
    switch (answer.when) {
    case HttpAnswer::When::Now:
        respond(answer.status, answer.contentType, answer.body, answer.extraHeaders);
        break;
    case HttpAnswer::When::Slow:
        QTimer::singleShot(kSlowAnswerMs, this, [this, answer] {
            respond(answer.status, answer.contentType, answer.body, answer.extraHeaders);
        });
        break;
    case HttpAnswer::When::Never:
        break;
    }
}

void OnvifConnection::headComplete()
{
    const CamSim::RequestHead &head = *m_head;
    if (!head.header("Transfer-Encoding").isEmpty()) {
        respond(411, "text/plain", "A Content-Length is needed.\n");
        return;
    }
    const QByteArray length = head.header("Content-Length");
    bool ok = true;
    const qint64 bytes = length.isEmpty() ? 0 : length.toLongLong(&ok);
    if (!ok || bytes < 0) {
        respond(400, "text/plain", "Bad Content-Length.\n");
        return;
    }
    if (bytes > kMaxRequestBodyBytes) {
        respond(413, "text/plain", "Request body too large.\n");
        return;
    }
    m_bodyLength = qsizetype(bytes);
    if (head.header("Expect").compare("100-continue", Qt::CaseInsensitive) == 0)
        m_socket->write("HTTP/1.1 100 Continue\r\n\r\n");
}

void OnvifConnection::onStateChanged()
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState || m_closed)
        return;
    m_closed = true;
    deleteLater();
}

void OnvifConnection::respond(int status, const QByteArray &contentType, const QByteArray &body,
                              const QByteArray &extraHeaders)
{
    m_requestTimer.stop();
    m_answered = true;
    if (m_closed)
        return;
    m_socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\nContent-Type: "
                    + contentType + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders
                    + "Connection: close\r\n\r\n" + body);
    // Unread request bytes would turn the close into a reset that can
    // destroy the answer before the client reads it.
    m_socket->readAll();
    m_socket->disconnectFromHost();
}

} // namespace OnvifSim
