#include "camctl/StreamEngine.h"

#include "camctl/CameraClient.h"
#include "camctl/CameraSource.h"
#include "camctl/Handoff.h"
#include "camctl/UrlCredentials.h"

StreamEngine::StreamEngine(QObject *parent)
    : QObject(parent)
    , m_handoff(std::make_shared<Handoff>(this))
{
    std::weak_ptr<Handoff> handoff = m_handoff;
    m_sink = std::make_shared<PictureSink>([handoff, this] {
        if (const std::shared_ptr<Handoff> h = handoff.lock())
            h->post([this] { takeMail(); });
    });
    for (QTimer *t : {&m_retry, &m_refetch})
        t->setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, [this] {
        ++m_stats.reconnects;
        connectNow();
    });
    connect(&m_refetch, &QTimer::timeout, this, &StreamEngine::connectNow);
    m_backoffMs = m_timings.backoffStartMs;
}

StreamEngine::~StreamEngine()
{
    m_handoff->close();
    closeAttempt();
}

void StreamEngine::closeAttempt()
{
    m_current = 0;
    m_sink->begin(0);
    m_attempt.reset();
}

void StreamEngine::setTimings(const StreamTimings &timings)
{
    m_timings = timings;
    m_backoffMs = m_timings.backoffStartMs;
}

void StreamEngine::setTargetSize(QSize size)
{
    m_sink->setTarget(size);
}

void StreamEngine::setWanted(bool wanted)
{
    m_sink->setWanted(wanted);
}

StreamStats StreamEngine::stats() const
{
    StreamStats s = m_stats;
    static_cast<PictureCounters &>(s) = m_sink->counters();
    return s;
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
    m_frameCaptureUs = 0;
    m_urlText.clear();
    m_url.clear();
    closeAttempt();
    m_retry.stop();
    m_refetch.stop();
    m_backoffMs = m_timings.backoffStartMs;
}

void StreamEngine::connectNow()
{
    // Whatever the last attempt still sends is dropped from here on; its
    // thread is told to end and nothing waits for it.
    m_current = ++m_attempts;
    m_sink->begin(m_current);
    m_attempt.reset();
    ++m_stats.connections;
    QString refusal;
    m_attempt = CameraSource::start(m_url, m_timings, PictureSink::Inlet(m_sink, m_current), &refusal);
    if (!refusal.isEmpty())
        fail(refusal);
}

void StreamEngine::takeMail()
{
    const quint64 taking = m_current;
    SinkMail mail = m_sink->take();
    if (!mail.source.isEmpty() || !mail.transport.isEmpty()) {
        if (!mail.source.isEmpty())
            m_stats.source = mail.source;
        if (!mail.transport.isEmpty())
            m_stats.transport = mail.transport;
        Q_EMIT statsChanged();
    }
    if (!mail.decodeError.isEmpty()) {
        m_stats.lastError = mail.decodeError;
        Q_EMIT statsChanged();
    }
    if (mail.picture) {
        ++m_stats.frames;
        m_frameCaptureUs = mail.picture->captureUs;
        m_backoffMs = m_timings.backoffStartMs;
        Q_EMIT frameReady(mail.picture->image, mail.picture->jpeg);
    }
    // A handler of frameReady may have given a new address: this end is
    // then an older attempt's.
    if (mail.end && taking != 0 && taking == m_current)
        attemptEnded(*mail.end);
}

void StreamEngine::attemptEnded(const SourceEnd &end)
{
    closeAttempt();
    if (!end.stillPicture) {
        fail(end.reason);
        return;
    }
    m_refetch.start(m_timings.stillRefetchMs);
}

void StreamEngine::fail(const QString &reason)
{
    // The reason is masked before it is kept or shown anywhere.
    m_stats.lastError = UrlCredentials::redacted(reason, m_url);
    closeAttempt();
    m_retry.start(m_backoffMs);
    m_backoffMs = qMin(m_backoffMs * 2, m_timings.backoffMaxMs);
    Q_EMIT statsChanged();
}
