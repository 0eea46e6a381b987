#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QTcpSocket>

#include <functional>
#include <optional>

// A plain HTTP client for the demo camera's tests: sends bytes, keeps what
// comes back, and takes responses and multipart streams apart without any
// of the demo camera's own code.
namespace CamSimClient {

using Headers = QMap<QByteArray, QByteArray>;  // names lower-cased

struct Response
{
    QByteArray statusLine;
    int status = 0;
    Headers headers;
    QByteArray body;  // what followed the head so far
};

struct Part
{
    Headers headers;
    QByteArray body;
};

// The head and what followed, once the head is complete.
std::optional<Response> splitResponse(const QByteArray &bytes);

// Complete parts of a multipart/x-mixed-replace body with that boundary;
// *framingOk turns false on anything out of place.
QList<Part> parseParts(const QByteArray &body, bool *framingOk, const QByteArray &boundary = "myboundary");

class Client
{
public:
    explicit Client(quint16 port);

    void send(const QByteArray &bytes);
    void get(const QByteArray &target, const QByteArray &extraHeaders = {});
    // Collects what arrived; true once done() holds, false after timeoutMs.
    bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);
    bool waitForResponse(int timeoutMs = 5000);
    bool waitForParts(int count, int timeoutMs = 5000);
    bool waitForClose(int timeoutMs = 5000);

    std::optional<Response> response() const { return splitResponse(m_received); }
    QList<Part> parts(bool *framingOk = nullptr, const QByteArray &boundary = "myboundary") const;
    const QByteArray &received() const { return m_received; }
    QTcpSocket &socket() { return m_socket; }

private:
    QTcpSocket m_socket;
    QByteArray m_received;
};

// A full still-picture or plain answer: request, wait for the server to
// close, and split.
Response fetch(quint16 port, const QByteArray &target, const QByteArray &extraHeaders = {});

} // namespace CamSimClient
