#include "camctl/HttpClient.h"

#include "base/Cp1252.h"
#include "camctl/UrlCredentials.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr long kMaxRedirects = 5;
// Read size per call: a 300 KB picture in a handful of calls.
constexpr long kReadBufferBytes = 64 * 1024;
// The worker looks at idle transfers at least this often.
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

} // namespace

struct HttpTransfer::State
{
    std::shared_ptr<HttpHandler> handler;
    HttpRequest request;
    std::atomic<bool> cancelled{false};

    // The worker's alone from here on.
    CURL *easy = nullptr;
    HttpHead head;
    qint64 lastActivityMs = 0;
    qint64 headerBytes = 0;
    qint64 errorBodyBytes = 0;
    int challenges = 0;
    bool stoppedByHandler = false;
    QString refusal;  // a bound of ours broken
    char curlError[CURL_ERROR_SIZE] = {};

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

namespace {

using State = HttpTransfer::State;

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *s = static_cast<State *>(user);
    const size_t length = size * count;
    if (s->cancelled.load(std::memory_order_relaxed))
        return 0;
    s->lastActivityMs = nowMs();
    s->headerBytes += qint64(length);
    if (s->headerBytes > HttpClient::kMaxHeaderBytes) {
        s->refuse(QStringLiteral("headers longer than %1 bytes").arg(HttpClient::kMaxHeaderBytes));
        return 0;
    }
    const QByteArrayView line(data, qsizetype(length));
    if (line.startsWith("HTTP/")) {
        const int status = statusOfLine(line);
        if ((status == 401 || status == 407) && ++s->challenges > HttpClient::kMaxChallenges) {
            s->refuse(QStringLiteral("the camera asked for credentials more than %1 times")
                          .arg(HttpClient::kMaxChallenges));
            return 0;
        }
    }
    return length;
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *s = static_cast<State *>(user);
    const size_t length = size * count;
    if (s->cancelled.load(std::memory_order_relaxed))
        return 0;
    s->lastActivityMs = nowMs();
    s->readHead();
    if (s->head.status < 200 || s->head.status > 299) {
        s->errorBodyBytes += qint64(length);
        return s->errorBodyBytes > HttpClient::kMaxErrorBodyBytes ? 0 : length;
    }
    if (!s->handler->body(s->head, QByteArrayView(data, qsizetype(length)))) {
        s->stoppedByHandler = true;
        return 0;
    }
    return length;
}

HttpOutcome outcomeOf(State &s, CURLcode code)
{
    using F = HttpOutcome::Failure;
    HttpOutcome o;
    s.readHead();
    o.head = s.head;
    QString error;
    if (s.stoppedByHandler) {
        o.failure = F::Stopped;
        error = QStringLiteral("stopped by the receiver");
    } else if (!s.refusal.isEmpty()) {
        o.failure = F::Refusing;
        error = s.refusal;
    } else if (o.head.status != 0 && (o.head.status < 200 || o.head.status > 299)
               && (code == CURLE_OK || code == CURLE_WRITE_ERROR)) {
        // The answer is what counts, whether or not its body was read.
        o.failure = F::None;
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
            error = QStringLiteral("redirected to an address that is not allowed");
            break;
        default:
            o.failure = F::Other;
            error = QString::fromLatin1(curl_easy_strerror(code));
            if (s.curlError[0])
                error += QStringLiteral(": ") + QString::fromLatin1(s.curlError);
            break;
        }
    }
    // curl's own words may name the address; masked before anything is
    // built from them.
    o.error = UrlCredentials::redacted(error, s.request.url);
    return o;
}

class Worker
{
public:
    Worker()
    {
        curl_global_init(CURL_GLOBAL_DEFAULT);
        m_multi = curl_multi_init();
        m_thread = std::thread([this] { run(); });
    }

    ~Worker()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        curl_multi_wakeup(m_multi);
        m_thread.join();
        for (const auto &s : m_running)
            drop(*s);
        curl_multi_cleanup(m_multi);
    }

    void submit(std::shared_ptr<State> state)
    {
        ++m_active;
        {
            std::lock_guard lock(m_mutex);
            m_incoming.push_back(std::move(state));
        }
        curl_multi_wakeup(m_multi);
    }

    void cancel(const std::shared_ptr<State> &state)
    {
        if (state->cancelled.exchange(true))
            return;
        {
            std::lock_guard lock(m_mutex);
            m_cancelled.push_back(state);
        }
        curl_multi_wakeup(m_multi);
    }

    int active() const { return m_active.load(); }

