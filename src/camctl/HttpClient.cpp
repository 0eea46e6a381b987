#include "camctl/HttpClient.h"

#include "base/Cp1252.h"
#include "camctl/StreamLimits.h"
#include "camctl/UrlCredentials.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <optional>

using namespace StreamLimits;

namespace {

// The thread looks at an idle transfer at least this often.
constexpr int kMaxPollMs = 1000;

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int statusOfLine(QByteArrayView line)
{
    // "HTTP/1.1 401 Unauthorized"
    const qsizetype space = line.indexOf(' ');
    if (space < 0 || line.size() < space + 4)
        return 0;
    int code = 0;
    for (qsizetype i = space + 1; i < space + 4; ++i) {
        const char c = line[i];
        if (c < '0' || c > '9')
            return 0;
        code = code * 10 + (c - '0');
    }
    return code;
}

bool isSuccess(int status)
{
    return status >= 200 && status <= 299;
}

// One transfer on its own thread: the easy handle, its multi handle, and
// what the callbacks keep.
struct Transfer
{
    const HttpRequest &request;
    HttpHandler &handler;
    const Cancellation &cancellation;
    CURLM *multi = curl_multi_init();
    CURL *easy = curl_easy_init();
    curl_slist *headers = nullptr;
    HttpHead head;
    qint64 lastActivityMs = nowMs();
    qint64 headerBytes = 0;
    qint64 errorBodyBytes = 0;
    int challenges = 0;
    bool stoppedByHandler = false;
    QString refusal;  // a bound of ours broken
    char curlError[CURL_ERROR_SIZE] = {};

    Transfer(const HttpRequest &r, HttpHandler &h, const Cancellation &c)
        : request(r)
        , handler(h)
        , cancellation(c)
    {
    }
    ~Transfer()
    {
        if (multi && easy)
            curl_multi_remove_handle(multi, easy);
        curl_easy_cleanup(easy);
        curl_multi_cleanup(multi);
        curl_slist_free_all(headers);
    }
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;

    void refuse(const QString &why)
    {
        if (refusal.isEmpty())
            refusal = why;
    }
    void readHead()
    {
        long code = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
        if (int(code) == head.status)
            return;
        head.status = int(code);
        char *type = nullptr;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
        head.contentType = type ? QByteArray(type) : QByteArray();
        curl_off_t length = -1;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        head.contentLength = qint64(length);
    }
};

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t length = size * count;
    if (t->cancellation.isCancelled())
        return 0;
    t->lastActivityMs = nowMs();
    t->headerBytes += qint64(length);
    if (t->headerBytes > kMaxHeaderBytes) {
        t->refuse(QStringLiteral("headers longer than %1 bytes").arg(kMaxHeaderBytes));
        return 0;
    }
    const QByteArrayView line(data, qsizetype(length));
    if (line.startsWith("HTTP/")) {
        const int status = statusOfLine(line);
        if ((status == 401 || status == 407) && ++t->challenges > kMaxChallenges) {
            t->refuse(QStringLiteral("the camera asked for credentials more than %1 times").arg(kMaxChallenges));
            return 0;
        }
    }
    return length;
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    const size_t length = size * count;
    if (t->cancellation.isCancelled())
        return 0;
    t->lastActivityMs = nowMs();
    t->readHead();
    if (!isSuccess(t->head.status)) {
        t->errorBodyBytes += qint64(length);
        if (t->errorBodyBytes > kMaxErrorBodyBytes)
            return 0;
        if (t->request.keepErrorBody && !t->handler.body(t->head, QByteArrayView(data, qsizetype(length)))) {
            t->stoppedByHandler = true;
            return 0;
        }
        return length;
    }
    if (!t->handler.body(t->head, QByteArrayView(data, qsizetype(length)))) {
        t->stoppedByHandler = true;
        return 0;
    }
    return length;
}

