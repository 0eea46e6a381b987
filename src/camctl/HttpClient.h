#pragma once

#include "camctl/CameraClient.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>

#include <memory>

// One GET to a camera, or a POST when a body is given (a device's SOAP
// calls). The address may carry user:password@; they answer Basic and
// Digest challenges and are sent to the address's own host only.
struct HttpRequest
{
    QUrl url;
    QByteArray postBody;     // empty: a GET
    QByteArray contentType;  // of postBody
    // Hands the handler the body of a non-2xx answer too (a SOAP fault
    // comes with 400 or 500), within StreamLimits::kMaxErrorBodyBytes; the
    // outcome is still Status.
    bool keepErrorBody = false;
    int connectTimeoutMs = 10000;
    // No byte at all (status, headers or body) for this long ends the
    // transfer; a camera that keeps sending, however slowly, is kept.
    int idleTimeoutMs = 10000;
    // The whole transfer, connection to last byte; 0: no limit (streams).
    int totalTimeoutMs = 0;
};

// The final answer's status line and type, once its body begins.
struct HttpHead
{
    int status = 0;  // 0 until an answer arrived
    QByteArray contentType;
    qint64 contentLength = -1;  // as announced; -1 when not
};

struct HttpOutcome
{
    enum class Failure {
        None,          // a 2xx answer arrived whole
        Status,        // the answer's status was not 2xx (head.status says which)
        Refused,       // connection refused
        HostNotFound,
        Closed,        // the camera closed or reset the connection early
        TimedOut,      // the total time ran out
        Idle,          // nothing arrived for the idle time
        Stopped,       // the receiver stopped it (its own reason is better)
        Refusing,      // a bound of ours was broken (reason says which)
        Other,
    };
    Failure failure = Failure::None;
    HttpHead head;
    QString error;  // plain words, never any credential; empty for None
};

// Called on the transfer's own thread, one call at a time.
class HttpHandler
{
public:
    virtual ~HttpHandler() = default;
    // Body bytes of a 2xx answer, as they arrive; false stops the transfer.
    // Answers of other statuses are not passed on, unless the request keeps
    // error bodies: they end the transfer.
    virtual bool body(const HttpHead &head, QByteArrayView bytes) = 0;
    // Every byte the connection held has been read, and the thread is about
    // to wait for more: the moment to act on the newest of what arrived.
    // false stops the transfer, as from body().
    virtual bool caughtUp() { return true; }
    // Exactly once per transfer, unless it was cancelled first.
    virtual void finished(const HttpOutcome &outcome) = 0;
};

// Every camera transfer runs on a camera client thread of its own
// (CameraClient), driving libcurl's multi interface for its one transfer:
// reading, and what the handler does with the bytes, never touch the UI
// thread, and a cancel wakes the thread's poll at once.
//
// Policy, the same for streams and snapshots: http and https only (TLS
// with the system's certificate store), at most StreamLimits::kMaxRedirects
// redirects and never to another scheme, credentials only to the address's
// host, no proxy (the camera is asked directly, as it always was), a fresh
// connection closed at the end, and StreamLimits' bounds on header bytes
// and authentication challenges.
namespace HttpClient {

// Starts the transfer. Destroying the result cancels it without waiting;
// no handler call starts after that. When no thread can be had, the
// handler is told at once (on the calling thread) and the result is null.
std::unique_ptr<CameraAttempt> start(const HttpRequest &request, std::shared_ptr<HttpHandler> handler);

} // namespace HttpClient
