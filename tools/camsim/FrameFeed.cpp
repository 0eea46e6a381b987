#include "FrameFeed.h"

#include <cmath>

namespace CamSim {

FrameFeed::FrameFeed(PictureSource &source, const PictureKey &key, double fps, QObject *parent)
    : QObject(parent), m_source(source), m_key(key)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(std::max(1, int(std::lround(1000.0 / fps))));
    connect(&m_timer, &QTimer::timeout, this, &FrameFeed::tick);
}

void FrameFeed::tick()
{
    m_latest = Frame{m_source.picture(m_key, m_latest.number + 1), m_latest.number + 1};
    Q_EMIT frameReady(m_latest);
}

FeedHub::FeedHub(std::unique_ptr<PictureSource> source, QObject *parent)
    : QObject(parent), m_source(std::move(source))
{
}

FrameFeed *FeedHub::subscribe(const PictureKey &key, double fps)
{
    const PictureKey normalized = m_source->normalized(key);
    const FeedId id{normalized, int(std::lround(fps * 1000))};
    FrameFeed *&feed = m_feeds[id];
    if (!feed) {
        feed = new FrameFeed(*m_source, normalized, fps, this);
        feed->tick();
        feed->m_timer.start();
    }
    ++feed->m_clients;
    return feed;
}

void FeedHub::unsubscribe(FrameFeed *feed)
{
    if (!feed || --feed->m_clients > 0)
        return;
    m_feeds.remove(m_feeds.key(feed));
    feed->m_timer.stop();
    // It may be in the middle of handing out a frame to the client leaving.
    feed->deleteLater();
}

Frame FeedHub::still(const PictureKey &key)
{
    const PictureKey normalized = m_source->normalized(key);
    for (auto it = m_feeds.cbegin(); it != m_feeds.cend(); ++it) {
        if (it.key().key == normalized)
            return it.value()->latest();
    }
    ++m_stillNumber;
    return Frame{m_source->picture(normalized, m_stillNumber), m_stillNumber};
}

} // namespace CamSim