HttpOutcome outcomeOf(Transfer &t, CURLcode code)
{
    using F = HttpOutcome::Failure;
    HttpOutcome o;
    t.readHead();
    o.head = t.head;
    QString error;
    if (t.stoppedByHandler) {
        o.failure = F::Stopped;
        error = QStringLiteral("stopped by the receiver");
    } else if (!t.refusal.isEmpty()) {
        o.failure = F::Refusing;
        error = t.refusal;
    } else if (o.head.status != 0 && !isSuccess(o.head.status) && (code == CURLE_OK || code == CURLE_WRITE_ERROR)) {
        // The answer is what counts, whether or not its body was read.
        o.failure = F::Status;
        error = QStringLiteral("HTTP status %1").arg(o.head.status);
    } else {
        switch (code) {
        case CURLE_OK:
            o.failure = F::None;
            break;
        case CURLE_COULDNT_CONNECT:
            o.failure = F::Refused;
            error = QStringLiteral("connection refused");
            break;
        case CURLE_COULDNT_RESOLVE_HOST:
            o.failure = F::HostNotFound;
            error = QStringLiteral("host not found");
            break;
        case CURLE_OPERATION_TIMEDOUT:
            o.failure = F::TimedOut;
            error = QStringLiteral("timed out");
            break;
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
            o.failure = F::Closed;
            error = QStringLiteral("the camera closed the connection");
            break;
        case CURLE_OUT_OF_MEMORY:
            // What libcurl answers to a status or header line over its
            // own bound (100 KB), the only way a camera gets it here.
            o.failure = F::Refusing;
            error = QStringLiteral("an answer line too long");
            break;
        case CURLE_TOO_MANY_REDIRECTS:
            o.failure = F::Refusing;
            error = QStringLiteral("more than %1 redirects").arg(kMaxRedirects);
            break;
        case CURLE_UNSUPPORTED_PROTOCOL:
            o.failure = F::Refusing;
            // libcurl's word for both; only a redirect comes with a head.
            error = t.headerBytes == 0 ? QStringLiteral("the answer has no HTTP status line and headers")
                                       : QStringLiteral("redirected to an address that is not allowed");
            break;
        default:
            o.failure = F::Other;
            error = QString::fromLatin1(curl_easy_strerror(code));
            if (t.curlError[0])
                error += QStringLiteral(": ") + QString::fromLatin1(t.curlError);
            break;
        }
    }
    // curl's own words may name the address; masked before anything is
    // built from them.
    o.error = UrlCredentials::redacted(error, t.request.url);
    return o;
}

HttpOutcome failure(HttpOutcome::Failure kind, const HttpHead &head, const QString &error)
{
    HttpOutcome o;
    o.failure = kind;
    o.head = head;
    o.error = error;
    return o;
}

// False when this libcurl cannot hold a transfer to http and https (it
// would then follow a camera's redirect to any scheme it knows), or cannot
// drop a transfer without waiting for its host-name lookup.
bool configure(Transfer &t)
{
    CURL *e = t.easy;
    const QUrl &url = t.request.url;
    const QByteArray address = url.adjusted(QUrl::RemoveUserInfo).toEncoded();
    curl_easy_setopt(e, CURLOPT_URL, address.constData());
    if (!url.userName().isEmpty() || !url.password().isEmpty()) {
        curl_easy_setopt(e, CURLOPT_USERNAME, Cp1252::fromText(url.userName(QUrl::FullyDecoded)).constData());
        curl_easy_setopt(e, CURLOPT_PASSWORD, Cp1252::fromText(url.password(QUrl::FullyDecoded)).constData());
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
    const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    // Never from https down to http.
    if (curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") != CURLE_OK
        || curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https") != CURLE_OK)
        return false;
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(e, CURLOPT_MAXREDIRS, long(kMaxRedirects));
    curl_easy_setopt(e, CURLOPT_PROXY, "");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    // A transfer dropped while libcurl still looks its host up lets the
    // lookup's thread go instead of waiting for the resolver's time-out.
    if (curl_easy_setopt(e, CURLOPT_QUICK_EXIT, 1L) != CURLE_OK)
        return false;
    curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(t.request.connectTimeoutMs));
    if (t.request.totalTimeoutMs > 0)
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, long(t.request.totalTimeoutMs));
    if (!t.request.postBody.isEmpty()) {
        // The request owns the bytes for the whole transfer.
        curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(t.request.postBody.size()));
        curl_easy_setopt(e, CURLOPT_POSTFIELDS, t.request.postBody.constData());
        // No "Expect: 100-continue": many devices never answer it, and
        // the body would wait a second for nothing.
        t.headers = curl_slist_append(t.headers, "Expect:");
        if (!t.request.contentType.isEmpty())
            t.headers = curl_slist_append(t.headers, ("Content-Type: " + t.request.contentType).constData());
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, t.headers);
    }
    curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, long(kMaxReadBytes));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, t.curlError);
    return true;
}

