#pragma once

#include "PictureSource.h"

#include <QHash>
#include <QObject>
#include <QTimer>

#include <memory>

namespace CamSim {

struct Frame
{
    QByteArray jpeg;
    quint64 number = 0;  // 1, 2, ... per feed; gaps seen by a client are skipped frames
};

// One camera, size, quality and rate: draws and encodes once per tick and
// hands the same bytes to every client of that key.
class FrameFeed : public QObject
{
    Q_OBJECT

public:
    FrameFeed(PictureSource &source, const PictureKey &key, double fps, QObject *parent);
    const Frame &latest() const { return m_latest; }
    // Makes the next frame and hands it out; the timer calls it.
    void tick();

Q_SIGNALS:
    void frameReady(const CamSim::Frame &frame);

private:
    friend class FeedHub;
    PictureSource &m_source;
    PictureKey m_key;
    QTimer m_timer;
    Frame m_latest;
    int m_clients = 0;
};

class FeedHub : public QObject
{
    Q_OBJECT

public:
    FeedHub(std::unique_ptr<PictureSource> source, QObject *parent = nullptr);

    // The running feed of that key, started (with its first frame made at
    // once) if it had no clients.
    FrameFeed *subscribe(const PictureKey &key, double fps);
    void unsubscribe(FrameFeed *feed);
    // A single picture: the live frame of a running feed of that key, else
    // one made now.
    Frame still(const PictureKey &key);
    int feedCount() const { return int(m_feeds.size()); }

private:
    struct FeedId
    {
        PictureKey key;
        int milliHertz = 0;
        friend bool operator==(const FeedId &, const FeedId &) = default;
    };
    friend size_t qHash(const FeedId &id, size_t seed)
    {
        return ::qHashMulti(seed, id.key, id.milliHertz);
    }

    std::unique_ptr<PictureSource> m_source;
    QHash<FeedId, FrameFeed *> m_feeds;
    quint64 m_stillNumber = 0;
};

} // namespace CamSim
