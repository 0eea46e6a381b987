#include "camctl/StreamEngine.h"

#include "camctl/DecodeQueue.h"
#include "camctl/Handoff.h"
#include "camctl/HttpClient.h"
#include "camctl/JpegDecoder.h"
#include "camctl/MultipartReader.h"
#include "camctl/RtspClient.h"
#include "camctl/StreamSession.h"
#include "camctl/UrlCredentials.h"

StreamEngine::StreamEngine(QObject *parent, std::shared_ptr<JpegDecoder> decoder)
    : QObject(parent)
    , m_handoff(std::make_shared<Handoff>(this))
    , m_shared(std::make_shared<StreamShared>())
    , m_decodes(new DecodeQueue(decoder ? std::move(decoder) : std::make_shared<TurboJpegDecoder>(), this))
{
    for (QTimer *t : {&m_retry, &m_refetch})
        t->setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        ++m_stats.reconnects;
        connectNow();
    });
    connect(&m_refetch, &QTimer::timeout, this, &StreamEngine::connectNow);
    connect(m_decodes, &DecodeQueue::decoded, this, &StreamEngine::onDecoded);
    connect(m_decodes, &DecodeQueue::failed, this, &StreamEngine::onDecodeFailed);
    m_backoffMs = m_timings.backoffStartMs;
}

StreamEngine::~StreamEngine()
{
    m_handoff->close();
    closeConnection();
}

void StreamEngine::setTimings(const StreamTimings &timings)
{
    m_timings = timings;
    m_backoffMs = m_timings.backoffStartMs;
}

void StreamEngine::setTargetSize(QSize size)
{
    m_shared->setTarget(size);
}

StreamStats StreamEngine::stats() const
{
    StreamStats s = m_stats;
    s.parts = m_shared->parts.load();
    s.skippedParts = m_shared->skippedParts.load();
    s.droppedParts = m_shared->droppedParts.load();
    s.resyncs = m_shared->resyncs.load();
    s.decodeErrors += m_shared->decodeErrors.load();
    return s;
}

QByteArray StreamEngine::frameHeader(QByteArrayView name) const
{
    return MultipartReader::headerValue(m_frameHeaders, name);
}

int StreamEngine::waitingDecodes() const
{
    return m_decodes->waitingCount();
}

void StreamEngine::setUrl(const QString &url)
{
    stop();
    m_urlText = url;
    if (url.trimmed().isEmpty())
        return;
    m_url = QUrl(url.trimmed(), QUrl::TolerantMode);
    connectNow();
}

void StreamEngine::stop()
{
    ++m_generation;  // pictures still decoding belong to the old address
    m_decodes->clearWaiting();
    m_frameHeaders.clear();
    m_frameCaptureUs = 0;
    m_urlText.clear();
    m_url.clear();
    closeConnection();
    m_retry.stop();
    m_refetch.stop();
    m_backoffMs = m_timings.backoffStartMs;
}

void StreamEngine::connectNow()
{
    closeConnection();
    const QString scheme = m_url.scheme().toLower();
    const bool rtsp = RtspClient::isRtspUrl(m_url);
    if (!m_url.isValid() || m_url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https") && !rtsp)) {
        fail(QStringLiteral("not an http or rtsp address: ") + UrlCredentials::displayUrl(m_url));
        return;
    }
    if (rtsp) {
        connectRtsp();
        return;
    }
    HttpRequest request;
    request.url = m_url;
    request.connectTimeoutMs = m_timings.byteStallMs;
    request.idleTimeoutMs = m_timings.byteStallMs;
    const quint64 attempt = ++m_attempt;
    std::shared_ptr<Handoff> handoff = m_handoff;
    auto onEnd = [handoff, attempt, this](StreamSession::End end, const QString &reason) {
        handoff->post([this, attempt, end, reason] {
            attemptEnded(attempt, end == StreamSession::End::StillPicture, reason);
        });
    };
    m_transfer = HttpClient::start(
        request, std::make_shared<StreamSession>(m_generation, m_decodes->inlet(), m_shared, std::move(onEnd)));
    ++m_stats.connections;
}

