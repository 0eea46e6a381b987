#include "CamSimClient.h"

#include <QTest>

namespace CamSimClient {

namespace {

Headers headerLines(const QByteArray &block)
{
    Headers headers;
    for (const QByteArray &line : block.split('\n')) {
        const QByteArray clean = line.endsWith('\r') ? line.chopped(1) : line;
        const qsizetype colon = clean.indexOf(':');
        if (colon > 0)
            headers.insert(clean.left(colon).trimmed().toLower(), clean.mid(colon + 1).trimmed());
    }
    return headers;
}

} // namespace

std::optional<Response> splitResponse(const QByteArray &bytes)
{
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0)
        return std::nullopt;
    Response response;
    const qsizetype lineEnd = bytes.indexOf("\r\n");
    response.statusLine = bytes.left(lineEnd);
    const QList<QByteArray> words = response.statusLine.split(' ');
    response.status = words.size() >= 2 ? words[1].toInt() : 0;
    response.headers = headerLines(bytes.mid(lineEnd + 2, end - lineEnd - 2));
    response.body = bytes.mid(end + 4);
    return response;
}

QList<Part> parseParts(const QByteArray &body, bool *framingOk, const QByteArray &boundary)
{
    const QByteArray delimiter = "--" + boundary + "\r\n";
    QList<Part> parts;
    bool ok = true;
    qsizetype pos = 0;
    while (pos < body.size()) {
        if (body.size() - pos < delimiter.size()) {
            ok = ok && delimiter.startsWith(body.mid(pos));
            break;
        }
        if (body.mid(pos, delimiter.size()) != delimiter) {
            ok = false;
            break;
        }
        const qsizetype headEnd = body.indexOf("\r\n\r\n", pos + delimiter.size());
        if (headEnd < 0)
            break;
        Part part;
        part.headers = headerLines(body.mid(pos + delimiter.size(), headEnd - pos - delimiter.size()));
        const qsizetype bodyStart = headEnd + 4;
        qsizetype next = 0;
        if (part.headers.contains("content-length")) {
            const qsizetype length = part.headers.value("content-length").toLongLong();
            if (body.size() < bodyStart + length + 2)
                break;
            part.body = body.mid(bodyStart, length);
            if (body.mid(bodyStart + length, 2) != "\r\n") {
                ok = false;
                break;
            }
            next = bodyStart + length + 2;
        } else {
            const qsizetype boundary = body.indexOf("\r\n" + delimiter, bodyStart);
            if (boundary < 0)
                break;
            part.body = body.mid(bodyStart, boundary - bodyStart);
            next = boundary + 2;
        }
        parts.append(part);
        pos = next;
    }
    if (framingOk)
        *framingOk = ok;
    return parts;
}

Client::Client(quint16 port)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
}

void Client::send(const QByteArray &bytes)
{
    m_socket.write(bytes);
}

void Client::get(const QByteArray &target, const QByteArray &extraHeaders)
{
    send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extraHeaders + "\r\n");
}

bool Client::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            m_received += m_socket.readAll();
            return done();
        },
        timeoutMs);
}

bool Client::waitForResponse(int timeoutMs)
{
    return waitUntil([this] { return response().has_value(); }, timeoutMs);
}

bool Client::waitForParts(int count, int timeoutMs)
{
    return waitUntil([this, count] { return parts().size() >= count; }, timeoutMs);
}

bool Client::waitForClose(int timeoutMs)
{
    return waitUntil([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
}

QList<Part> Client::parts(bool *framingOk, const QByteArray &boundary) const
{
    const auto head = response();
    if (!head) {
        if (framingOk)
            *framingOk = true;
        return {};
    }
    return parseParts(head->body, framingOk, boundary);
}

Response fetch(quint16 port, const QByteArray &target, const QByteArray &extraHeaders)
{
    Client client(port);
    client.get(target, extraHeaders);
    client.waitForClose();
    return client.response().value_or(Response{});
}

} // namespace CamSimClient
