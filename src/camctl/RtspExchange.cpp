#include "camctl/RtspExchange.h"

#include "base/Cp1252.h"
#include "camctl/HostLookup.h"
#include "camctl/StreamLimits.h"
#include "camctl/UrlCredentials.h"

#include <curl/curl.h>

#include <QStringList>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <limits>
#include <mutex>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace StreamLimits;

namespace {

// The thread looks at an idle camera at least this often.
constexpr int kMaxPollMs = 1000;
// TEARDOWN's answer is waited for this long on the way out, never on a cancel.
constexpr int kTeardownMs = 1000;
// Datagrams read from one socket before curl's connection gets its turn.
constexpr int kDatagramsPerTurn = 64;
// Ephemeral ports asked of the system for an even/odd pair.
constexpr int kPortPairTries = 32;
// What RTSP assumes when a camera names no time-out; past a day is a day.
constexpr int kDefaultSessionTimeoutS = 60;
constexpr int kMaxSessionTimeoutS = 24 * 3600;
// A camera's words quoted in a reason.
constexpr qsizetype kMaxQuotedBytes = 100;

qint64 nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

enum class Lower { Tcp, Udp };

QString nameOf(Lower lower)
{
    return lower == Lower::Tcp ? QStringLiteral("tcp") : QStringLiteral("udp");
}

// Addresses whose camera refused RTP over TCP and played over UDP. Never
// destroyed: camera threads still ending at exit may look at it.
struct TransportMemory
{
    std::mutex mutex;
    QStringList udp;  // oldest first
};

TransportMemory &transportMemory()
{
    static auto *memory = new TransportMemory;
    return *memory;
}

bool prefersUdp(const QString &address)
{
    TransportMemory &m = transportMemory();
    std::lock_guard lock(m.mutex);
    return m.udp.contains(address);
}

void remember(const QString &address, Lower lower)
{
    TransportMemory &m = transportMemory();
    std::lock_guard lock(m.mutex);
    m.udp.removeAll(address);
    if (lower == Lower::Udp)
        m.udp.append(address);
    while (m.udp.size() > kMaxRememberedTransports)
        m.udp.removeFirst();
}

// --- What answers say ------------------------------------------------------

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size() && qstrnicmp(text.data(), prefix.size(), prefix.data(), prefix.size()) == 0;
}

// "Name: value" when the line is that header; the value trimmed.
bool headerOf(QByteArrayView line, QByteArrayView name, QByteArray *value)
{
    if (line.size() <= name.size() || line[name.size()] != ':' || !startsWithNoCase(line, name))
        return false;
    *value = line.sliced(name.size() + 1).trimmed().toByteArray();
    return true;
}

// A camera's words for a reason: printable ASCII, short.
QString quoted(QByteArrayView text)
{
    QString out;
    for (char c : text.first(std::min(text.size(), kMaxQuotedBytes)))
        out += (c >= 0x20 && c < 0x7f) ? QChar::fromLatin1(c) : QChar(u'?');
    return out;
}

// The first transport of a SETUP answer: the one the camera chose.
struct TransportAnswer
{
    bool rtp = false;
    bool tcp = false;
    bool multicast = false;
    int rtpChannel = -1;
    int rtcpChannel = -1;
};

bool channelPair(QByteArrayView text, int *first, int *second)
{
    const qsizetype dash = text.indexOf('-');
    bool ok1 = false;
    bool ok2 = true;
    *first = text.first(dash < 0 ? text.size() : dash).toInt(&ok1);
    *second = dash < 0 ? *first + 1 : text.sliced(dash + 1).toInt(&ok2);
    return ok1 && ok2 && *first >= 0 && *first <= 255 && *second >= 0 && *second <= 255;
}

TransportAnswer parseTransport(QByteArrayView value)
{
    TransportAnswer t;
    const qsizetype comma = value.indexOf(',');
    const QList<QByteArray> parts = value.first(comma < 0 ? value.size() : comma).toByteArray().split(';');
    const QByteArray protocol = parts.value(0).trimmed().toUpper();
    t.rtp = protocol.startsWith("RTP/AVP");
    t.tcp = protocol.endsWith("/TCP");
    for (const QByteArray &part : parts.mid(1)) {
        const QByteArray p = part.trimmed().toLower();
        if (p == "multicast")
            t.multicast = true;
        else if (p.startsWith("interleaved=") && !channelPair(p.sliced(12), &t.rtpChannel, &t.rtcpChannel))
            t.rtpChannel = t.rtcpChannel = -1;
    }
    return t;
}

int sessionTimeoutS(const QByteArray &session)
{
    for (const QByteArray &part : session.split(';').mid(1)) {
        const QByteArray p = part.trimmed().toLower();
        bool ok = false;
        const int seconds = p.startsWith("timeout=") ? p.sliced(8).left(6).toInt(&ok) : 0;
        if (ok && seconds > 0)
            return std::min(seconds, kMaxSessionTimeoutS);
    }
    return kDefaultSessionTimeoutS;
}

// An address a camera wrote, without any user information in it: request
// lines never carry credentials.
QByteArray withoutUserInfo(QByteArray uri)
{
    const qsizetype start = uri.indexOf("://");
    if (start < 0)
        return uri;
    qsizetype end = uri.indexOf('/', start + 3);
    end = end < 0 ? uri.size() : end;
    const qsizetype at = uri.lastIndexOf('@', end - 1);
    if (at > start)
        uri.remove(start + 3, at - start - 2);
    return uri;
}