void StreamEngine::connectRtsp()
{
    RtspRequest request;
    request.url = m_url;
    request.stallMs = m_timings.byteStallMs;
    const quint64 attempt = ++m_attempt;
    const quint64 generation = m_generation;
    std::shared_ptr<Handoff> handoff = m_handoff;
    std::shared_ptr<StreamShared> shared = m_shared;
    // Set from the attempt's thread when it hands a picture over, cleared
    // here once the picture is delivered: one picture at most is on its way.
    auto inFlight = std::make_shared<std::atomic<bool>>(false);
    RtspCalls calls;
    calls.target = [shared] { return shared->target(); };
    calls.opened = [handoff, attempt, this](const RtspStreamInfo &info) {
        handoff->post([this, attempt, info] { rtspOpened(attempt, info); });
    };
    calls.ready = [inFlight, shared] {
        if (!inFlight->load())
            return true;
        ++shared->droppedParts;
        return false;
    };
    calls.picture = [handoff, generation, inFlight, shared, this](QImage image, qint64 captureUs) {
        ++shared->parts;
        inFlight->store(true);
        handoff->post([this, generation, inFlight, captureUs, image = std::move(image)] {
            inFlight->store(false);
            if (generation == m_generation)
                m_frameCaptureUs = captureUs;
            onDecoded(image, QByteArray(), generation, QByteArray());
        });
    };
    calls.decodeError = [shared] { ++shared->decodeErrors; };
    calls.ended = [handoff, attempt, this](const QString &reason) {
        handoff->post([this, attempt, reason] { attemptEnded(attempt, false, reason); });
    };
    m_rtsp = RtspClient::start(request, std::move(calls));
    ++m_stats.connections;
}

void StreamEngine::rtspOpened(quint64 attempt, const RtspStreamInfo &info)
{
    if (attempt != m_attempt || !isConnected())
        return;
    m_stats.source = QStringLiteral("%1 %2x%3").arg(info.codec).arg(info.size.width()).arg(info.size.height());
    if (info.fps > 0)
        m_stats.source += QStringLiteral(" %1 fps").arg(info.fps, 0, 'g', 4);
    Q_EMIT statsChanged();
}

void StreamEngine::closeConnection()
{
    // The worker drops the connection at its next turn; nothing waits.
    m_transfer.reset();
    m_rtsp.reset();
}

void StreamEngine::attemptEnded(quint64 attempt, bool stillPicture, const QString &reason)
{
    // An attempt already closed here (a new address, a stop) is over.
    if (attempt != m_attempt || !isConnected())
        return;
    if (!stillPicture) {
        fail(reason);
        return;
    }
    closeConnection();
    m_refetch.start(m_timings.stillRefetchMs);
}

void StreamEngine::fail(const QString &reason)
{
    // The reason is masked before it is kept or shown anywhere.
    m_stats.lastError = UrlCredentials::redacted(reason, m_url);
    closeConnection();
    m_retry.start(m_backoffMs);
    m_backoffMs = qMin(m_backoffMs * 2, m_timings.backoffMaxMs);
    Q_EMIT statsChanged();
}

void StreamEngine::onDecoded(const QImage &image, const QByteArray &jpeg, quint64 generation,
                             const QByteArray &headers)
{
    if (generation != m_generation)
        return;
    ++m_stats.frames;
    m_frameHeaders = headers;
    m_backoffMs = m_timings.backoffStartMs;
    Q_EMIT frameReady(image, jpeg);
}

void StreamEngine::onDecodeFailed(const QString &error, quint64 generation)
{
    if (generation != m_generation)
        return;
    ++m_stats.decodeErrors;
    m_stats.lastError = error;
    Q_EMIT statsChanged();
}
