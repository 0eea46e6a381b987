#pragma once

#include "camctl/CameraClient.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

// What an RTSP attempt hands on, called on the attempt's own thread, one
// call at a time.
class RtspHandler
{
public:
    virtual ~RtspHandler() = default;
    // DESCRIBE's answer, whole and within StreamLimits' bounds: returns the
    // a=control value of the media to play (empty, "*", relative or
    // absolute, as the description has it), or nothing with *refusal set
    // ("the camera sends no video").
    virtual std::optional<QByteArray> choose(QByteArrayView sdp, QString *refusal) = 0;
    // The session is playing, over "tcp" (inside the RTSP connection) or "udp".
    virtual void playing(const QString &transport) = 0;
    // One RTP (rtcp false) or RTCP packet of the chosen media, in arrival
    // order; false ends the attempt with *reason.
    virtual bool packet(bool rtcp, QByteArrayView bytes, QString *reason) = 0;
    // Everything the sockets held has been read and the thread is about to
    // wait, or a second has passed since the last call: the moment to act
    // on the newest packets. False ends the attempt with *reason.
    virtual bool caughtUp(QString *reason) = 0;
    // Exactly once per attempt, unless it was cancelled first: why it ended,
    // in plain words, with no credential in any form.
    virtual void finished(const QString &reason) = 0;
};

// One rtsp:// attempt's control exchange and RTP reception on a camera
// client thread of its own, driving libcurl's multi interface (one
// connection, every request through the same multi handle so the session's
// connection is kept): OPTIONS, DESCRIBE, SETUP of the media the handler
// chooses, PLAY, then packets until the camera stops, the handler ends it,
// or it is cancelled (which wakes the thread's poll at once).
//
// Policy: RTP inside the RTSP connection first; a camera that refuses it is
// asked again for RTP over UDP in the same attempt, and its address is then
// asked for UDP first by later attempts. Redirects, credentials (Basic and
// Digest, to the address's own host only), keep-alives, the description and
// every count of requests and bytes are held to StreamLimits' bounds; a
// camera that sends nothing at all for stallMs, connecting included, ends it.
namespace RtspExchange {

// Starts the attempt. Destroying the result cancels it without waiting; no
// handler call starts after that. When no thread can be had, the handler is
// told at once (on the calling thread) and the result is null.
std::unique_ptr<CameraAttempt> start(const QUrl &url, int stallMs, std::shared_ptr<RtspHandler> handler);

} // namespace RtspExchange