// A control attribute against the base. Relative ones are appended to the
// base as a path segment, as cameras expect, rather than resolved as a
// browser resolves a link: "trackID=1" under "rtsp://cam/live.sdp" is
// "rtsp://cam/live.sdp/trackID=1", and under a base with a query
// ("...?channel=1&subtype=0/") the query is kept.
QByteArray resolveControl(const QByteArray &base, const QByteArray &control)
{
    if (control.isEmpty() || control == "*")
        return base;
    if (startsWithNoCase(control, "rtsp://"))
        return withoutUserInfo(control);
    if (control.startsWith('/')) {
        const qsizetype path = base.indexOf('/', base.indexOf("://") + 3);
        return (path < 0 ? base : base.left(path)) + control;
    }
    return base + (base.endsWith('/') ? "" : "/") + control;
}

// The description's session-level a=control, when it names an address of
// its own: the aggregate address PLAY and the keep-alives go to.
QByteArray sessionControl(const QByteArray &sdp)
{
    for (QByteArray line : sdp.split('\n')) {
        line = line.trimmed();
        if (line.startsWith("m="))
            break;
        if (line.startsWith("a=control:") && startsWithNoCase(line.sliced(10).trimmed(), "rtsp://"))
            return withoutUserInfo(line.sliced(10).trimmed());
    }
    return {};
}

bool sameAddress(const sockaddr_storage &a, const sockaddr_storage &b)
{
    if (a.ss_family != b.ss_family)
        return false;
    if (a.ss_family == AF_INET)
        return reinterpret_cast<const sockaddr_in &>(a).sin_addr.s_addr
               == reinterpret_cast<const sockaddr_in &>(b).sin_addr.s_addr;
    if (a.ss_family == AF_INET6)
        return std::memcmp(&reinterpret_cast<const sockaddr_in6 &>(a).sin6_addr,
                           &reinterpret_cast<const sockaddr_in6 &>(b).sin6_addr, sizeof(in6_addr))
               == 0;
    return false;
}

// A numeric address as a socket address with port 0; false when it is not one.
bool socketAddress(const char *text, sockaddr_storage *address)
{
    *address = {};
    auto *v4 = reinterpret_cast<sockaddr_in *>(address);
    auto *v6 = reinterpret_cast<sockaddr_in6 *>(address);
    if (text && inet_pton(AF_INET, text, &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        return true;
    }
    if (text && inet_pton(AF_INET6, text, &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        return true;
    }
    return false;
}

int portOf(int fd)
{
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&bound), &length) != 0)
        return -1;
    return ntohs(bound.ss_family == AF_INET ? reinterpret_cast<sockaddr_in &>(bound).sin_port
                                            : reinterpret_cast<sockaddr_in6 &>(bound).sin6_port);
}

