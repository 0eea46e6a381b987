#include "Connection.h"

#include "HeaderFlood.h"

#include <QDebug>
#include <QTcpSocket>

namespace CamSim {

namespace {

std::optional<PictureResponder::Kind> pictureKind(const QByteArray &path)
{
    if (path == "/cgi-bin/mjpg/video.cgi" || path == "/axis-cgi/mjpg/video.cgi")
        return PictureResponder::Kind::Stream;
    if (path == "/cgi-bin/jpg/image.cgi" || path == "/axis-cgi/jpg/video.cgi")
        return PictureResponder::Kind::Still;
    return std::nullopt;
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 408: return "Request Timeout";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

const QByteArray kHtmlPage = "<!DOCTYPE html>\n<html><head><title>Ocellane demo camera</title></head>\n"
                             "<body><h1>Camera setup</h1><p>This is a page, not a picture.</p></body></html>\n";

} // namespace

Connection::Connection(QTcpSocket *socket, const ServerContext &context, QObject *parent)
    : QObject(parent), m_socket(socket), m_context(context), m_outlet(new Outlet(socket, this))
{
    m_socket->setParent(this);
    connect(m_socket, &QTcpSocket::readyRead, this, &Connection::onReadyRead);
    connect(m_socket, &QTcpSocket::stateChanged, this, &Connection::onStateChanged);
    m_requestTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this, [this] {
        answerPlain(408, "text/plain", "No complete request received in time.\n");
    });
    m_requestTimer.start(m_context.settings.requestTimeoutMs);
    onReadyRead();
}

Connection::~Connection()
{
    if (m_countedCamera && !m_finished)
        m_context.stats.closed(*m_countedCamera);
}

void Connection::onReadyRead()
{
    if (m_headDone) {
        // Anything after the head is of no use; reading it keeps the
        // socket noticing when the client hangs up.
        m_socket->readAll();
        return;
    }
    m_received += m_socket->read(kMaxRequestHeadBytes + 1 - m_received.size());
    const HeadParse parse = parseRequestHead(m_received);
    switch (parse.status) {
    case HeadParse::Incomplete:
        return;
    case HeadParse::TooLarge:
        m_headDone = true;
        // Left unread, the rest would make the close a reset that can
        // destroy our answer before the client reads it.
        m_socket->readAll();
        m_context.stats.requestReceived();
        answerPlain(431, "text/plain", "Request head too large.\n");
        return;
    case HeadParse::Malformed:
        m_headDone = true;
        m_context.stats.requestReceived();
        answerPlain(400, "text/plain", "Malformed request.\n");
        return;
    case HeadParse::Complete:
        m_headDone = true;
        m_received.clear();
        handle(parse.head);
        return;
    }
}

void Connection::onStateChanged()
{
    if (m_socket->state() != QAbstractSocket::UnconnectedState || m_finished)
        return;
    m_finished = true;
    if (m_responder)
        m_responder->stop();
    if (m_countedCamera)
        m_context.stats.closed(*m_countedCamera);
    log(QStringLiteral("closed"));
    deleteLater();
}

void Connection::handle(const RequestHead &head)
{
    m_requestTimer.stop();
    log(QString::fromLatin1(head.method + ' ' + head.target));
    // Counters read by tests must not move because they are read.
    const bool statsPath = head.path == "/stats";
    if (!statsPath)
        m_context.stats.requestReceived();

    const auto kind = pictureKind(head.path);
    QString error;
    const auto params = parsePictureParams(head.query, &error);
    FaultPlan fault;
    if (params && params->fault)
        fault = *params->fault;
    else if (params && kind == PictureResponder::Kind::Stream)
        fault = m_context.settings.streamFault;
    if (fault.dripIntervalMs)
        m_outlet->setDrip(*fault.dripIntervalMs);
    if (fault.slowLinkRate)
        m_outlet->setRate(*fault.slowLinkRate);
    const bool get = head.method == "GET";
    if (kind && params && get) {
        m_countedCamera = params->camera;
        m_context.stats.accepted(params->camera);
    }

    auto answer = [this, head, kind, params, fault, error, get, statsPath] {
        if (m_finished)
            return;
        if (!get)
            answerPlain(405, "text/plain", "Only GET is served here.\n", "Allow: GET\r\n");
        else if (statsPath)
            answerPlain(200, "application/json", m_context.stats.toJson() + '\n');
        else if (!kind)
            answerPlain(404, "text/plain", "Not found: " + head.path + '\n');
        else if (!params)
            answerPlain(400, "text/plain", error.toUtf8() + '\n');
        else
            answerPicture(head, *params, *kind, fault);
    };
    if (fault.delayMs > 0)
        QTimer::singleShot(fault.delayMs, this, answer);
    else
        answer();
}

void Connection::answerPicture(const RequestHead &head, const PictureParams &params, PictureResponder::Kind kind,
                               const FaultPlan &fault)
{
    const AuthMode mode = params.auth.value_or(m_context.settings.auth);
    if (!m_context.authenticator.check(mode, head.method, head.target, head.header("Authorization"))) {
        m_context.stats.unauthorized();
        answerPlain(401, "text/plain", "Credentials needed.\n",
                    "WWW-Authenticate: " + m_context.authenticator.challenge(mode) + "\r\n");
        return;
    }
    if (fault.status) {
        answerPlain(*fault.status, "text/plain", "Status " + QByteArray::number(*fault.status) + " as asked.\n");
        return;
    }
    if (fault.html) {
        answerPlain(200, "text/html; charset=utf-8", kHtmlPage);
        return;
    }
    if (fault.headerFlood) {
        // Lives as long as the connection; the client ends it by hanging up.
        new HeaderFlood(*fault.headerFlood, kind == PictureResponder::Kind::Stream, *m_outlet, this);
        return;
    }
    PictureResponder::Request request;
    request.kind = kind;
    request.key = PictureKey{params.camera, params.size, params.quality()};
    request.fps = params.fps.value_or(m_context.settings.fps);
    request.fault = fault;
    request.stamp = params.stamp;
    m_responder = std::make_unique<PictureResponder>(request, *m_outlet, m_context.hub, m_context.stats, nullptr);
    m_responder->start();
}

void Connection::answerPlain(int status, const QByteArray &contentType, const QByteArray &body,
                             const QByteArray &extraHeaders)
{
    m_requestTimer.stop();
    m_outlet->write("HTTP/1.0 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\nContent-Type: "
                    + contentType + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders
                    + "Connection: close\r\n\r\n" + body);
    m_outlet->closeWhenDrained();
}

void Connection::log(const QString &text) const
{
    if (m_context.settings.log)
        qInfo().noquote() << m_socket->peerPort() << text;
}

} // namespace CamSim
