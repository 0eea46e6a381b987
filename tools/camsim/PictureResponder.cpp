#include "PictureResponder.h"

#include "SendStamp.h"

#include <chrono>

namespace CamSim {

namespace {

qint64 microsSinceEpoch()
{
    using namespace std::chrono;
    return qint64(duration_cast<microseconds>(system_clock::now().time_since_epoch()).count());
}

QByteArray pictureHeaders(const QByteArray &body, quint64 frameNumber, bool withLength)
{
    QByteArray headers = "Content-Type: image/jpeg\r\n";
    if (withLength)
        headers += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    headers += "X-Ocellane-Frame: " + QByteArray::number(frameNumber) + "\r\n";
    headers += "X-Ocellane-Send-Time: " + QByteArray::number(microsSinceEpoch()) + "\r\n";
    return headers;
}

} // namespace

PictureResponder::PictureResponder(const Request &request, Outlet &outlet, FeedHub &hub, CamSimStats &stats,
                                   QObject *parent)
    : QObject(parent), m_request(request), m_outlet(outlet), m_hub(hub), m_stats(stats)
{
    connect(&m_outlet, &Outlet::progress, this, &PictureResponder::onProgress);
}

PictureResponder::~PictureResponder()
{
    stopPictures();
}

void PictureResponder::start()
{
    if (m_request.kind == Kind::Stream)
        startStream();
    else
        startStill();
}

void PictureResponder::startStream()
{
    m_outlet.write(QByteArray("HTTP/1.0 200 OK\r\n"
                              "Content-Type: multipart/x-mixed-replace; boundary=")
                   + kBoundary
                   + "\r\n"
                     "Cache-Control: no-cache\r\n"
                     "Pragma: no-cache\r\n"
                     "Connection: close\r\n\r\n");
    if (endIfDue())
        return;
    m_feed = m_hub.subscribe(m_request.key, m_request.fps);
    connect(m_feed, &FrameFeed::frameReady, this, &PictureResponder::offer);
    offer(m_feed->latest());
}

void PictureResponder::startStill()
{
    const Frame frame = m_hub.still(m_request.key);
    const QByteArray body = bodyFor(frame, 1);
    m_outlet.write("HTTP/1.0 200 OK\r\n" + pictureHeaders(body, frame.number, !m_request.fault.noLength)
                   + "Cache-Control: no-cache\r\nConnection: close\r\n\r\n");
    if (endIfDue())
        return;
    m_outlet.write(body);
    m_stats.frameSent(m_request.key.camera);
    m_sent = 1;
    if (!endIfDue()) {
        m_stopped = true;
        m_outlet.closeWhenDrained();
    }
}

QByteArray PictureResponder::bodyFor(const Frame &frame, int index) const
{
    const FaultPlan &fault = m_request.fault;
    if (fault.oversizeBytes && index == 1)
        return QByteArray(qsizetype(*fault.oversizeBytes), 'J');
    // A still has no second picture, so its only one is cut.
    const bool cut = fault.truncate && (m_request.kind == Kind::Still || index % 2 == 0);
    const QByteArray body = cut ? frame.jpeg.left(frame.jpeg.size() / 2) : frame.jpeg;
    return m_request.stamp ? SendStamp::stamped(body, microsSinceEpoch()) : body;
}

void PictureResponder::offer(const Frame &frame)
{
    if (m_stopped || frame.jpeg.isEmpty())
        return;
    // Another picture waiting would only pile up: the newest one wins.
    const qint64 limit = m_outlet.paced() ? 0 : kMaxBacklogFrames * qint64(frame.jpeg.size());
    if (m_outlet.queued() > limit) {
        m_waiting = frame;
        return;
    }
    sendPart(frame);
}

void PictureResponder::onProgress()
{
    if (!m_waiting || m_stopped)
        return;
    const Frame frame = *m_waiting;
    m_waiting.reset();
    offer(frame);
}

void PictureResponder::sendPart(const Frame &frame)
{
    ++m_sent;
    const QByteArray body = bodyFor(frame, m_sent);
    const QByteArray &boundary = m_request.fault.bodyBoundary;
    m_outlet.write("--" + (boundary.isEmpty() ? QByteArray(kBoundary) : boundary) + "\r\n"
                   + pictureHeaders(body, frame.number, !m_request.fault.noLength) + "\r\n" + body + "\r\n");
    m_stats.frameSent(m_request.key.camera);
    endIfDue();
}

bool PictureResponder::endIfDue()
{
    const FaultPlan &fault = m_request.fault;
    if (fault.closeAfter && m_sent >= *fault.closeAfter) {
        stopPictures();
        m_outlet.closeWhenDrained();
    } else if (fault.resetAfter && m_sent >= *fault.resetAfter) {
        stopPictures();
        m_outlet.resetWhenDrained();
    } else if (fault.stallAfter && m_sent >= *fault.stallAfter) {
        stopPictures();
    }
    return m_stopped;
}

void PictureResponder::stopPictures()
{
    m_stopped = true;
    m_waiting.reset();
    if (m_feed) {
        disconnect(m_feed, nullptr, this, nullptr);
        m_hub.unsubscribe(m_feed);
        m_feed = nullptr;
    }
}

} // namespace CamSim