int boundUdpSocket(sockaddr_storage address, int port)
{
    const int fd = socket(address.ss_family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (address.ss_family == AF_INET)
        reinterpret_cast<sockaddr_in &>(address).sin_port = htons(quint16(port));
    else
        reinterpret_cast<sockaddr_in6 &>(address).sin6_port = htons(quint16(port));
    const socklen_t length = address.ss_family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    if (bind(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// --- One attempt ------------------------------------------------------------

enum class Method : long {
    Options = CURL_RTSPREQ_OPTIONS,
    Describe = CURL_RTSPREQ_DESCRIBE,
    Setup = CURL_RTSPREQ_SETUP,
    Play = CURL_RTSPREQ_PLAY,
    GetParameter = CURL_RTSPREQ_GET_PARAMETER,
    Teardown = CURL_RTSPREQ_TEARDOWN,
    Receive = CURL_RTSPREQ_RECEIVE,
};

QString nameOf(Method method)
{
    switch (method) {
    case Method::Options: return QStringLiteral("OPTIONS");
    case Method::Describe: return QStringLiteral("DESCRIBE");
    case Method::Setup: return QStringLiteral("SETUP");
    case Method::Play: return QStringLiteral("PLAY");
    case Method::GetParameter: return QStringLiteral("GET_PARAMETER");
    case Method::Teardown: return QStringLiteral("TEARDOWN");
    case Method::Receive: break;
    }
    return QStringLiteral("RECEIVE");
}

// What one request came back with. After a challenge the headers are those
// of the last answer, the one that counts.
struct Answer
{
    explicit Answer(Method m = Method::Options)
        : method(m)
    {
    }

    Method method;
    CURLcode code = CURLE_OK;
    int status = 0;
    QString refusal;  // a bound of ours broken
    QByteArray location;
    QByteArray transport;
    QByteArray session;
    QByteArray publicMethods;
    QByteArray contentBase;
    QByteArray contentLocation;
    qint64 headerBytes = 0;
    qint64 otherBodyBytes = 0;
    int challenges = 0;
    bool heardAnything = false;

    bool arrived() const { return code == CURLE_OK && refusal.isEmpty() && status != 0; }
    bool success() const { return arrived() && status >= 200 && status <= 299; }
    bool redirect() const { return arrived() && status >= 300 && status <= 399 && !location.isEmpty(); }
};

size_t onHeader(char *data, size_t size, size_t count, void *user);
size_t onBody(char *data, size_t size, size_t count, void *user);
size_t onInterleaved(void *data, size_t size, size_t count, void *user);

class Exchange
{
public:
    Exchange(const QUrl &url, int stallMs, RtspHandler &handler, Cancellation &cancellation)
        : m_url(url)
        , m_stallMs(stallMs)
        , m_handler(handler)
        , m_cancellation(cancellation)
    {
    }
    ~Exchange()
    {
        closeConnection();
        closeUdp();
    }
    Exchange(const Exchange &) = delete;
    Exchange &operator=(const Exchange &) = delete;

    // Why the attempt ended; empty when it was cancelled.
    QString run()
    {
        if (describe()) {
            QString refusal;
            const std::optional<QByteArray> control = m_handler.choose(m_sdp, &refusal);
            if (!control)
                end(refusal.isEmpty() ? QStringLiteral("the camera's description was refused") : refusal);
            else if (setUp(resolveControl(m_base, *control)) && play())
                receive();
        }
        m_leaving = true;
        if (m_sessionUp && m_connectionKept)
            teardown();
        return m_cancellation.isCancelled() ? QString() : m_end;
    }

    bool header(QByteArrayView line);
    size_t body(QByteArrayView bytes);
    size_t interleaved(QByteArrayView packet);

private:
    // Always false, so that a step can end the attempt and return at once.
    bool end(const QString &reason)
    {
        if (m_end.isEmpty())
            m_end = reason;
        return false;
    }
    bool ended() const { return !m_end.isEmpty() || m_cancellation.isCancelled(); }
    void touch() { m_lastActivityMs = nowMs(); }

    bool openConnection(const QUrl &hop);
    void closeConnection();
    bool describe();
    bool redirect();
    bool setUp(const QByteArray &control);
    bool trySetup(Lower lower, const QByteArray &control, QString *refusal);
    bool play();
    void receive();
    bool keepAlive();
    void teardown();
    bool perform(Method method, const QByteArray &uri);
    bool pump(bool transferring, qint64 untilMs, CURLcode *code);
    bool readDatagrams();
    bool caughtUp();
    bool openUdp(QString *why);
    void closeUdp();
    bool refused(Method method);

    const QUrl m_url;
    const int m_stallMs;
    RtspHandler &m_handler;
    Cancellation &m_cancellation;
    QString m_end;

    // The current address (the camera's, or where it redirected to) and
    // its one connection.
    QUrl m_hop;
    QString m_address;  // host:port, what the transport memory knows it by
    CURLM *m_multi = nullptr;
    CURL *m_easy = nullptr;
    curl_slist *m_resolve = nullptr;
    char m_curlError[CURL_ERROR_SIZE] = {};
    int m_redirects = 0;
    int m_setupRequests = 0;

    Answer m_answer;
    qint64 m_lastActivityMs = nowMs();
    qint64 m_lastCaughtUpMs = 0;

    QByteArray m_sdp;
    int m_sdpLines = 0;
    bool m_sdpLastWasCr = false;
    QByteArray m_base;     // what relative controls are read against
    QByteArray m_session;  // the aggregate address: PLAY, keep-alives, TEARDOWN
    Method m_keepAlive = Method::Options;
    bool m_keepAliveSwitched = false;
    bool m_keepAliveStopped = false;

    Lower m_lower = Lower::Tcp;
    int m_rtpChannel = -1;
    int m_rtcpChannel = -1;
    bool m_sessionUp = false;
    bool m_connectionKept = false;  // the last request left the connection open
    bool m_playing = false;
    bool m_leaving = false;
    int m_keepAliveMs = kDefaultSessionTimeoutS * 500;

    std::array<int, 2> m_udp = {-1, -1};  // RTP, RTCP
    sockaddr_storage m_camera{};
    QByteArray m_datagram;
};

bool Exchange::openConnection(const QUrl &hop)
{
    closeConnection();
    m_hop = hop;
    m_address = hop.host().toLower() + QLatin1Char(':') + QString::number(hop.port(554));
    // The system's lookup cannot be interrupted; curl is handed the address
    // the cancellable one found.
    QString lookupError;
    const QString host = hop.host(QUrl::FullyEncoded);
    const QString numeric = HostLookup::numericAddress(host, m_cancellation, &lookupError);
    if (m_cancellation.isCancelled())
        return false;
    if (numeric.isEmpty())
        return end(lookupError);
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    if (!m_multi || !m_easy)
        return end(QStringLiteral("out of memory"));
    CURL *e = m_easy;
    const QByteArray address = hop.toEncoded();
    if (numeric != host) {
        const bool v6 = numeric.contains(QLatin1Char(':'));
        const QString entry = QStringLiteral("%1:%2:").arg(host).arg(hop.port(554))
                              + (v6 ? QLatin1Char('[') + numeric + QLatin1Char(']') : numeric);
        m_resolve = curl_slist_append(nullptr, entry.toLatin1().constData());
        curl_easy_setopt(e, CURLOPT_RESOLVE, m_resolve);
    }
    curl_easy_setopt(e, CURLOPT_URL, address.constData());
    if (curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "rtsp") != CURLE_OK)
        return end(QStringLiteral("this libcurl cannot limit transfers to rtsp"));
    // Credentials go to the address's own host only, never where it redirects.
    const bool ownHost =
        hop.host().compare(m_url.host(), Qt::CaseInsensitive) == 0 && hop.port(554) == m_url.port(554);
    if (ownHost && (!m_url.userName().isEmpty() || !m_url.password().isEmpty())) {
        curl_easy_setopt(e, CURLOPT_USERNAME, Cp1252::fromText(m_url.userName(QUrl::FullyDecoded)).constData());
        curl_easy_setopt(e, CURLOPT_PASSWORD, Cp1252::fromText(m_url.password(QUrl::FullyDecoded)).constData());
        curl_easy_setopt(e, CURLOPT_HTTPAUTH, long(CURLAUTH_BASIC | CURLAUTH_DIGEST));
    }
    // Redirects are followed here: libcurl would keep asking for the old
    // stream address on the new connection.
    curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(e, CURLOPT_PROXY, "");
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_USERAGENT, "Ocellane");
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, long(m_stallMs));
    // A connection idle past 118 s is taken for dead and replaced; with
    // RTP over UDP the session's connection idles between keep-alives.
    curl_easy_setopt(e, CURLOPT_MAXAGE_CONN, long(kMaxSessionTimeoutS));
    curl_easy_setopt(e, CURLOPT_BUFFERSIZE, long(kMaxReadBytes));
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(e, CURLOPT_INTERLEAVEFUNCTION, onInterleaved);
    curl_easy_setopt(e, CURLOPT_INTERLEAVEDATA, this);
    curl_easy_setopt(e, CURLOPT_ERRORBUFFER, m_curlError);
    CURLM *multi = m_multi;
    m_cancellation.setWaker([multi] { curl_multi_wakeup(multi); });
    m_connectionKept = false;
    return true;
}

void Exchange::closeConnection()
{
    m_cancellation.setWaker({});
    curl_easy_cleanup(m_easy);
    curl_multi_cleanup(m_multi);
    curl_slist_free_all(m_resolve);
    m_easy = nullptr;
    m_multi = nullptr;
    m_resolve = nullptr;
}

// OPTIONS (what the camera offers for keep-alives) and DESCRIBE, following
// redirects; true once the description is held.
bool Exchange::describe()
{
    QUrl hop = m_url.adjusted(QUrl::RemoveUserInfo);
    for (;;) {
        if (!openConnection(hop))
            return false;
        const QByteArray uri = m_hop.toEncoded();
        if (!perform(Method::Options, uri))
            return false;
        if (m_answer.redirect()) {
            if (!redirect())
                return false;
            hop = m_hop;
            continue;
        }
        // A camera that does not know OPTIONS may still play; one that asks
        // for credentials here asks for them everywhere.
        if (!m_answer.arrived() || m_answer.status == 401)
            return refused(Method::Options);
        const bool offered = m_answer.success() && m_answer.publicMethods.toUpper().contains("GET_PARAMETER");
        m_keepAlive = offered ? Method::GetParameter : Method::Options;

        m_sdp.clear();
        m_sdpLines = 0;
        m_sdpLastWasCr = false;
        if (!perform(Method::Describe, uri))
            return false;
        if (m_answer.redirect()) {
            if (!redirect())
                return false;
            hop = m_hop;
            continue;
        }
        if (!m_answer.success())
            return refused(Method::Describe);
        if (!m_sdp.isEmpty() && !m_sdp.endsWith('\n') && !m_sdp.endsWith('\r'))
            ++m_sdpLines;
        if (m_sdpLines > kMaxSdpLines)
            return end(QStringLiteral("the camera's description has more than %1 lines").arg(kMaxSdpLines));
        // Where relative controls point: Content-Base, else Content-Location,
        // else the address asked.
        for (const QByteArray &candidate : {m_answer.contentBase, m_answer.contentLocation, uri}) {
            if (startsWithNoCase(candidate, "rtsp://")) {
                m_base = withoutUserInfo(candidate);
                break;
            }
        }
        m_session = sessionControl(m_sdp);
        if (m_session.isEmpty())
            m_session = m_base;
        return true;
    }
}

// Moves m_hop to where the answer points; false when that ends the attempt.
bool Exchange::redirect()
{
    if (++m_redirects > kMaxRedirects)
        return end(QStringLiteral("more than %1 redirects").arg(kMaxRedirects));
    const QUrl target = m_hop.resolved(QUrl::fromEncoded(m_answer.location));
    if (!target.isValid() || target.host().isEmpty()
        || target.scheme().compare(QLatin1String("rtsp"), Qt::CaseInsensitive) != 0)
        return end(QStringLiteral("redirected to an address that is not rtsp://"));
    m_hop = target.adjusted(QUrl::RemoveUserInfo);
    return true;
}

// SETUP of the chosen media over the transport this address played over
// last, then the other one. The camera's own answer is kept in the reason.
bool Exchange::setUp(const QByteArray &control)
{
    const Lower first = prefersUdp(m_address) ? Lower::Udp : Lower::Tcp;
    QStringList refusals;
    for (Lower lower : {first, first == Lower::Tcp ? Lower::Udp : Lower::Tcp}) {
        QString refusal;
        if (trySetup(lower, control, &refusal)) {
            if (lower != first || lower == Lower::Udp)
                remember(m_address, lower);
            if (lower == Lower::Tcp)
                closeUdp();
            return true;
        }
        if (ended())
            return false;
        refusals << refusal;
    }
    return end(QStringLiteral("the camera refused %1").arg(refusals.join(QStringLiteral(", and "))));
}

bool Exchange::trySetup(Lower lower, const QByteArray &control, QString *refusal)
{
    const QString over = lower == Lower::Tcp ? QStringLiteral("RTP over TCP") : QStringLiteral("RTP over UDP");
    QByteArray transport = "RTP/AVP/TCP;unicast;interleaved=0-1";
    if (lower == Lower::Udp) {
        QString why;
        if (m_udp[0] < 0 && !openUdp(&why)) {
            *refusal = over + QStringLiteral(" (") + why + QLatin1Char(')');
            return false;
        }
        transport = "RTP/AVP;unicast;client_port=" + QByteArray::number(portOf(m_udp[0])) + '-'
                    + QByteArray::number(portOf(m_udp[1]));
    }
    // A session a camera named before (in DESCRIBE's answer, or for a
    // transport it then got wrong) is not this one: libcurl would refuse
    // the SETUP answer's own session as a mismatch.
    curl_easy_setopt(m_easy, CURLOPT_RTSP_SESSION_ID, nullptr);
    curl_easy_setopt(m_easy, CURLOPT_RTSP_TRANSPORT, transport.constData());
    if (!perform(Method::Setup, control))
        return false;
    if (m_answer.status == 401 || !m_answer.arrived())
        return refused(Method::Setup);
    if (!m_answer.success()) {
        // Some cameras name the transports they would take.
        const QByteArray &offered = m_answer.transport;
        const QString offer = offered.isEmpty() ? QString() : QStringLiteral(", offering \"%1\"").arg(quoted(offered));
        *refusal = over + QStringLiteral(" (RTSP status %1%2)").arg(m_answer.status).arg(offer);
        return false;
    }
    const TransportAnswer t = parseTransport(m_answer.transport);
    const bool fits = t.rtp && !t.multicast && (lower == Lower::Tcp ? t.tcp && t.rtpChannel >= 0 : !t.tcp);
    if (!fits) {
        *refusal = over + QStringLiteral(" (it answered with \"%1\")").arg(quoted(m_answer.transport));
        // The session it made for a transport we cannot use is ended first.
        m_sessionUp = true;
        teardown();
        m_sessionUp = false;
        return false;
    }
    m_lower = lower;
    m_rtpChannel = t.rtpChannel;
    m_rtcpChannel = t.rtcpChannel;
    m_sessionUp = true;
    m_keepAliveMs = std::max<qint64>(kMinKeepAliveMs, qint64(sessionTimeoutS(m_answer.session)) * 500);
    return true;
}

bool Exchange::play()
{
    curl_easy_setopt(m_easy, CURLOPT_RANGE, "npt=0.000-");
    const bool done = perform(Method::Play, m_session);
    curl_easy_setopt(m_easy, CURLOPT_RANGE, nullptr);
    if (!done)
        return false;
    if (!m_answer.success())
        return refused(Method::Play);
    if (!m_playing) {
        m_playing = true;
        m_handler.playing(nameOf(m_lower));
    }
    return true;
}

// Packets until the attempt ends, with keep-alives at their rate between
// reads. Over TCP each read is a RECEIVE transfer on the session's
// connection, which ends after a batch of packets: a request is only ever
// sent between two.
void Exchange::receive()
{
    qint64 nextKeepAliveMs = nowMs() + m_keepAliveMs;
    for (;;) {
        if (nowMs() >= nextKeepAliveMs && !m_keepAliveStopped) {
            if (!keepAlive())
                return;
            nextKeepAliveMs = nowMs() + m_keepAliveMs;
        }
        if (m_lower == Lower::Udp) {
            CURLcode unused = CURLE_OK;
            const qint64 until = m_keepAliveStopped ? nowMs() + kMaxPollMs : nextKeepAliveMs;
            if (!pump(false, until, &unused))
                return;
            continue;
        }
        if (!perform(Method::Receive, {}))
            return;
        if (m_answer.code != CURLE_OK || !m_answer.refusal.isEmpty()) {
            refused(Method::Receive);
            return;
        }
        // A read that ends with nothing in it is the camera closing.
        if (!m_answer.heardAnything) {
            end(QStringLiteral("the camera closed the connection"));
            return;
        }
        if (m_playing && nowMs() - m_lastCaughtUpMs >= kMaxPollMs && !caughtUp())
            return;
    }
}

// One keep-alive; false when the attempt ends. A camera that refuses one
// method is asked with the other, and one that refuses both is no longer
// asked: it may not need them, asking again would only be refused again,
// and receiving goes on until it stops sending.
bool Exchange::keepAlive()
{
    if (!perform(m_keepAlive, m_session))
        return false;
    // Over TCP the packets come on this connection: losing it ends the attempt.
    if (m_lower == Lower::Tcp && (!m_answer.refusal.isEmpty() || m_answer.code != CURLE_OK))
        return refused(m_keepAlive);
    if (m_answer.success())
        return true;
    if (m_keepAliveSwitched) {
        m_keepAliveStopped = true;
    } else {
        m_keepAliveSwitched = true;
        m_keepAlive = m_keepAlive == Method::GetParameter ? Method::Options : Method::GetParameter;
    }
    return true;
}

// Best effort, on the way out: sent even when cancelled, its answer waited
// for a bounded time, and never once the cancel came.
void Exchange::teardown()
{
    m_answer = Answer(Method::Teardown);
    curl_easy_setopt(m_easy, CURLOPT_RTSP_REQUEST, long(Method::Teardown));
    curl_easy_setopt(m_easy, CURLOPT_RTSP_STREAM_URI, m_session.constData());
    if (curl_multi_add_handle(m_multi, m_easy) != CURLM_OK)
        return;
    const qint64 until = nowMs() + kTeardownMs;
    for (;;) {
        int running = 0;
        int queued = 0;
        if (curl_multi_perform(m_multi, &running) != CURLM_OK || curl_multi_info_read(m_multi, &queued)
            || m_cancellation.isCancelled() || nowMs() >= until)
            break;
        if (curl_multi_poll(m_multi, nullptr, 0, int(std::max<qint64>(1, until - nowMs())), nullptr) != CURLM_OK)
            break;
    }
    curl_multi_remove_handle(m_multi, m_easy);
}

// One request (or, for Receive, one read of interleaved packets) on the
// connection; its answer in m_answer. False when the attempt ends.
bool Exchange::perform(Method method, const QByteArray &uri)
{
    if (method != Method::Receive && !m_playing && ++m_setupRequests > kMaxSetupRequests)
        return end(QStringLiteral("more than %1 requests before the picture started").arg(kMaxSetupRequests));
    m_answer = Answer(method);
    m_curlError[0] = 0;
    curl_easy_setopt(m_easy, CURLOPT_RTSP_REQUEST, long(method));
    if (method != Method::Receive)
        curl_easy_setopt(m_easy, CURLOPT_RTSP_STREAM_URI, uri.constData());
    if (const CURLMcode mc = curl_multi_add_handle(m_multi, m_easy); mc != CURLM_OK)
        return end(QString::fromLatin1(curl_multi_strerror(mc)));
    CURLcode code = CURLE_OK;
    const bool done = pump(true, 0, &code);
    long connects = 0;
    curl_easy_getinfo(m_easy, CURLINFO_NUM_CONNECTS, &connects);
    curl_multi_remove_handle(m_multi, m_easy);
    // A transfer taken out unfinished (a cancel, a stall) closes its
    // connection: with RTP over TCP that ends the session at the camera, so
    // no TEARDOWN is sent then, which would only connect again.
    if (!done) {
        m_connectionKept = false;
        return false;
    }
    // libcurl checks that each answer's CSeq is its request's; cameras that
    // number their answers wrongly or not at all play anyway, as they do
    // for other clients, since only one request is ever outstanding here.
    m_answer.code = code == CURLE_RTSP_CSEQ_ERROR ? CURLE_OK : code;
    // A failed transfer closes its connection; a session over TCP is gone
    // with it, and so is one libcurl had to connect again for.
    m_connectionKept = m_answer.code == CURLE_OK && m_answer.refusal.isEmpty();
    if (m_sessionUp && m_lower == Lower::Tcp && connects > 0)
        return end(QStringLiteral("the camera closed the connection"));
    return true;
}

// Runs the multi handle until the transfer in it ends (transferring) or
// until untilMs, reading the UDP sockets alongside; false when the attempt
// ends. The transfer's result goes to *code.
bool Exchange::pump(bool transferring, qint64 untilMs, CURLcode *code)
{
    while (!ended()) {
        int running = 0;
        if (const CURLMcode mc = curl_multi_perform(m_multi, &running); mc != CURLM_OK)
            return end(QString::fromLatin1(curl_multi_strerror(mc)));
        int queued = 0;
        if (CURLMsg *msg = curl_multi_info_read(m_multi, &queued); msg && msg->msg == CURLMSG_DONE) {
            *code = msg->data.result;
            return !ended();
        }
        if (ended() || !readDatagrams())
            return false;
        const qint64 now = nowMs();
        const qint64 stallLeft = m_lastActivityMs + m_stallMs - now;
        if (stallLeft <= 0)
            return end(QStringLiteral("no data for %1 ms").arg(m_stallMs));
        if (!transferring && now >= untilMs)
            return true;
        std::array<curl_waitfd, 2> fds{};
        unsigned count = 0;
        for (int fd : m_udp) {
            if (fd >= 0)
                fds[count++] = curl_waitfd{fd, CURL_WAIT_POLLIN, 0};
        }
        // Bytes already waiting are read before anything acts on them.
        int ready = 0;
        if (const CURLMcode mc = curl_multi_poll(m_multi, fds.data(), count, 0, &ready); mc != CURLM_OK)
            return end(QString::fromLatin1(curl_multi_strerror(mc)));
        if (m_playing && (ready == 0 || now - m_lastCaughtUpMs >= kMaxPollMs) && !caughtUp())
            return false;
        if (ready > 0)
            continue;
        qint64 wait = std::min<qint64>(stallLeft, kMaxPollMs);
        if (!transferring)
            wait = std::min(wait, untilMs - now);
        if (const CURLMcode mc = curl_multi_poll(m_multi, fds.data(), count, int(wait), nullptr); mc != CURLM_OK)
            return end(QString::fromLatin1(curl_multi_strerror(mc)));
    }
    return false;
}

bool Exchange::caughtUp()
{
    m_lastCaughtUpMs = nowMs();
    QString reason;
    if (m_handler.caughtUp(&reason))
        return true;
    return end(reason.isEmpty() ? QStringLiteral("stopped by the receiver") : reason);
}

// Datagrams from the camera's address, RTP and RTCP; others are dropped.
bool Exchange::readDatagrams()
{
    for (size_t i = 0; i < m_udp.size(); ++i) {
        for (int n = 0; m_udp[i] >= 0 && n < kDatagramsPerTurn; ++n) {
            sockaddr_storage from{};
            socklen_t length = sizeof from;
            const ssize_t got = recvfrom(m_udp[i], m_datagram.data(), size_t(m_datagram.size()), MSG_DONTWAIT,
                                         reinterpret_cast<sockaddr *>(&from), &length);
            if (got < 0)
                break;
            if (!sameAddress(from, m_camera))
                continue;
            touch();
            QString reason;
            if (m_playing && !m_leaving && got > 0
                && !m_handler.packet(i == 1, QByteArrayView(m_datagram.constData(), got), &reason))
                return end(reason.isEmpty() ? QStringLiteral("stopped by the receiver") : reason);
        }
    }
    return true;
}

// An even port for RTP and the next one for RTCP, on the local address that
// reached the camera, so its packets come back the way its answers did.
bool Exchange::openUdp(QString *why)
{
    char *local = nullptr;
    char *camera = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_LOCAL_IP, &local);
    curl_easy_getinfo(m_easy, CURLINFO_PRIMARY_IP, &camera);
    sockaddr_storage address{};
    if (!socketAddress(local, &address) || !socketAddress(camera, &m_camera)) {
        *why = QStringLiteral("no local address for UDP");
        return false;
    }
    for (int tries = 0; tries < kPortPairTries; ++tries) {
        closeUdp();
        m_udp[0] = boundUdpSocket(address, 0);
        const int port = m_udp[0] < 0 ? -1 : portOf(m_udp[0]);
        if (port > 0 && port % 2 == 0 && port < 65535)
            m_udp[1] = boundUdpSocket(address, port + 1);
        if (m_udp[1] >= 0) {
            // Room for a burst of a large picture's packets while the
            // thread is busy; the system caps it.
            const int buffer = 1024 * 1024;
            setsockopt(m_udp[0], SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
            m_datagram.resize(65536);
            return true;
        }
    }
    closeUdp();
    *why = QStringLiteral("no pair of UDP ports");
    return false;
}

void Exchange::closeUdp()
{
    for (int &fd : m_udp) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

// Ends the attempt with what went wrong with the request in m_answer.
bool Exchange::refused(Method method)
{
    const Answer &a = m_answer;
    if (!a.refusal.isEmpty())
        return end(a.refusal);
    if (a.code == CURLE_OK && a.status == 401) {
        const bool given = !m_url.userName().isEmpty() || !m_url.password().isEmpty();
        return end(given ? QStringLiteral("the camera refused the user and password (RTSP status 401)")
                         : QStringLiteral("the camera asks for a user and password (RTSP status 401)"));
    }
    if (a.code == CURLE_OK && a.status != 0)
        return end(QStringLiteral("the camera answered %1 with RTSP status %2").arg(nameOf(method)).arg(a.status));
    switch (a.code) {
    case CURLE_OK:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_PARTIAL_FILE:
        return end(QStringLiteral("the camera closed the connection"));
    case CURLE_COULDNT_CONNECT:
        return end(QStringLiteral("connection refused"));
    case CURLE_OPERATION_TIMEDOUT:
        return end(QStringLiteral("no data for %1 ms").arg(m_stallMs));
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
        return end(QStringLiteral("the camera's answer to %1 is not RTSP").arg(nameOf(method)));
    case CURLE_OUT_OF_MEMORY:
        // libcurl's answer to a header line over its own bound (100 KB).
        return end(QStringLiteral("an answer line too long"));
    case CURLE_RTSP_SESSION_ERROR:
        return end(QStringLiteral("the camera answered %1 for another session").arg(nameOf(method)));
    default:
        break;
    }
    QString error = QString::fromLatin1(curl_easy_strerror(a.code));
    if (m_curlError[0])
        error += QStringLiteral(": ") + QString::fromLatin1(m_curlError);
    return end(error);
}

// One header line of an answer; false ends the request.
bool Exchange::header(QByteArrayView line)
{
    if (m_cancellation.isCancelled())
        return false;
    touch();
    Answer &a = m_answer;
    a.heardAnything = true;
    a.headerBytes += line.size();
    if (a.headerBytes > kMaxHeaderBytes) {
        a.refusal = QStringLiteral("answer headers longer than %1 bytes").arg(kMaxHeaderBytes);
        return false;
    }
    line = line.trimmed();
    const bool success = a.status >= 200 && a.status <= 299;
    if (startsWithNoCase(line, "RTSP/")) {
        // A new answer: after a challenge, only the last one's headers
        // count; the bounds count them all.
        Answer next(a.method);
        next.heardAnything = true;
        next.headerBytes = a.headerBytes;
        next.otherBodyBytes = a.otherBodyBytes;
        next.challenges = a.challenges;
        const qsizetype space = line.indexOf(' ');
        next.status = space < 0 ? 0 : line.sliced(space + 1).toByteArray().left(3).toInt();
        a = next;
        if (a.status == 401 && ++a.challenges > kMaxChallenges) {
            a.refusal = QStringLiteral("the camera asked for credentials more than %1 times").arg(kMaxChallenges);
            return false;
        }
        return true;
    }
    // PLAY's answer is whole before the packets behind it are read.
    if (line.isEmpty() && a.method == Method::Play && success && !m_playing) {
        m_playing = true;
        m_handler.playing(nameOf(m_lower));
        return true;
    }
    QByteArray value;
    if (headerOf(line, "Content-Length", &value)) {
        const qint64 length = value.size() > 12 ? std::numeric_limits<qint64>::max() : value.toLongLong();
        if (a.method == Method::Describe && success && length > kMaxSdpBytes) {
            a.refusal = QStringLiteral("the camera's description is longer than %1 bytes").arg(kMaxSdpBytes);
            return false;
        }
        // libcurl reads and drops the body of a challenge it answers,
        // without handing it on: the length is all there is to bound.
        if (!success && length > kMaxErrorBodyBytes) {
            a.refusal = QStringLiteral("an error answer longer than %1 bytes").arg(kMaxErrorBodyBytes);
            return false;
        }
    }
    if (headerOf(line, "Location", &value))
        a.location = value;
    else if (headerOf(line, "Transport", &value))
        a.transport = value;
    else if (headerOf(line, "Session", &value))
        a.session = value;
    else if (headerOf(line, "Public", &value))
        a.publicMethods = value;
    else if (headerOf(line, "Content-Base", &value))
        a.contentBase = value;
    else if (headerOf(line, "Content-Location", &value))
        a.contentLocation = value;
    return true;
}

size_t Exchange::body(QByteArrayView bytes)
{
    if (m_cancellation.isCancelled())
        return 0;
    touch();
    Answer &a = m_answer;
    a.heardAnything = true;
    if (a.method == Method::Describe && a.status >= 200 && a.status <= 299) {
        if (m_sdp.size() + bytes.size() > kMaxSdpBytes) {
            a.refusal = QStringLiteral("the camera's description is longer than %1 bytes").arg(kMaxSdpBytes);
            return 0;
        }
        // CRLF, LF and a lone CR each end a line.
        for (char c : bytes) {
            if (c == '\r' || (c == '\n' && !m_sdpLastWasCr))
                ++m_sdpLines;
            m_sdpLastWasCr = c == '\r';
        }
        if (m_sdpLines > kMaxSdpLines) {
            a.refusal = QStringLiteral("the camera's description has more than %1 lines").arg(kMaxSdpLines);
            return 0;
        }
        m_sdp += bytes;
        return size_t(bytes.size());
    }
    // Error pages, and bytes between packets that are neither: read, dropped, bounded.
    a.otherBodyBytes += bytes.size();
    if (a.otherBodyBytes > kMaxErrorBodyBytes) {
        a.refusal = QStringLiteral("more than %1 bytes the camera sent were neither answers nor packets")
                        .arg(kMaxErrorBodyBytes);
        return 0;
    }
    return size_t(bytes.size());
}

// One '$' frame: channel, 16-bit length, packet. Channels other than the
// chosen media's are dropped.
size_t Exchange::interleaved(QByteArrayView frame)
{
    if (m_cancellation.isCancelled())
        return 0;
    touch();
    m_answer.heardAnything = true;
    if (frame.size() < 4 || m_leaving || !m_playing)
        return size_t(frame.size());
    const int channel = quint8(frame[1]);
    if (channel != m_rtpChannel && channel != m_rtcpChannel)
        return size_t(frame.size());
    QString reason;
    if (!m_handler.packet(channel == m_rtcpChannel, frame.sliced(4), &reason)) {
        end(reason.isEmpty() ? QStringLiteral("stopped by the receiver") : reason);
        return 0;
    }
    return size_t(frame.size());
}

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    const size_t length = size * count;
    return static_cast<Exchange *>(user)->header(QByteArrayView(data, qsizetype(length))) ? length : 0;
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    return static_cast<Exchange *>(user)->body(QByteArrayView(data, qsizetype(size * count)));
}

size_t onInterleaved(void *data, size_t size, size_t count, void *user)
{
    const auto *bytes = static_cast<const char *>(data);
    return static_cast<Exchange *>(user)->interleaved(QByteArrayView(bytes, qsizetype(size * count)));
}

} // namespace

namespace RtspExchange {

std::unique_ptr<CameraAttempt> start(const QUrl &url, int stallMs, std::shared_ptr<RtspHandler> handler)
{
    std::unique_ptr<CameraAttempt> attempt = CameraClient::start([url, stallMs, handler](Cancellation &cancellation) {
        QString reason;
        {
            Exchange exchange(url, stallMs, *handler, cancellation);
            reason = exchange.run();
        }
        // After the connection is closed: whoever is told may start another.
        // libcurl's words may name the address; masked like everything else.
        if (!cancellation.isCancelled())
            handler->finished(UrlCredentials::redacted(reason, url));
    });
    if (!attempt)
        handler->finished(QStringLiteral("cannot start a thread for the camera"));
    return attempt;
}

} // namespace RtspExchange