private:
    void run()
    {
        for (;;) {
            std::vector<std::shared_ptr<State>> incoming;
            std::vector<std::shared_ptr<State>> cancelled;
            {
                std::lock_guard lock(m_mutex);
                if (m_stopping)
                    return;
                incoming.swap(m_incoming);
                cancelled.swap(m_cancelled);
            }
            for (auto &s : incoming)
                begin(std::move(s));
            for (const auto &s : cancelled)
                remove(s.get());

            int running = 0;
            curl_multi_perform(m_multi, &running);
            int queued = 0;
            while (CURLMsg *msg = curl_multi_info_read(m_multi, &queued)) {
                if (msg->msg != CURLMSG_DONE)
                    continue;
                CURL *easy = msg->easy_handle;
                const CURLcode code = msg->data.result;
                State *s = nullptr;
                curl_easy_getinfo(easy, CURLINFO_PRIVATE, &s);
                end(s, outcomeOf(*s, code));
            }
            curl_multi_poll(m_multi, nullptr, 0, endIdleTransfers(), nullptr);
        }
    }

    // Ends what has been silent too long; the time until the next such end.
    int endIdleTransfers()
    {
        const qint64 now = nowMs();
        qint64 wait = kMaxPollMs;
        std::vector<State *> idle;
        for (const auto &s : m_running) {
            const qint64 due = s->lastActivityMs + s->request.idleTimeoutMs;
            if (due <= now)
                idle.push_back(s.get());
            else
                wait = std::min(wait, due - now);
        }
        for (State *s : idle) {
            HttpOutcome o;
            o.failure = HttpOutcome::Failure::Idle;
            o.head = s->head;
            o.error = QStringLiteral("no data for %1 ms").arg(s->request.idleTimeoutMs);
            end(s, o);
        }
        return int(wait);
    }

    void begin(std::shared_ptr<State> s)
    {
        if (s->cancelled) {
            --m_active;
            return;
        }
        CURL *e = curl_easy_init();
        s->easy = e;
        s->lastActivityMs = nowMs();
        const QUrl &url = s->request.url;
        const QByteArray address = url.adjusted(QUrl::RemoveUserInfo).toEncoded();
        curl_easy_setopt(e, CURLOPT_URL, address.constData());
        if (!url.userName().isEmpty() || !url.password().isEmpty()) {
            curl_easy_setopt(e, CURLOPT_USERNAME, Cp1252::fromText(url.userName(QUrl::FullyDecoded)).constData());
            curl_easy_setopt(e, CURLOPT_PASSWORD, Cp1252::fromText(url.password(QUrl::FullyDecoded)).constData());
            curl_easy_setopt(e, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST));
        }
        const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        // Never from https down to http.
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(e, CURLOPT_PROXY, "");
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(s->request.connectTimeoutMs));
        if (s->request.totalTimeoutMs > 0)
            curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, long(s->request.totalTimeoutMs));
        curl_easy_setopt(e, CURLOPT_FORBID_REUSE, 1L);
        curl_easy_setopt(e, CURLOPT_FRESH_CONNECT, 1L);
        curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kReadBufferBytes);
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, s.get());
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, s.get());
        curl_easy_setopt(e, CURLOPT_PRIVATE, s.get());
        curl_easy_setopt(e, CURLOPT_ERRORBUFFER, s->curlError);
        curl_multi_add_handle(m_multi, e);
        m_running.push_back(std::move(s));
    }

    void drop(State &s)
    {
        curl_multi_remove_handle(m_multi, s.easy);
        curl_easy_cleanup(s.easy);
        s.easy = nullptr;
    }

    std::shared_ptr<State> take(State *s)
    {
        auto it = std::find_if(m_running.begin(), m_running.end(), [s](const auto &p) { return p.get() == s; });
        if (it == m_running.end())
            return {};
        std::shared_ptr<State> kept = std::move(*it);
        m_running.erase(it);
        drop(*kept);
        --m_active;
        return kept;
    }

    void remove(State *s) { take(s); }

    void end(State *s, const HttpOutcome &outcome)
    {
        const std::shared_ptr<State> kept = take(s);
        if (kept && !kept->cancelled)
            kept->handler->finished(outcome);
    }

    CURLM *m_multi = nullptr;
    std::thread m_thread;
    std::mutex m_mutex;  // guards the three below, held only to swap them
    std::vector<std::shared_ptr<State>> m_incoming;
    std::vector<std::shared_ptr<State>> m_cancelled;
    bool m_stopping = false;
    std::vector<std::shared_ptr<State>> m_running;  // the worker's alone
    std::atomic<int> m_active{0};
};

Worker &worker()
{
    static Worker instance;
    return instance;
}

} // namespace

HttpTransfer::HttpTransfer(std::shared_ptr<State> state)
    : m_state(std::move(state))
{
}

HttpTransfer::~HttpTransfer()
{
    cancel();
}

void HttpTransfer::cancel()
{
    worker().cancel(m_state);
}

namespace HttpClient {

std::unique_ptr<HttpTransfer> start(const HttpRequest &request, std::shared_ptr<HttpHandler> handler)
{
    auto state = std::make_shared<State>();
    state->request = request;
    state->handler = std::move(handler);
    worker().submit(state);
    return std::make_unique<HttpTransfer>(std::move(state));
}

int activeTransfers()
{
    return worker().active();
}

} // namespace HttpClient
