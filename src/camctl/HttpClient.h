#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>

#include <memory>

// One GET to a camera. The address may carry user:password@; they answer
// Basic and Digest challenges and are sent to the address's own host only.
struct HttpRequest
{
    QUrl url;
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
        None,          // the whole answer arrived (any status)
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

// Called on the client's worker thread, one call at a time per transfer.
class HttpHandler
{
public:
    virtual ~HttpHandler() = default;
    // Body bytes of a 2xx answer, as they arrive; false stops the transfer.
    // Answers of other statuses are not passed on: they end the transfer.
    virtual bool body(const HttpHead &head, QByteArrayView bytes) = 0;
    // Exactly once per transfer, unless it was cancelled first.
    virtual void finished(const HttpOutcome &outcome) = 0;
};

// A started transfer. Cancelling never waits: the worker drops the
// connection at its next turn, and no handler call starts after that.
class HttpTransfer
{
public:
    struct State;
    explicit HttpTransfer(std::shared_ptr<State> state);
    ~HttpTransfer();  // cancels
    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    void cancel();

private:
    std::shared_ptr<State> m_state;
};

// Every camera transfer of the program runs on one worker thread driving
// libcurl's multi interface: reading, and what the handlers do with the
// bytes, never touch the UI thread.
//
// Policy, the same for streams and snapshots: http and https only (TLS
// with the system's certificate store), at most 5 redirects and never to
// another scheme, credentials only to the address's host, no proxy (the
// camera is asked directly, as it always was), a fresh connection each
// time and closed at the end, at most kMaxHeaderBytes of status and header
// lines and at most kMaxChallenges authentication challenges per transfer.
namespace HttpClient {

// Header lines of all answers of one transfer (1xx, redirects,
// challenges and the final one): far above any camera's, far below harm.
constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
// Challenges answered per transfer: the first one, and one more so a
// Digest nonce reported stale is renewed; a camera that goes on
// challenging is refused instead of being asked thousands of times.
constexpr int kMaxChallenges = 2;
// Bytes of a non-2xx answer's body read before the transfer ends.
constexpr qsizetype kMaxErrorBodyBytes = 64 * 1024;

std::unique_ptr<HttpTransfer> start(const HttpRequest &request, std::shared_ptr<HttpHandler> handler);

// Transfers started and not yet ended or dropped; for tests.
int activeTransfers();

} // namespace HttpClient
