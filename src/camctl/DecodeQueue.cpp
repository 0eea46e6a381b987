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
struct DecodeQueue::Shared : std::enable_shared_from_this<DecodeQueue::Shared>
{
    std::shared_ptr<JpegDecoder> decoder;
    mutable QMutex mutex;
    std::optional<Job> waiting;
    bool running = false;
    quint64 replaced = 0;
    DecodeQueue *owner = nullptr;  // null once the queue is gone

    // Results not yet taken by the owner's thread: the newest picture, and
    // the last failure since. However long that thread is busy, they never
    // pile up; one posted call takes whatever is there.
    struct Ready
    {
        std::optional<Job> picture;
        QImage image;
        std::optional<std::pair<QString, quint64>> failure;
    } ready;
    bool deliveryPosted = false;

    void run();
    void deliver();
};

void DecodeQueue::Shared::deliver()
{
    Ready taken;
    DecodeQueue *q = nullptr;
    {
        QMutexLocker lock(&mutex);
        taken = std::exchange(ready, {});
        deliveryPosted = false;
        q = owner;
    }
    if (!q)
        return;
    if (taken.failure)
        Q_EMIT q->failed(taken.failure->first, taken.failure->second);
    if (taken.picture)
        Q_EMIT q->decoded(taken.image, taken.picture->jpeg, taken.picture->tag, taken.picture->headers);
}

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
        if (image.isNull()) {
            ready.failure.emplace(error, job.tag);
        } else {
            if (ready.picture)
                ++replaced;
            ready.picture = std::move(job);
            ready.image = image;
        }
        if (deliveryPosted)
            continue;
        deliveryPosted = true;
        // Posted under the lock: the owner cannot be half destroyed here,
        // and a call posted to it dies with it.
        std::weak_ptr<Shared> self = weak_from_this();
        QMetaObject::invokeMethod(
            owner,
            [self] {
                if (const std::shared_ptr<Shared> shared = self.lock())
                    shared->deliver();
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