// The transfer's thread: curl's multi-poll loop for one transfer, as curl's
// own examples run it, with the idle rule and the cancel on top. Returns
// nothing for a cancelled transfer.
std::optional<HttpOutcome> runTransfer(Transfer &t, Cancellation &cancellation)
{
    using F = HttpOutcome::Failure;
    if (!t.multi || !t.easy)
        return failure(F::Other, {}, QStringLiteral("out of memory"));
    if (!configure(t))
        return failure(F::Other, {}, QStringLiteral("this libcurl is older than 7.87"));
    if (const CURLMcode mc = curl_multi_add_handle(t.multi, t.easy); mc != CURLM_OK)
        return failure(F::Other, {}, QString::fromLatin1(curl_multi_strerror(mc)));
    CURLM *multi = t.multi;
    cancellation.setWaker([multi] { curl_multi_wakeup(multi); });
    std::optional<HttpOutcome> outcome;
    // A multi call that fails (out of memory, a broken wake-up socket) ends
    // the transfer, so a lasting failure becomes retries with backoff
    // instead of a spinning thread.
    auto multiFailed = [&](CURLMcode mc) {
        outcome = failure(F::Other, t.head, QString::fromLatin1(curl_multi_strerror(mc)));
    };
    while (!cancellation.isCancelled()) {
        int running = 0;
        if (const CURLMcode mc = curl_multi_perform(multi, &running); mc != CURLM_OK) {
            multiFailed(mc);
            break;
        }
        int queued = 0;
        if (CURLMsg *msg = curl_multi_info_read(multi, &queued); msg && msg->msg == CURLMSG_DONE) {
            outcome = outcomeOf(t, msg->data.result);
            break;
        }
        const qint64 idleLeft = t.lastActivityMs + t.request.idleTimeoutMs - nowMs();
        if (idleLeft <= 0) {
            outcome = failure(F::Idle, t.head, QStringLiteral("no data for %1 ms").arg(t.request.idleTimeoutMs));
            break;
        }
        // Bytes already waiting are read before anything acts on them, so
        // a picture that a newer one follows is never decoded.
        int ready = 0;
        if (const CURLMcode mc = curl_multi_poll(multi, nullptr, 0, 0, &ready); mc != CURLM_OK) {
            multiFailed(mc);
            break;
        }
        if (ready > 0)
            continue;
        if (!t.handler.caughtUp()) {
            t.stoppedByHandler = true;
            outcome = outcomeOf(t, CURLE_WRITE_ERROR);
            break;
        }
        if (const CURLMcode mc = curl_multi_poll(multi, nullptr, 0, int(std::min<qint64>(idleLeft, kMaxPollMs)), nullptr);
            mc != CURLM_OK) {
            multiFailed(mc);
            break;
        }
    }
    cancellation.setWaker({});
    if (cancellation.isCancelled())
        return std::nullopt;
    return outcome;
}

} // namespace

namespace HttpClient {

std::unique_ptr<CameraAttempt> start(const HttpRequest &request, std::shared_ptr<HttpHandler> handler)
{
    std::unique_ptr<CameraAttempt> attempt = CameraClient::start([request, handler](Cancellation &cancellation) {
        std::optional<HttpOutcome> outcome;
        {
            Transfer transfer(request, *handler, cancellation);
            outcome = runTransfer(transfer, cancellation);
        }
        // After the connection is closed: whoever is told may start another.
        if (outcome && !cancellation.isCancelled())
            handler->finished(*outcome);
    });
    if (!attempt)
        handler->finished(failure(HttpOutcome::Failure::Other, {}, QStringLiteral("cannot start a thread for the camera")));
    return attempt;
}

} // namespace HttpClient
