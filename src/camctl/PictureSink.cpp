#include "camctl/PictureSink.h"

namespace {

quint64 pack(QSize s)
{
    return quint64(quint32(s.width())) << 32 | quint32(s.height());
}

QSize unpack(quint64 v)
{
    return QSize(int(quint32(v >> 32)), int(quint32(v)));
}

} // namespace

PictureSink::PictureSink(std::function<void()> notify)
    : m_notify(std::move(notify))
    , m_target(pack(QSize()))
{
}

template<typename Fill>
void PictureSink::post(quint64 attempt, Fill fill)
{
    bool notify = false;
    {
        std::lock_guard lock(m_mutex);
        if (attempt == 0 || attempt != m_attempt.load(std::memory_order_relaxed))
            return;
        fill(m_mail);
        notify = !std::exchange(m_notified, true);
    }
    if (notify)
        m_notify();
}

void PictureSink::begin(quint64 attempt)
{
    std::lock_guard lock(m_mutex);
    m_attempt.store(attempt, std::memory_order_relaxed);
    if (m_mail.picture)
        ++m_counters.replaced;
    m_mail = {};
}

SinkMail PictureSink::take()
{
    std::lock_guard lock(m_mutex);
    m_notified = false;
    return std::exchange(m_mail, {});
}

void PictureSink::setTarget(QSize size)
{
    m_target.store(pack(size), std::memory_order_relaxed);
}

void PictureSink::setWanted(bool wanted)
{
    m_wanted.store(wanted, std::memory_order_relaxed);
}

PictureCounters PictureSink::counters() const
{
    std::lock_guard lock(m_mutex);
    return m_counters;
}

PictureSink::Inlet::Inlet(std::shared_ptr<PictureSink> sink, quint64 attempt)
    : m_sink(std::move(sink))
    , m_attempt(attempt)
{
}

QSize PictureSink::Inlet::target() const
{
    return unpack(m_sink->m_target.load(std::memory_order_relaxed));
}

bool PictureSink::Inlet::wanted() const
{
    return m_sink->m_wanted.load(std::memory_order_relaxed);
}

bool PictureSink::Inlet::current() const
{
    return m_sink->m_attempt.load(std::memory_order_relaxed) == m_attempt;
}

void PictureSink::Inlet::offer(Picture picture) const
{
    PictureSink *sink = m_sink.get();
    sink->post(m_attempt, [&](SinkMail &mail) {
        if (mail.picture)
            ++sink->m_counters.replaced;
        mail.picture = std::move(picture);
    });
}

void PictureSink::Inlet::describe(const QString &source) const
{
    m_sink->post(m_attempt, [&](SinkMail &mail) { mail.source = source; });
}

void PictureSink::Inlet::describeTransport(const QString &transport) const
{
    m_sink->post(m_attempt, [&](SinkMail &mail) { mail.transport = transport; });
}

void PictureSink::Inlet::decodeFailed(const QString &error) const
{
    PictureSink *sink = m_sink.get();
    sink->post(m_attempt, [&](SinkMail &mail) {
        ++sink->m_counters.decodeErrors;
        mail.decodeError = error;
    });
}

void PictureSink::Inlet::end(SourceEnd end) const
{
    m_sink->post(m_attempt, [&](SinkMail &mail) { mail.end = std::move(end); });
}

void PictureSink::Inlet::count(quint64 PictureCounters::*counter, quint64 n) const
{
    std::lock_guard lock(m_sink->m_mutex);
    m_sink->m_counters.*counter += n;
}
