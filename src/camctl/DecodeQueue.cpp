#include "camctl/DecodeQueue.h"

#include "camctl/JpegDecoder.h"

#include <QMutex>
#include <QThreadPool>

#include <optional>

namespace {

// Enough threads that every camera of the program (fourteen, plus tools)
// can be decoding at once; a queue uses at most one.
constexpr int kMaxDecodeThreads = 32;

QThreadPool &decodePool()
{
    static QThreadPool pool;
    static const bool configured = [] {
        pool.setMaxThreadCount(kMaxDecodeThreads);
        return true;
    }();
    Q_UNUSED(configured);
    return pool;
}

struct Job
{
    QByteArray jpeg;
    QSize target;
    quint64 tag = 0;
    QByteArray headers;
};

} // namespace

// Lives as long as the queue or its running decode, whichever is longer:
// the queue may be destroyed while a decode runs.
struct DecodeQueue::Shared
{
    std::shared_ptr<JpegDecoder> decoder;
    mutable QMutex mutex;
    std::optional<Job> waiting;
    bool running = false;
    quint64 replaced = 0;
    DecodeQueue *owner = nullptr;  // null once the queue is gone

    void run();
};

void DecodeQueue::Shared::run()
{
    for (;;) {
        Job job;
        {
            QMutexLocker lock(&mutex);
            if (!waiting || !owner) {
                running = false;
                return;
            }
            job = std::move(*waiting);
            waiting.reset();
        }
        QString error;
        const QImage image = decoder->decode(job.jpeg, job.target, &error);
        QMutexLocker lock(&mutex);
        if (!owner)
            continue;
        // Posted under the lock: the owner cannot be half destroyed here,
        // and a result posted to it dies with it.
        DecodeQueue *q = owner;
        QMetaObject::invokeMethod(
            q,
            [q, image, error, job] {
                if (image.isNull())
                    Q_EMIT q->failed(error, job.tag);
                else
                    Q_EMIT q->decoded(image, job.jpeg, job.tag, job.headers);
            },
            Qt::QueuedConnection);
    }
}

DecodeQueue::DecodeQueue(std::shared_ptr<JpegDecoder> decoder, QObject *parent)
    : QObject(parent)
    , m_shared(std::make_shared<Shared>())
{
    m_shared->decoder = std::move(decoder);
    m_shared->owner = this;
}

DecodeQueue::~DecodeQueue()
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->owner = nullptr;
    m_shared->waiting.reset();
}

DecodeQueue::Inlet DecodeQueue::inlet() const
{
    Inlet inlet;
    inlet.m_shared = m_shared;
    return inlet;
}

void DecodeQueue::submit(const QByteArray &jpeg, QSize target, quint64 tag, const QByteArray &headers)
{
    inlet().submit(jpeg, target, tag, headers);
}

void DecodeQueue::Inlet::submit(const QByteArray &jpeg, QSize target, quint64 tag, const QByteArray &headers) const
{
    QMutexLocker lock(&m_shared->mutex);
    if (!m_shared->owner)
        return;
    if (m_shared->waiting)
        ++m_shared->replaced;
    m_shared->waiting = Job{jpeg, target, tag, headers};
    if (m_shared->running)
        return;
    m_shared->running = true;
    std::shared_ptr<Shared> shared = m_shared;
    decodePool().start([shared] { shared->run(); });
}

void DecodeQueue::clearWaiting()
{
    QMutexLocker lock(&m_shared->mutex);
    m_shared->waiting.reset();
}

int DecodeQueue::waitingCount() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->waiting ? 1 : 0;
}

quint64 DecodeQueue::replacedCount() const
{
    QMutexLocker lock(&m_shared->mutex);
    return m_shared->replaced;
}
