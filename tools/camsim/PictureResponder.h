#pragma once

#include "CamSimStats.h"
#include "FaultPlan.h"
#include "FrameFeed.h"
#include "Outlet.h"

#include <QObject>

#include <optional>

namespace CamSim {

// A slow client holds at most this many pictures in its send buffers;
// newer frames replace the one waiting.
constexpr int kMaxBacklogFrames = 2;

// Sends pictures on an accepted request: a motion-JPEG stream or one still
// picture, misbehaving as its fault plan says.
class PictureResponder : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Stream, Still };
    struct Request
    {
        Kind kind = Kind::Stream;
        PictureKey key;
        double fps = 25;
        FaultPlan fault;
        bool stamp = false;  // the send time inside each picture (PictureParams::stamp)
    };

    PictureResponder(const Request &request, Outlet &outlet, FeedHub &hub, CamSimStats &stats,
                     QObject *parent);
    ~PictureResponder() override;

    void start();
    // No more pictures, whatever the plan: the connection is gone.
    void stop() { stopPictures(); }

private:
    void startStream();
    void startStill();
    void offer(const Frame &frame);
    void onProgress();
    void sendPart(const Frame &frame);
    // The bytes that go out as picture number `index` (1-based), stamped
    // with the moment of the call when the request asked for it.
    QByteArray bodyFor(const Frame &frame, int index) const;
    // After `sent` pictures: ends or stalls the response if the plan says so.
    bool endIfDue();
    void stopPictures();

    Request m_request;
    Outlet &m_outlet;
    FeedHub &m_hub;
    CamSimStats &m_stats;
    FrameFeed *m_feed = nullptr;
    std::optional<Frame> m_waiting;
    int m_sent = 0;
    bool m_stopped = false;
};

} // namespace CamSim
