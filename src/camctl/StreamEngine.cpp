#include "camctl/StreamEngine.h"

#include "camctl/DecodeQueue.h"
#include "camctl/JpegDecoder.h"
#include "camctl/PartFilter.h"
#include "camctl/StreamLimits.h"
#include "camctl/UrlCredentials.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// Redirect hops followed before the address counts as failed.
constexpr int kMaxRedirects = 5;
// How far Qt's network thread reads ahead of us: a busy receiver slows the
// camera's connection instead of filling memory.
constexpr qint64 kMaxNetworkBuffer = 1024 * 1024;

} // namespace

StreamEngine::StreamEngine(QObject *parent, std::shared_ptr<JpegDecoder> decoder)
    : QObject(parent)
    , m_decodes(new DecodeQueue(decoder ? std::move(decoder) : std::make_shared<TurboJpegDecoder>(), this))
{
    for (QTimer *t : {&m_byteStall, &m_frameStall, &m_retry, &m_refetch})
        t->setSingleShot(true);
    connect(&m_byteStall, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no data for %1 ms").arg(m_timings.byteStallMs)); });
    connect(&m_frameStall, &QTimer::timeout, this,
            [this] { fail(QStringLiteral("no picture for %1 ms").arg(m_timings.frameStallMs)); });
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
    closeConnection();
}

void StreamEngine::setTimings(const StreamTimings &timings)
{
    m_timings = timings;
    m_backoffMs = m_timings.backoffStartMs;
}

void StreamEngine::setTargetSize(QSize size)
{
    m_target = size;
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
    if (!m_url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        fail(QStringLiteral("not an http address: %1").arg(UrlCredentials::displayUrl(m_url)));
        return;
    }
    if (!m_nam)
        m_nam = std::make_unique<QNetworkAccessManager>();
    QNetworkRequest request(m_url);
    // Never to a less safe scheme; the cache of credentials is per host, so
    // a redirect elsewhere gets none of them.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    m_reply = m_nam->get(request);
    m_reply->setReadBufferSize(kMaxNetworkBuffer);
    m_mode = Mode::Undecided;
    m_reader.reset();
    m_still.clear();
    connect(m_reply, &QNetworkReply::readyRead, this, &StreamEngine::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &StreamEngine::onFinished);
    ++m_stats.connections;
    m_byteStall.start(m_timings.byteStallMs);
    m_frameStall.start(m_timings.frameStallMs);
}

void StreamEngine::closeConnection()
{
    m_byteStall.stop();
    m_frameStall.stop();
    if (m_reply) {
        QNetworkReply *reply = std::exchange(m_reply, nullptr);
        disconnect(reply, nullptr, this, nullptr);
        // A reply already failing is ended by its deletion; aborting it
        // as well would report a second error.
        if (!reply->isFinished() && reply->error() == QNetworkReply::NoError)
            reply->abort();
        reply->deleteLater();
    }
    // Closes kept-alive sockets and forgets credentials and nonces: the
    // next attempt starts clean.
    if (m_nam)
        m_nam->clearAccessCache();
}

bool StreamEngine::decideMode(const QByteArray &firstBytes)
{
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status < 200 || status >= 300) {
        fail(QStringLiteral("HTTP status %1").arg(status));
        return false;
    }
    const QByteArray type = m_reply->rawHeader("Content-Type");
    const QByteArray lower = type.trimmed().toLower();
    if (lower.startsWith("multipart/")) {
        m_mode = Mode::Multipart;
        m_reader.emplace(MultipartReader::boundaryParameter(type));
    } else if (lower.startsWith("image/")) {
        m_mode = Mode::Still;
    } else if (lower.startsWith("text/")) {
        // An error or login page served with 200.
        fail(QStringLiteral("not a picture stream: %1").arg(QString::fromLatin1(type.left(64))));
        return false;
    } else if (startsLikeJpeg(firstBytes)) {
        // Untyped or application/octet-stream (ffmpeg's mpjpeg server):
        // the body tells. A bare JPEG is a single picture...
        m_mode = Mode::Still;
    } else {
        // ...anything else a multipart stream whose boundary the body's
        // first delimiter gives.
        m_mode = Mode::Multipart;
        m_reader.emplace();
    }
    return true;
}

void StreamEngine::onReadyRead()
{
    if (!m_reply || m_reply->bytesAvailable() <= 0)
        return;
    const QByteArray bytes = m_reply->readAll();
    if (m_mode == Mode::Undecided && !decideMode(bytes))
        return;
    m_byteStall.start(m_timings.byteStallMs);
    if (m_mode == Mode::Still) {
        if (m_still.size() + bytes.size() > StreamLimits::kMaxFrameBytes) {
            ++m_stats.droppedParts;
            fail(QStringLiteral("picture larger than %1 bytes").arg(StreamLimits::kMaxFrameBytes));
            return;
        }
        m_still += bytes;
        return;
    }
    MultipartReader &reader = *m_reader;
    const quint64 droppedBefore = reader.droppedParts();
    reader.feed(bytes);
    MultipartPart part;
    MultipartReader::Result result;
    while ((result = reader.next(&part)) == MultipartReader::Result::Part)
        takePart(part);
    m_stats.droppedParts += reader.droppedParts() - droppedBefore;
    if (result == MultipartReader::Result::Error)
        fail(reader.errorString());
    else if (result == MultipartReader::Result::End)
        fail(QStringLiteral("the camera closed the stream"));
}

void StreamEngine::onFinished()
{
    if (!m_reply)
        return;
    onReadyRead();
    if (!m_reply)
        return;
    if (m_reply->error() != QNetworkReply::NoError) {
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        fail(UrlCredentials::redacted(QStringLiteral("%1 (HTTP %2)").arg(m_reply->errorString()).arg(status),
                                      m_url));
        return;
    }
    if (m_mode != Mode::Still) {
        fail(QStringLiteral("the camera ended the stream"));
        return;
    }
    // A single picture: drawn, and fetched again while the address stands.
    const QByteArray jpeg = std::exchange(m_still, {});
    closeConnection();
    takePart(MultipartPart{QByteArrayLiteral("image/jpeg"), jpeg, {}});
    m_refetch.start(m_timings.stillRefetchMs);
}

void StreamEngine::takePart(const MultipartPart &part)
{
    if (!isJpegPart(part)) {
        ++m_stats.skippedParts;
        return;
    }
    ++m_stats.parts;
    if (m_reply)
        m_frameStall.start(m_timings.frameStallMs);
    m_decodes->submit(part.body, m_target, m_generation, part.headers);
}

void StreamEngine::fail(const QString &reason)
{
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
